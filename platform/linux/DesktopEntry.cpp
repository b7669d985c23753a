#include "DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QUrl>

namespace quenno::platform::desktop {

namespace {

QString configHome()
{
    const QString v = qEnvironmentVariable("XDG_CONFIG_HOME");
    return v.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : v;
}

QStringList configDirs()
{
    const QString v = qEnvironmentVariable("XDG_CONFIG_DIRS");
    return v.isEmpty() ? QStringList{QStringLiteral("/etc/xdg")} : v.split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

QString dataHome()
{
    const QString v = qEnvironmentVariable("XDG_DATA_HOME");
    return v.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share") : v;
}

QStringList dataDirs()
{
    const QString v = qEnvironmentVariable("XDG_DATA_DIRS");
    return v.isEmpty() ? QStringList{QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")}
                       : v.split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

QStringList applicationDirs()
{
    QStringList dirs{dataHome() + QStringLiteral("/applications")};
    for (const QString& d : dataDirs())
        dirs << d + QStringLiteral("/applications");
    return dirs;
}

// The values of one key in one group of an ini-style file, split at ';'.
QStringList listValue(const QString& path, const QString& group, const QString& key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    bool inGroup = false;
    const QString header = QLatin1Char('[') + group + QLatin1Char(']');
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == header;
            continue;
        }
        if (!inGroup)
            continue;
        const auto eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.left(eq).trimmed() == key)
            return line.mid(eq + 1).trimmed().split(QLatin1Char(';'), Qt::SkipEmptyParts);
    }
    return {};
}

// The string escapes of desktop entry values.
QString unescapeValue(const QString& v)
{
    QString out;
    out.reserve(v.size());
    for (qsizetype i = 0; i < v.size(); ++i) {
        if (v[i] != QLatin1Char('\\') || i + 1 == v.size()) {
            out += v[i];
            continue;
        }
        const QChar c = v[++i];
        if (c == QLatin1Char('s'))
            out += QLatin1Char(' ');
        else if (c == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (c == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (c == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else
            out += c;
    }
    return out;
}

} // namespace

std::optional<Entry> readEntry(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QTextStream in(&file);
    Entry entry;
    entry.path = path;
    bool inGroup = false;
    bool hidden = false;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('['))) {
            inGroup = trimmed == QStringLiteral("[Desktop Entry]");
            continue;
        }
        const auto eq = line.indexOf(QLatin1Char('='));
        if (!inGroup || eq <= 0 || trimmed.startsWith(QLatin1Char('#')))
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QStringLiteral("Exec"))
            entry.exec = unescapeValue(value);
        else if (key == QStringLiteral("Name"))
            entry.name = unescapeValue(value);
        else if (key == QStringLiteral("Terminal"))
            entry.terminal = value == QStringLiteral("true");
        else if (key == QStringLiteral("Hidden"))
            hidden = value == QStringLiteral("true");
        else if (key == QStringLiteral("Categories"))
            entry.categories = value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    }
    if (hidden || entry.exec.isEmpty())
        return std::nullopt;
    return entry;
}

QString findEntry(const QString& desktopId)
{
    if (desktopId.isEmpty() || desktopId.contains(QLatin1Char('/')))
        return QString();
    for (const QString& dir : applicationDirs()) {
        const QString path = dir + QLatin1Char('/') + desktopId;
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

QString defaultEntryFor(const QString& mimeType)
{
    QStringList desktops;
    for (const QString& d : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        desktops << d.toLower();
    QStringList lists;
    auto addFolder = [&](const QString& folder) {
        for (const QString& d : desktops)
            lists << folder + QLatin1Char('/') + d + QStringLiteral("-mimeapps.list");
        lists << folder + QStringLiteral("/mimeapps.list");
    };
    addFolder(configHome());
    for (const QString& d : configDirs())
        addFolder(d);
    for (const QString& d : applicationDirs())
        addFolder(d);
    for (const QString& list : lists) {
        for (const QString& id : listValue(list, QStringLiteral("Default Applications"), mimeType)) {
            const QString path = findEntry(id);
            if (!path.isEmpty() && readEntry(path))
                return path;
        }
    }
    for (const QString& dir : applicationDirs()) {
        for (const QString& id : listValue(dir + QStringLiteral("/defaults.list"), QStringLiteral("Default Applications"), mimeType)) {
            const QString path = findEntry(id);
            if (!path.isEmpty() && readEntry(path))
                return path;
        }
    }
    return QString();
}

QStringList entriesDeclaring(const QString& mimeType)
{
    QStringList paths;
    for (const QString& dir : applicationDirs()) {
        for (const QString& id : listValue(dir + QStringLiteral("/mimeinfo.cache"), QStringLiteral("MIME Cache"), mimeType)) {
            const QString path = findEntry(id);
            if (!path.isEmpty() && !paths.contains(path))
                paths << path;
        }
    }
    return paths;
}

QStringList commandFor(const Entry& entry, const QString& file)
{
    // Split at unquoted spaces; inside double quotes a backslash escapes " ` $ and \.
    struct Token {
        QString text;
        bool quoted = false;
    };
    QList<Token> tokens;
    Token current;
    bool open = false;
    bool inQuotes = false;
    const QString& exec = entry.exec;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                inQuotes = false;
            } else if (c == QLatin1Char('\\') && i + 1 < exec.size()
                       && QStringLiteral("\"`$\\").contains(exec[i + 1])) {
                current.text += exec[++i];
            } else {
                current.text += c;
            }
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (open)
                tokens << current;
            current = Token();
            open = false;
        } else if (c == QLatin1Char('"')) {
            inQuotes = true;
            current.quoted = true;
            open = true;
        } else {
            current.text += c;
            open = true;
        }
    }
    if (inQuotes)
        return {};
    if (open)
        tokens << current;

    const QString absolute = QFileInfo(file).absoluteFilePath();
    QStringList command;
    bool placed = false;
    for (const Token& token : tokens) {
        if (token.quoted) {
            command << token.text;
            continue;
        }
        const QString& t = token.text;
        if (t == QStringLiteral("%f") || t == QStringLiteral("%F")) {
            command << absolute;
            placed = true;
            continue;
        }
        if (t == QStringLiteral("%u") || t == QStringLiteral("%U")) {
            command << QUrl::fromLocalFile(absolute).toString();
            placed = true;
            continue;
        }
        // Other field codes: %c the name, %k the entry's file, %% a percent sign; the
        // rest (%i, deprecated codes) are dropped.
        QString expanded;
        for (qsizetype i = 0; i < t.size(); ++i) {
            if (t[i] != QLatin1Char('%') || i + 1 == t.size()) {
                expanded += t[i];
                continue;
            }
            const QChar code = t[++i];
            if (code == QLatin1Char('%'))
                expanded += QLatin1Char('%');
            else if (code == QLatin1Char('c'))
                expanded += entry.name;
            else if (code == QLatin1Char('k'))
                expanded += entry.path;
        }
        if (!expanded.isEmpty())
            command << expanded;
    }
    if (command.isEmpty())
        return {};
    if (!placed)
        command << absolute;
    return command;
}

} // namespace quenno::platform::desktop
