#include "MdlBrowsFolder.h"

#include <QDir>

namespace quenno::scan {

QString BrowseFolder(platform::FolderDialog* dialog, const QString& title)
{
    if (dialog == nullptr)
        return {};
    return dialog->browse(title);
}

QString WindowsDirectory() { return QDir::homePath(); }

bool FolderTextValid(const QString& text, char separator)
{
    if (separator == '/')
        return text.startsWith(QLatin1Char('/'));
    return text.size() >= 3 && text.at(1) == QLatin1Char(':') && text.at(2) == QLatin1Char('\\');
}

}  // namespace quenno::scan
