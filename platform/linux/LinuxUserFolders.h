#pragma once
// Where the parts of the Linux platform find the user's folders and the running program,
// and how they make the folders they write into.

#include <sys/types.h>

#include <string>

namespace quenno::platform::linux_fs {

// $HOME when it is an absolute path, else the home the user database gives; "" when
// neither names one.
std::string homeFolder();
// The base folder of the freedesktop variable (XDG_CONFIG_HOME, XDG_DATA_HOME) when it is
// an absolute path, else home + fallback (".config", ".local/share"); "" without a home.
std::string xdgFolder(const char* variable, const char* fallback);
// Makes every missing folder of the path with mode (less the umask); folders
// already there are left as their owner set them. True when the path is a folder after.
bool makeFolders(const std::string& path, mode_t mode);
// The running executable, links resolved; "" when the system does not say.
std::string executablePath();

}  // namespace quenno::platform::linux_fs
