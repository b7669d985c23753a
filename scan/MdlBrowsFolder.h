#pragma once
// Choosing the folder to scan: the folder dialog, the default folder, and the check of a
// typed folder text.

#include "platform/FolderDialog.h"

#include <QString>

namespace quenno::scan {

// The folder chosen in the dialog (file-system folders only), or "" on cancel or any
// failure, also when there is no dialog.
QString BrowseFolder(platform::FolderDialog* dialog, const QString& title);

// The folder scanned when the user does not browse: the user's home folder here, where
// Windows has its Windows directory.
QString WindowsDirectory();

// A folder text the scan accepts: an absolute local path of this system. With "/" as the
// separator it starts with "/"; with "\" it is a drive letter, ":" and "\" (C:\, D:\Data).
bool FolderTextValid(const QString& text, char separator);

}  // namespace quenno::scan
