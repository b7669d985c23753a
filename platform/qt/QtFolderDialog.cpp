#include "QtFolderDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

namespace quenno::platform {

QString QtFolderDialog::browse(const QString& title)
{
    const QString chosen
        = QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, QString(), QFileDialog::ShowDirsOnly);
    // Only folders of the file system count (a desktop dialog could hand back other places).
    if (chosen.isEmpty() || !QFileInfo(chosen).isDir())
        return QString();
    return chosen;
}

}  // namespace quenno::platform
