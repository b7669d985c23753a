// Where the program writes when its own folder is read-only: the user's data folder.

#include "LinuxFileSystem.h"
#include "LinuxUserFolders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace quenno::platform {

namespace {

constexpr const char* kDataFolderName = "QuennoAV";
constexpr const char* kStarterList = "database.db";

// access() alone lets root write anywhere, so a folder that grants write access to nobody
// is taken as meant to stay read-only.
bool writableFolder(const std::string& folder)
{
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || (st.st_mode & 0222) == 0)
        return false;
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

}  // namespace

std::string LinuxFileSystem::dataFolder() const
{
    if (writableFolder(m_applicationFolder))
        return m_applicationFolder;
    std::string base = linux_fs::xdgFolder("XDG_DATA_HOME", ".local/share");
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    if (base.empty())
        return m_applicationFolder;
    const std::string folder = (base == "/" ? std::string() : base) + "/" + kDataFolderName;
    if (!linux_fs::makeFolders(folder, 0700))
        return folder;

    // The signature list is the user's to edit, so it is a copy of the shipped one (a link
    // would make edits land in, or fail on, the installed file). A list already there holds
    // the user's records and is never replaced.
    LinuxFileSystem data(folder);
    const std::string list = data.inApplicationFolder(kStarterList);
    struct stat st;
    if (::lstat(list.c_str(), &st) != 0 && errno == ENOENT) {
        const std::string starter = inApplicationFolder(kStarterList);
        if (::lstat(starter.c_str(), &st) == 0 && S_ISREG(st.st_mode) && data.copyFile(starter, list, false)
            && (st.st_mode & S_IWUSR) == 0)
            ::chmod(list.c_str(), (st.st_mode & 0777) | S_IWUSR);
    }
    return folder;
}

std::string LinuxFileSystem::inDataFolder(std::string_view name) const
{
    const std::string folder = dataFolder();
    if (folder == m_applicationFolder)
        return inApplicationFolder(name);
    return LinuxFileSystem(folder).inApplicationFolder(name);
}

}  // namespace quenno::platform
