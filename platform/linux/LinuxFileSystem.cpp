#include "LinuxFileSystem.h"
#include "platform/NativeFileSystem.h"

#include "LinuxFsDetail.h"
#include "LinuxUserFolders.h"
#include "platform/AsciiCase.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>

namespace quenno::platform {

using namespace linux_fs;

namespace {

constexpr std::uint32_t kDosBits = Attribute::ReadOnly | Attribute::Hidden | Attribute::System | Attribute::Archive;
// Bits that setting attributes replaces; the others (directory, sparse, compressed...) stay.
constexpr std::uint32_t kSettableBits = kDosBits | 0x80u /*normal*/ | 0x100u /*temporary*/
    | 0x1000u /*offline*/ | 0x2000u /*not indexed*/;

EntryKind kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return EntryKind::File;
    if (S_ISDIR(mode))
        return EntryKind::Folder;
    return EntryKind::Other;
}

// The file a path's links lead to; nullopt when they lead nowhere or round in a loop.
std::optional<std::string> linkTarget(const std::string& path)
{
    const std::string target = linux_fs::followFinalLinks(path);
    struct stat st;
    if (target.empty() || ::lstat(target.c_str(), &st) != 0 || S_ISLNK(st.st_mode))
        return std::nullopt;
    return target;
}

std::string executableFolder()
{
    const std::string executable = linux_fs::executablePath();
    return executable.empty() ? std::string(".") : parentFolder(executable);
}

}  // namespace

namespace linux_fs {

DirEntry makeEntry(std::string name, const struct stat& st, const std::optional<DosAttrib>& stored)
{
    DirEntry e;
    e.kind = kindOf(st.st_mode);
    e.length = e.kind == EntryKind::File ? static_cast<std::uint64_t>(st.st_size) : 0;
    e.attributes = attributesFrom(st, name, stored);
    e.name = std::move(name);
    e.device = static_cast<std::uint64_t>(st.st_dev);
    e.inode = static_cast<std::uint64_t>(st.st_ino);
    return e;
}

FileIdentity identityFrom(const struct stat& st)
{
    FileIdentity id;
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.inode = static_cast<std::uint64_t>(st.st_ino);
    id.size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
    id.changeTimeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    id.known = true;
    return id;
}

namespace {

std::optional<DosAttrib> storedRecord(ssize_t n, const std::array<std::uint8_t, 512>& buf, bool* xattrSupported)
{
    if (n < 0) {
        if ((errno == ENOTSUP || errno == EOPNOTSUPP) && xattrSupported)
            *xattrSupported = false;
        return std::nullopt;
    }
    return parseDosAttrib(std::span<const std::uint8_t>(buf.data(), static_cast<std::size_t>(n)));
}

}  // namespace

std::optional<DosAttrib> readDosAttrib(const char* path, bool* xattrSupported)
{
    std::array<std::uint8_t, 512> buf;
    return storedRecord(::lgetxattr(path, kDosAttribName, buf.data(), buf.size()), buf, xattrSupported);
}

std::optional<DosAttrib> readDosAttribOf(int fd, bool* xattrSupported)
{
    std::array<std::uint8_t, 512> buf;
    return storedRecord(::fgetxattr(fd, kDosAttribName, buf.data(), buf.size()), buf, xattrSupported);
}

int openFolderPath(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 || errno != ENAMETOOLONG)
        return fd;
    // Deeper than a path may name: one component at a time, as open would resolve them.
    int at = ::open(folder.front() == '/' ? "/" : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::size_t pos = 0;
    while (at >= 0 && pos < folder.size()) {
        std::size_t end = folder.find('/', pos);
        if (end == std::string::npos)
            end = folder.size();
        const std::string part = folder.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty())
            continue;
        const int next = ::openat(at, part.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(at);
        at = next;
    }
    return at;
}

std::uint32_t attributesFrom(const struct stat& st, std::string_view name, const std::optional<DosAttrib>& stored)
{
    std::uint32_t attributes = stored ? stored->attributes & kDosBits : 0;
    if (!name.empty() && name.front() == '.')
        attributes |= Attribute::Hidden;
    if ((S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) && (st.st_mode & S_IWUSR) == 0)
        attributes |= Attribute::ReadOnly;
    if (S_ISDIR(st.st_mode))
        attributes |= Attribute::Directory;
    return attributes;
}

std::optional<std::chrono::system_clock::time_point> timePointFrom(std::int64_t seconds, std::uint32_t nanoseconds)
{
    using namespace std::chrono;
    // Any program may set a file's times: one the clock cannot hold is not taken.
    constexpr std::int64_t kMostSeconds
        = duration_cast<std::chrono::seconds>(system_clock::duration::max()).count() - 1;
    if (seconds > kMostSeconds || seconds < -kMostSeconds || nanoseconds >= 1000000000u)
        return std::nullopt;
    return system_clock::time_point(duration_cast<system_clock::duration>(std::chrono::seconds(seconds))
                                    + duration_cast<system_clock::duration>(std::chrono::nanoseconds(nanoseconds)));
}

std::string_view baseName(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string parentFolder(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return ".";
    if (slash == 0)
        return "/";
    return std::string(path.substr(0, slash));
}

}  // namespace linux_fs

LinuxFileSystem::LinuxFileSystem() : m_applicationFolder(executableFolder()) { }

LinuxFileSystem::LinuxFileSystem(std::string applicationFolder) : m_applicationFolder(std::move(applicationFolder))
{
    while (m_applicationFolder.size() > 1 && m_applicationFolder.back() == '/')
        m_applicationFolder.pop_back();
}

std::optional<std::vector<DirEntry>> LinuxFileSystem::listFolder(const std::string& folder) const
{
    const int fd = openFolderPath(folder);
    if (fd < 0)
        return std::nullopt;
    auto entries = listOpenFolder(fd, folder, true);
    ::close(fd);
    return entries;
}

std::optional<DirEntry> LinuxFileSystem::entry(const std::string& path) const
{
    struct stat st;
    if (path.empty() || ::lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    std::optional<DosAttrib> stored;
    if (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))
        stored = readDosAttrib(path.c_str());
    return makeEntry(std::string(baseName(path)), st, stored);
}

std::optional<DirEntry> LinuxFileSystem::linkedEntry(const std::string& path) const
{
    const auto target = linkTarget(path);
    return target ? entry(*target) : std::nullopt;
}

bool LinuxFileSystem::forbidExecution(const std::string& path)
{
    struct stat st;
    if (path.empty() || ::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if ((st.st_mode & 0111) == 0)
        return true;
    return ::chmod(path.c_str(), st.st_mode & 0666) == 0;
}

namespace {

// Where the calls of setting attributes go: a path, never following a final link, or a
// file already open (whose path may be past the limit or swapped since).
struct AttributeTarget {
    const char* path = nullptr;
    int fd = -1;
    std::string_view name;

    int status(struct stat* st) const { return fd >= 0 ? ::fstat(fd, st) : ::lstat(path, st); }
    std::optional<DosAttrib> record(bool* xattrSupported) const
    {
        return fd >= 0 ? readDosAttribOf(fd, xattrSupported) : readDosAttrib(path, xattrSupported);
    }
    bool setMode(mode_t mode) const { return (fd >= 0 ? ::fchmod(fd, mode) : ::chmod(path, mode)) == 0; }
    bool storeRecord(const std::string& bytes) const
    {
        return (fd >= 0 ? ::fsetxattr(fd, kDosAttribName, bytes.data(), bytes.size(), 0)
                        : ::lsetxattr(path, kDosAttribName, bytes.data(), bytes.size(), 0))
            == 0;
    }
    int birth(struct statx* sx) const
    {
        return fd >= 0 ? ::statx(fd, "", AT_EMPTY_PATH, STATX_BTIME, sx)
                       : ::statx(AT_FDCWD, path, AT_SYMLINK_NOFOLLOW, STATX_BTIME, sx);
    }
};

bool setAttributesOf(const AttributeTarget& target, std::uint32_t attributes)
{
    struct stat st;
    if (target.status(&st) != 0 || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)))
        return false;

    bool xattrSupported = true;
    const std::optional<DosAttrib> stored = target.record(&xattrSupported);
    const std::uint32_t wanted = attributes & kDosBits;
    const bool readOnly = (wanted & Attribute::ReadOnly) != 0;
    const bool writable = (st.st_mode & S_IWUSR) != 0;

    // The owner needs write permission to change a user attribute, so it is granted first.
    if (!readOnly && !writable && !target.setMode((st.st_mode & 07777) | S_IWUSR))
        return false;

    bool ok = true;
    if (stored || wanted != 0) {
        DosAttrib record;
        record.attributes = ((stored ? stored->attributes : 0) & ~kSettableBits) | wanted;
        if (S_ISDIR(st.st_mode))
            record.attributes |= Attribute::Directory;
        record.createTime = stored ? stored->createTime : std::nullopt;
        if (!record.createTime) {
            struct statx sx;
            if (target.birth(&sx) == 0 && (sx.stx_mask & STATX_BTIME))
                record.createTime = unixToFileTime(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec);
        }
        const std::string bytes = encodeDosAttrib(record);
        if (!xattrSupported || !target.storeRecord(bytes)) {
            if (!xattrSupported || errno == ENOTSUP || errno == EOPNOTSUPP) {
                // Without stored attributes only read-only (permissions) and hidden (a
                // leading dot) can be kept.
                const bool dotName = target.name.starts_with('.');
                const std::uint32_t representable = Attribute::ReadOnly | (dotName ? Attribute::Hidden : 0u);
                ok = (wanted & ~representable) == 0;
            } else if (errno == EACCES && readOnly && !writable) {
                ok = target.setMode((st.st_mode & 07777) | S_IWUSR) && target.storeRecord(bytes);
            } else {
                ok = false;
            }
        }
    }

    if (readOnly && !target.setMode(st.st_mode & 07777 & ~mode_t{0222}))
        ok = false;
    return ok;
}

}  // namespace

namespace linux_fs {

bool setAttributesOfOpenFile(int fd, std::string_view name, std::uint32_t attributes)
{
    return fd >= 0 && setAttributesOf(AttributeTarget{nullptr, fd, name}, attributes);
}

}  // namespace linux_fs

bool LinuxFileSystem::setAttributes(const std::string& path, std::uint32_t attributes)
{
    if (path.empty())
        return false;
    return setAttributesOf(AttributeTarget{path.c_str(), -1, baseName(path)}, attributes);
}

std::optional<std::chrono::system_clock::time_point> LinuxFileSystem::creationTime(const std::string& linkPath) const
{
    using namespace std::chrono;
    const std::string path = linkTarget(linkPath).value_or(std::string());
    // A creation time kept in the attribute record outlives rewrites (beside, then renamed).
    if (const auto stored = path.empty() ? std::nullopt : readDosAttrib(path.c_str()); stored && stored->createTime) {
        constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;
        // Any program may write the record: a time the clock cannot hold is not taken.
        constexpr std::uint64_t kMostTicks = static_cast<std::uint64_t>(nanoseconds::max().count() / 100);
        if (*stored->createTime >= kUnixEpochAsFileTime && *stored->createTime - kUnixEpochAsFileTime <= kMostTicks) {
            const auto ticks = static_cast<std::int64_t>(*stored->createTime - kUnixEpochAsFileTime);
            return system_clock::time_point(duration_cast<system_clock::duration>(nanoseconds(ticks) * 100));
        }
    }
    struct statx sx;
    if (path.empty() || ::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME | STATX_MTIME, &sx) != 0)
        return std::nullopt;
    const statx_timestamp& t = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_mtime;
    return timePointFrom(t.tv_sec, t.tv_nsec);
}

bool LinuxFileSystem::exists(const std::string& path) const
{
    struct stat st;
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

std::string LinuxFileSystem::applicationFolder() const { return m_applicationFolder; }

std::string LinuxFileSystem::inApplicationFolder(std::string_view name) const
{
    std::string relative(name);
    std::replace(relative.begin(), relative.end(), '\\', '/');
    const bool trailingSeparator = !relative.empty() && relative.back() == '/';

    std::string result = m_applicationFolder;
    bool resolving = true;
    std::size_t pos = 0;
    while (pos < relative.size()) {
        std::size_t end = relative.find('/', pos);
        if (end == std::string::npos)
            end = relative.size();
        const std::string_view part(relative.data() + pos, end - pos);
        pos = end + 1;
        if (part.empty())
            continue;
        const std::size_t parentLength = result.size();
        if (result.empty() || result.back() != '/')
            result.push_back('/');
        result.append(part);
        if (!resolving)
            continue;
        struct stat st;
        if (::lstat(result.c_str(), &st) == 0)
            continue;
        // Not spelled this way: look for the one entry whose name differs only in case
        // (the first in listing order if several do).
        std::string best;
        const std::string parent = parentLength == 0 ? "/" : result.substr(0, parentLength);
        if (DIR* dir = ::opendir(parent.c_str())) {
            while (const dirent* de = ::readdir(dir)) {
                const std::string_view candidate(de->d_name);
                if (equalsIgnoringAsciiCase(candidate, part)
                    && (best.empty() || lessIgnoringAsciiCase(candidate, best)))
                    best.assign(candidate);
            }
            ::closedir(dir);
        }
        if (best.empty()) {
            resolving = false;
        } else {
            result.resize(result.size() - part.size());
            result.append(best);
        }
    }
    if (trailingSeparator && (result.empty() || result.back() != '/'))
        result.push_back('/');
    return result;
}

std::unique_ptr<FileSystem> makeNativeFileSystem() { return std::make_unique<LinuxFileSystem>(); }

}  // namespace quenno::platform
