#include "DesktopLauncher.h"

#include "DesktopEntry.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace quenno::platform {

namespace {

bool startDetached(QStringList command, bool inTerminal)
{
    if (command.isEmpty())
        return false;
    if (inTerminal) {
        const QString terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
        if (terminal.isEmpty())
            return false;
        command.prepend(QStringLiteral("-e"));
        command.prepend(terminal);
    }
    const QString program = command.takeFirst();
    return QProcess::startDetached(program, command);
}

bool startEntry(const QString& entryPath, const QString& file)
{
    const auto entry = desktop::readEntry(entryPath);
    return entry && startDetached(desktop::commandFor(*entry, file), entry->terminal);
}

// What xdg-mime knows beyond the mimeapps.list files (desktop-specific settings).
QString queryXdgMime(const QString& mimeType)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (tool.isEmpty())
        return QString();
    QProcess query;
    query.start(tool, {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished(1000);
        return QString();
    }
    return desktop::findEntry(QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed());
}

} // namespace

bool DesktopLauncher::openHelp(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

bool DesktopLauncher::openTextEditor(const QString& path)
{
    const QString textPlain = QStringLiteral("text/plain");
    if (startEntry(desktop::defaultEntryFor(textPlain), path))
        return true;
    if (startEntry(queryXdgMime(textPlain), path))
        return true;
    for (const QString& entryPath : desktop::entriesDeclaring(textPlain)) {
        const auto entry = desktop::readEntry(entryPath);
        if (entry && entry->categories.contains(QStringLiteral("TextEditor"))
            && startDetached(desktop::commandFor(*entry, path), entry->terminal))
            return true;
    }
    for (const char* variable : {"VISUAL", "EDITOR"}) {
        QStringList command = QProcess::splitCommand(qEnvironmentVariable(variable));
        if (command.isEmpty())
            continue;
        command << QFileInfo(path).absoluteFilePath();
        if (startDetached(command, true))
            return true;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

} // namespace quenno::platform
