#include "LinuxUserFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace quenno::platform::linux_fs {

std::string homeFolder()
{
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return home;
    const passwd* entry = ::getpwuid(::geteuid());
    return entry && entry->pw_dir && entry->pw_dir[0] == '/' ? std::string(entry->pw_dir) : std::string();
}

std::string xdgFolder(const char* variable, const char* fallback)
{
    const char* xdg = std::getenv(variable);
    if (xdg && xdg[0] == '/')
        return xdg;
    const std::string home = homeFolder();
    return home.empty() ? std::string() : home + "/" + fallback;
}

bool makeFolders(const std::string& path, mode_t mode)
{
    if (path.empty())
        return false;
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (!part.empty() && part.back() != '/' && ::mkdir(part.c_str(), mode) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string executablePath()
{
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    return n > 0 ? std::string(buffer.data(), static_cast<std::size_t>(n)) : std::string();
}

}  // namespace quenno::platform::linux_fs
