#include "LinuxProcessTable.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <optional>

namespace quenno::platform {

namespace {

std::string procPath(std::uint32_t pid, const char* leaf) { return "/proc/" + std::to_string(pid) + "/" + leaf; }

std::string readLink(const std::string& path)
{
    std::array<char, 4096> buf;
    const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buf.size())
        return {};
    return std::string(buf.data(), static_cast<std::size_t>(n));
}

std::string readSmallFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::array<char, 4096> buf;
    ssize_t n;
    do {
        n = ::read(fd, buf.data(), buf.size());
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    return n > 0 ? std::string(buf.data(), static_cast<std::size_t>(n)) : std::string();
}

std::string_view lastComponent(std::string_view path)
{
    const auto cut = path.find_last_of("/\\");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::string_view stripDeleted(std::string_view target)
{
    constexpr std::string_view deleted = " (deleted)";
    if (target.size() > deleted.size() && target.substr(target.size() - deleted.size()) == deleted)
        target.remove_suffix(deleted.size());
    return target;
}

bool isWindowsLoader(std::string_view exeName)
{
    return exeName == "wine-preloader" || exeName == "wine64-preloader" || exeName == "wine" || exeName == "wine64";
}

std::optional<std::uint32_t> parsePid(const char* name)
{
    std::uint32_t pid = 0;
    if (!*name)
        return std::nullopt;
    for (const char* p = name; *p; ++p) {
        if (*p < '0' || *p > '9' || pid > (UINT32_MAX - 9) / 10)
            return std::nullopt;
        pid = pid * 10 + static_cast<std::uint32_t>(*p - '0');
    }
    return pid;
}

}  // namespace

std::string imageNameFrom(std::string_view exeTarget, std::string_view cmdline, std::string_view comm)
{
    const std::string_view argv0 = cmdline.substr(0, cmdline.find('\0'));
    const std::string_view exeName = lastComponent(stripDeleted(exeTarget));
    if (!exeName.empty()) {
        if (isWindowsLoader(exeName)) {
            const std::string_view program = lastComponent(argv0);
            if (!program.empty() && !isWindowsLoader(program))
                return std::string(program);
        }
        return std::string(exeName);
    }
    // No access to the executable: the kernel's name for the process, which is cut to 15
    // bytes; the first argument gives the whole name when it starts the same way.
    while (!comm.empty() && comm.back() == '\n')
        comm.remove_suffix(1);
    const std::string_view firstWord = lastComponent(argv0.substr(0, argv0.find(' ')));
    if (comm.empty())
        return std::string(firstWord);
    if (comm.size() == 15 && firstWord.size() > comm.size() && firstWord.starts_with(comm))
        return std::string(firstWord);
    return std::string(comm);
}

std::vector<ProcessEntry> LinuxProcessTable::snapshot() const
{
    std::vector<ProcessEntry> entries;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return entries;
    while (const dirent* de = ::readdir(proc)) {
        const auto pid = parsePid(de->d_name);
        if (!pid)
            continue;
        std::string exe = readLink(procPath(*pid, "exe"));
        std::string cmdline = readSmallFile(procPath(*pid, "cmdline"));
        std::string comm = exe.empty() ? readSmallFile(procPath(*pid, "comm")) : std::string();
        if (exe.empty() && comm.empty() && cmdline.empty())
            continue;  // ended meanwhile
        entries.push_back(ProcessEntry{*pid, imageNameFrom(exe, cmdline, comm)});
    }
    ::closedir(proc);
    std::sort(entries.begin(), entries.end(), [](const ProcessEntry& a, const ProcessEntry& b) {
        return a.pid < b.pid;
    });
    return entries;
}

std::string LinuxProcessTable::imagePath(std::uint32_t pid) const
{
    if (pid == 0)
        return {};
    return std::string(stripDeleted(readLink(procPath(pid, "exe"))));
}

bool LinuxProcessTable::terminate(std::uint32_t pid)
{
    // 0 and values past the largest pid would address process groups or every process.
    if (pid <= 1 || pid > static_cast<std::uint32_t>(INT_MAX) || pid == static_cast<std::uint32_t>(::getpid()))
        return false;
    return ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}

}  // namespace quenno::platform
