#include "LinuxVolumes.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <memory>

namespace quenno::platform {

namespace {

constexpr std::array<std::string_view, 25> kPseudoTypes = {
    "autofs",     "binfmt_misc", "bpf",       "cgroup",   "cgroup2", "configfs", "debugfs", "devpts", "devtmpfs",
    "efivarfs",   "fusectl",     "hugetlbfs", "mqueue",   "nsfs",    "proc",     "pstore",  "ramfs",  "rootfs",
    "rpc_pipefs", "securityfs",  "selinuxfs", "squashfs", "sysfs",   "tmpfs",    "tracefs",
};

constexpr std::array<std::string_view, 10> kSystemFolders = {
    "/proc", "/sys", "/dev", "/run", "/boot", "/snap", "/var/lib", "/var/run", "/var/lock", "/etc",
};

bool within(std::string_view path, std::string_view folder)
{
    return path == folder
        || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/');
}

int digitValue(char c, int base)
{
    const int value = c >= '0' && c <= '9' ? c - '0'
        : c >= 'a' && c <= 'f'             ? c - 'a' + 10
        : c >= 'A' && c <= 'F'             ? c - 'A' + 10
                                           : 99;
    return value < base ? value : -1;
}

// The table writes space, tab, newline and backslash as "\ooo" (octal).
std::string unescapeOctal(std::string_view field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const int a = digitValue(field[i + 1], 8), b = digitValue(field[i + 2], 8), c = digitValue(field[i + 3], 8);
            if (a >= 0 && b >= 0 && c >= 0 && a < 4) {
                out.push_back(static_cast<char>(a * 64 + b * 8 + c));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

// udev writes bytes unsafe in a file name as "\xHH".
std::string unescapeHex(std::string_view name)
{
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
            const int high = digitValue(name[i + 2], 16), low = digitValue(name[i + 3], 16);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 3;
                continue;
            }
        }
        out.push_back(name[i]);
    }
    return out;
}

std::string readAll(const std::string& path)
{
    std::string text;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return text;
    std::array<char, 8192> buffer;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n <= 0)
            break;
        text.append(buffer.data(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    return text;
}

std::string resolved(const std::string& path)
{
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return {};
    std::string out(real);
    std::free(real);
    return out;
}

// A folder the system can size that holds blocks: a volume that is there to be used.
bool reachableFolder(const std::string& root)
{
    struct stat st;
    struct statvfs sv;
    return ::stat(root.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::statvfs(root.c_str(), &sv) == 0
        && sv.f_blocks > 0;
}

}  // namespace

LinuxVolumes::LinuxVolumes(std::string mountTable, std::string labelFolder)
    : m_mountTable(std::move(mountTable)), m_labelFolder(std::move(labelFolder))
{
}

std::vector<LinuxVolumes::Mount> LinuxVolumes::parseMountTable(std::string_view text)
{
    std::vector<Mount> mounts;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        std::array<std::string_view, 3> fields;
        std::size_t found = 0;
        while (found < fields.size()) {
            const std::size_t start = line.find_first_not_of(" \t");
            if (start == std::string_view::npos)
                break;
            line.remove_prefix(start);
            const std::size_t length = std::min(line.find_first_of(" \t"), line.size());
            fields[found++] = line.substr(0, length);
            line.remove_prefix(length);
        }
        if (found == fields.size())
            mounts.push_back({unescapeOctal(fields[0]), unescapeOctal(fields[1]), unescapeOctal(fields[2])});
    }
    return mounts;
}

bool LinuxVolumes::isUserMount(const Mount& mount)
{
    if (std::find(kPseudoTypes.begin(), kPseudoTypes.end(), mount.type) != kPseudoTypes.end())
        return false;
    if (mount.device.empty() || mount.device.front() != '/' || mount.root.empty() || mount.root.front() != '/')
        return false;
    if (within(mount.root, "/run/media"))
        return mount.root != "/run/media";
    return std::none_of(kSystemFolders.begin(), kSystemFolders.end(), [&](std::string_view folder) {
        return within(mount.root, folder);
    });
}

std::string LinuxVolumes::labelOf(const std::string& device) const
{
    const std::string target = resolved(device);
    if (target.empty())
        return {};
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(m_labelFolder.c_str()), ::closedir);
    if (!folder)
        return {};
    while (const dirent* entry = ::readdir(folder.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && resolved(m_labelFolder + "/" + name) == target)
            return unescapeHex(name);
    }
    return {};
}

std::vector<Volume> LinuxVolumes::mounted() const
{
    // The last mount at a place is the one seen there.
    std::vector<Mount> visible;
    for (Mount& mount : parseMountTable(readAll(m_mountTable))) {
        while (mount.root.size() > 1 && mount.root.back() == '/')
            mount.root.pop_back();
        const auto same = std::find_if(visible.begin(), visible.end(), [&](const Mount& seen) {
            return seen.root == mount.root;
        });
        if (same != visible.end())
            *same = std::move(mount);
        else
            visible.push_back(std::move(mount));
    }
    std::vector<Volume> volumes{{"/", {}}};
    for (const Mount& mount : visible) {
        if (mount.root == "/") {
            if (!mount.device.empty() && mount.device.front() == '/')
                volumes.front().label = labelOf(mount.device);
            continue;
        }
        if (isUserMount(mount) && reachableFolder(mount.root))
            volumes.push_back({mount.root + "/", labelOf(mount.device)});
    }
    std::sort(volumes.begin() + 1, volumes.end(), [](const Volume& a, const Volume& b) {
        return a.root < b.root;
    });
    return volumes;
}

}  // namespace quenno::platform
