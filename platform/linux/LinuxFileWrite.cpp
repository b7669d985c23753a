// Reading, writing and copying whole files. A file that is written or copied is first
// written in full beside its target, flushed to disk and then renamed over the target, so
// the target always holds either its old or its new content.

#include "LinuxFileSystem.h"

#include "LinuxFsDetail.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <functional>
#include <limits>
#include <random>

namespace quenno::platform {

using namespace linux_fs;

namespace {

// One read or pread (offset >= 0), retried after a signal. Files are opened without waiting
// (see openRegularFile); a file system that takes that to heart for a regular file says
// EAGAIN, and the file is switched to ordinary, waiting reads once.
std::int64_t readOnce(int fd, std::span<std::uint8_t> buffer, std::int64_t offset)
{
    if (buffer.empty())
        return 0;  // at the length the file was opened with: no call needed to find the end
    bool switched = false;
    for (;;) {
        const ssize_t n = offset < 0 ? ::read(fd, buffer.data(), buffer.size())
                                     : ::pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(offset));
        if (n >= 0)
            return n;
        if ((errno == EAGAIN || errno == EWOULDBLOCK) && !switched) {
            switched = true;
            const int flags = ::fcntl(fd, F_GETFL);
            if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
                return -1;
            continue;
        }
        if (errno != EINTR)
            return -1;
    }
}

// One read at the file's position of only what the page cache holds. A file system that
// cannot tell says EOPNOTSUPP, which is taken as a wait: the caller then reads as usual.
std::int64_t readInMemoryOnce(int fd, std::span<std::uint8_t> buffer)
{
    if (buffer.empty())
        return 0;
    for (;;) {
        struct iovec piece {
            buffer.data(), buffer.size()
        };
        const ssize_t n = ::preadv2(fd, &piece, 1, -1, RWF_NOWAIT);
        if (n >= 0)
            return n;
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL)
            return FileReader::kWouldWait;
        if (errno != EINTR)
            return -1;
    }
}

class FdReader final : public FileReader {
public:
    FdReader(int fd, const struct stat& st)
        : m_fd(fd), m_length(static_cast<std::uint64_t>(st.st_size)), m_identity(identityFrom(st))
    {
    }
    ~FdReader() override { ::close(m_fd); }
    FdReader(const FdReader&) = delete;
    FdReader& operator=(const FdReader&) = delete;

    // Never past the length the file had when it was opened: a file that another program
    // keeps growing would otherwise be read without end.
    std::int64_t read(std::span<std::uint8_t> buffer) override
    {
        const std::int64_t n = readOnce(m_fd, limited(buffer, m_done), -1);
        if (n > 0)
            m_done += static_cast<std::uint64_t>(n);
        return n;
    }
    std::int64_t readIfInMemory(std::span<std::uint8_t> buffer) override
    {
        const std::int64_t n = readInMemoryOnce(m_fd, limited(buffer, m_done));
        if (n > 0)
            m_done += static_cast<std::uint64_t>(n);
        return n;
    }
    std::uint64_t length() const override { return m_length; }
    bool readsAtOffsets() const override { return true; }
    std::int64_t readAt(std::span<std::uint8_t> buffer, std::uint64_t offset) const override
    {
        if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
            return -1;
        return readOnce(m_fd, limited(buffer, offset), static_cast<std::int64_t>(offset));
    }
    std::uint64_t position() const override { return m_done; }
    FileIdentity identity() const override { return m_identity; }

private:
    std::span<std::uint8_t> limited(std::span<std::uint8_t> buffer, std::uint64_t from) const
    {
        const std::uint64_t left = m_length - std::min(from, m_length);
        return buffer.first(static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), left)));
    }

    int m_fd;
    std::uint64_t m_length;
    FileIdentity m_identity;
    std::uint64_t m_done = 0;
};

// A regular file opened for reading; a FIFO or device is never waited on, a link never
// followed unless links is 0. It stays without O_NONBLOCK's waiting, which reading a regular file ignores:
// that saves two system calls per file.
int openRegularFile(int folderFd, const char* name, struct stat* st, int links = O_NOFOLLOW)
{
    const int fd = ::openat(folderFd, name, O_RDONLY | links | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int openRegularFile(const std::string& path, struct stat* st)
{
    return path.empty() ? -1 : openRegularFile(AT_FDCWD, path.c_str(), st);
}

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// A new, empty file beside the target, created with the usual permissions.
int createBeside(const std::string& target, std::string* tempPath)
{
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random{std::random_device{}()};
    const std::string folder = parentFolder(target);
    const std::string prefix = (folder == "/" ? folder : folder + "/") + "." + std::string(baseName(target)) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        *tempPath = prefix + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-"
            + std::to_string(random() % 1000000) + ".part";
        const int fd = ::open(tempPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

void syncFolderOf(const std::string& path)
{
    const int fd = ::open(parentFolder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool isReadOnly(const std::string& target, const struct stat& st)
{
    const auto stored = readDosAttrib(target.c_str());
    return (attributesFrom(st, baseName(target), stored) & Attribute::ReadOnly) != 0;
}

// An existing target may be replaced only when it is a regular file that is not read-only.
bool mayReplace(const std::string& target)
{
    struct stat st;
    if (::lstat(target.c_str(), &st) != 0)
        return errno == ENOENT;
    return S_ISREG(st.st_mode) && !isReadOnly(target, st);
}

WriteResult failed(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return {WriteFailure::NoPermission, error};
    case EROFS:
        return {WriteFailure::ReadOnlyFileSystem, error};
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return {WriteFailure::NoSpace, error};
    case ELOOP:
    case EISDIR:
        return {WriteFailure::NotAFile, error};
    default:
        return {WriteFailure::Other, error};
    }
}

enum class Replace { Always, Never };

// Flushes and closes the written temporary file, runs beforeRename (when given) and
// renames the file onto the target; the temporary file is removed whatever fails.
WriteResult finishBeside(int fd, const std::string& temp, const std::string& target, Replace replace,
                         const std::function<WriteResult()>& beforeRename = {})
{
    WriteResult result;
    if (::fsync(fd) != 0)
        result = failed(errno);
    if (::close(fd) != 0 && result)
        result = failed(errno);
    if (result && beforeRename)
        result = beforeRename();
    if (result) {
        if (replace == Replace::Always) {
            if (::rename(temp.c_str(), target.c_str()) != 0)
                result = failed(errno);
        } else if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0) {
            result = failed(errno);
            if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) {
                // No such rename here: a hard link never replaces an existing name either.
                result = ::link(temp.c_str(), target.c_str()) == 0 ? WriteResult{} : failed(errno);
                if (result)
                    ::unlink(temp.c_str());
            }
        }
    }
    if (!result) {
        ::unlink(temp.c_str());
        return result;
    }
    syncFolderOf(target);
    return result;
}

// Extended attributes of an open file (fd >= 0) or of the entry at path: the names, or a
// value. nullopt when they cannot be read; none where the file system has none.
std::optional<std::vector<std::string>> attributeNames(int fd, const char* path)
{
    for (;;) {
        const ssize_t size = fd >= 0 ? ::flistxattr(fd, nullptr, 0) : ::llistxattr(path, nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP ? std::optional(std::vector<std::string>{}) : std::nullopt;
        std::vector<char> buffer(static_cast<std::size_t>(size) + 1);
        const ssize_t n = fd >= 0 ? ::flistxattr(fd, buffer.data(), buffer.size())
                                  : ::llistxattr(path, buffer.data(), buffer.size());
        if (n < 0 && errno == ERANGE)
            continue;  // one was added meanwhile
        if (n < 0)
            return std::nullopt;
        std::vector<std::string> names;
        for (std::size_t at = 0; at < static_cast<std::size_t>(n);) {
            const std::string name(buffer.data() + at);
            at += name.size() + 1;
            if (!name.empty())
                names.push_back(name);
        }
        return names;
    }
}

std::optional<std::string> attributeValue(const char* path, const std::string& name)
{
    for (;;) {
        const ssize_t size = ::lgetxattr(path, name.c_str(), nullptr, 0);
        if (size < 0)
            return std::nullopt;
        std::string value(static_cast<std::size_t>(size), '\0');
        const ssize_t n = ::lgetxattr(path, name.c_str(), value.data(), value.size());
        if (n < 0 && errno == ERANGE)
            continue;
        if (n < 0)
            return std::nullopt;
        value.resize(static_cast<std::size_t>(n));
        return value;
    }
}

// Labels of security modules belong to the system's policy, which sets them on a new file
// itself; every other attribute (ACLs among them) must come across exactly.
bool mustKeep(const std::string& name) { return !name.starts_with("security."); }

// The new file gets every extended attribute of the old one and no other (a folder's
// default ACL would otherwise give it an ACL the old one did not have).
WriteResult keepAttributes(int fd, const std::string& oldPath)
{
    const auto oldNames = attributeNames(-1, oldPath.c_str());
    const auto newNames = attributeNames(fd, nullptr);
    if (!oldNames || !newNames)
        return {WriteFailure::NotKept, errno};
    for (const std::string& name : *newNames) {
        if (std::find(oldNames->begin(), oldNames->end(), name) == oldNames->end()
            && ::fremovexattr(fd, name.c_str()) != 0 && mustKeep(name))
            return {WriteFailure::NotKept, errno};
    }
    for (const std::string& name : *oldNames) {
        const auto value = attributeValue(oldPath.c_str(), name);
        if (!value || ::fsetxattr(fd, name.c_str(), value->data(), value->size(), 0) != 0) {
            if (mustKeep(name))
                return {WriteFailure::NotKept, errno};
        }
    }
    return {};
}

// The new file is born now; its stored record keeps when the replaced one was made, so
// rewriting a file does not make it look new. Where the record cannot be stored the date
// shown falls back to the file system's, as it would for any file.
void keepCreationTime(int fd, const std::string& oldPath)
{
    const auto raw = attributeValue(oldPath.c_str(), kDosAttribName);
    const auto stored = raw
        ? parseDosAttrib(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(raw->data()), raw->size()))
        : std::nullopt;
    if (raw && (!stored || stored->createTime))
        return;  // copied with the other attributes, creation time and all (or not ours to read)
    struct statx sx;
    if (::statx(AT_FDCWD, oldPath.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME)) {
        DosAttrib record = stored.value_or(DosAttrib{});
        record.createTime = unixToFileTime(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec);
        const std::string bytes = encodeDosAttrib(record);
        ::fsetxattr(fd, kDosAttribName, bytes.data(), bytes.size(), 0);
    }
}

// Owner and group first (a change of owner clears the set-id bits), then the attributes
// (an ACL sets the group bits), then the mode.
WriteResult keepMetadata(int fd, const std::string& oldPath, const struct stat& old)
{
    struct stat now;
    if (::fstat(fd, &now) != 0)
        return failed(errno);
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) && ::fchown(fd, old.st_uid, old.st_gid) != 0)
        return {WriteFailure::NotKept, errno};
    if (const WriteResult kept = keepAttributes(fd, oldPath); !kept)
        return kept;
    if (::fchmod(fd, old.st_mode & 07777) != 0)
        return {WriteFailure::NotKept, errno};
    keepCreationTime(fd, oldPath);
    return {};
}

}  // namespace

namespace linux_fs {

std::unique_ptr<FileReader> openReaderAt(int folderFd, const char* name)
{
    struct stat st;
    const int fd = openRegularFile(folderFd, name, &st);
    if (fd < 0)
        return nullptr;
    return std::make_unique<FdReader>(fd, st);
}

std::unique_ptr<FileReader> readerOf(int fd)
{
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        return nullptr;
    }
    return std::make_unique<FdReader>(fd, st);
}

bool copyOpenFile(int in, const std::string& to, bool overwrite)
{
    struct stat st;
    if (in < 0 || to.empty() || ::fstat(in, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    struct stat target;
    if (::lstat(to.c_str(), &target) == 0 && (!overwrite || !mayReplace(to)))
        return false;
    ::fcntl(in, F_SETFL, ::fcntl(in, F_GETFL) & ~O_NONBLOCK);  // a copy is never cut short
    std::string temp;
    const int out = createBeside(to, &temp);
    if (out < 0)
        return false;
    ::fchmod(out, st.st_mode & 0777);
    bool ok = true;
    std::array<char, 128 * 1024> buf;
    for (;;) {
        const ssize_t n = ::read(in, buf.data(), buf.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (!writeAll(out, buf.data(), static_cast<std::size_t>(n))) {
            ok = false;
            break;
        }
    }
    if (!ok) {
        ::close(out);
        ::unlink(temp.c_str());
        return false;
    }
    return finishBeside(out, temp, to, overwrite ? Replace::Always : Replace::Never).ok();
}

std::string followFinalLinks(const std::string& path)
{
    std::string current = path;
    // As many links as the kernel itself follows in one path.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st;
        if (current.empty() || ::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::string target(static_cast<std::size_t>(st.st_size) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size())
            return path;  // it was changed while it was read, or cannot be read
        target.resize(static_cast<std::size_t>(n));
        if (target.front() != '/') {
            const std::string folder = parentFolder(current);
            target = (folder == "/" ? folder : folder + "/") + target;
        }
        current = std::move(target);
    }
    return path;
}

}  // namespace linux_fs

std::unique_ptr<FileReader> LinuxFileSystem::openRead(const std::string& path) const
{
    return path.empty() ? nullptr : openReaderAt(AT_FDCWD, path.c_str());
}

std::optional<std::string> LinuxFileSystem::readWholeFile(const std::string& path) const
{
    struct stat st;
    // Found through links: whole files read are the application folder's and the signature list.
    const int fd = path.empty() ? -1 : openRegularFile(AT_FDCWD, path.c_str(), &st, 0);
    if (fd < 0)
        return std::nullopt;
    FdReader reader(fd, st);
    // Read straight into place: the reader stops at the length the file had when opened.
    std::string content(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        const std::int64_t n = reader.read(
            std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(content.data()) + done, content.size() - done));
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;  // it was cut shorter since it was opened
        done += static_cast<std::size_t>(n);
    }
    content.resize(done);
    return content;
}

bool LinuxFileSystem::writeWholeFile(const std::string& path, std::string_view content)
{
    return rewriteWholeFile(path, content, {}).ok();
}

WriteResult LinuxFileSystem::rewriteWholeFile(const std::string& path, std::string_view content,
                                              const RewriteOptions& options)
{
    if (path.empty())
        return {WriteFailure::Other, ENOENT};
    const std::string target = options.throughLink ? followLinks(path) : path;
    struct stat old;
    const bool existed = ::lstat(target.c_str(), &old) == 0;
    if (!existed && errno != ENOENT)
        return failed(errno);
    if (!existed && options.expected)
        return {WriteFailure::Changed, ENOENT};  // it went away since it was read
    if (existed && !S_ISREG(old.st_mode))
        return {WriteFailure::NotAFile, 0};
    if (existed && isReadOnly(target, old))
        return {WriteFailure::ReadOnly, 0};
    std::string temp;
    const int fd = createBeside(target, &temp);
    if (fd < 0)
        return failed(errno);
    WriteResult result = existed ? keepMetadata(fd, target, old) : WriteResult{};
    if (result && !writeAll(fd, content.data(), content.size()))
        result = failed(errno);
    if (!result) {
        ::close(fd);
        ::unlink(temp.c_str());
        return result;
    }
    // The content is compared as late as can be, once the new file is complete: an editor
    // that saved meanwhile keeps its save. What is left open is the moment between this
    // check and the rename.
    return finishBeside(fd, temp, target, Replace::Always, [&]() -> WriteResult {
        if (m_beforeReplace)
            m_beforeReplace(target);
        if (!options.expected)
            return {};
        const auto now = openRead(target);
        struct stat st;
        if (!now || !options.expected->heldBy(*now) || ::lstat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)
            || (st.st_mode & 07777) != (old.st_mode & 07777) || st.st_uid != old.st_uid || st.st_gid != old.st_gid)
            return {WriteFailure::Changed, 0};
        return {};
    });
}

std::string LinuxFileSystem::followLinks(const std::string& path) const { return linux_fs::followFinalLinks(path); }

void LinuxFileSystem::setBeforeReplace(std::function<void(const std::string&)> hook)
{
    m_beforeReplace = std::move(hook);
}

bool LinuxFileSystem::copyFile(const std::string& from, const std::string& to, bool overwrite)
{
    struct stat st;
    const int in = to.empty() ? -1 : openRegularFile(from, &st);
    if (in < 0)
        return false;
    const bool ok = copyOpenFile(in, to, overwrite);
    ::close(in);
    return ok;
}

bool LinuxFileSystem::removeFile(const std::string& path)
{
    struct stat st;
    if (path.empty() || ::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    return ::unlink(path.c_str()) == 0;
}

bool LinuxFileSystem::createFolder(const std::string& path)
{
    if (path.empty())
        return false;
    if (::mkdir(path.c_str(), 0777) == 0)
        return true;
    struct stat st;
    return errno == EEXIST && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A file written beside its target is named "." + target + "." + pid "-" counter "-"
// random + ".part"; one whose writer no longer runs was cut short and is of no use.
void LinuxFileSystem::removeLeftovers(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const std::string prefix = folder == "/" ? folder : folder + "/";
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name(e->d_name);
        if (name.size() < 8 || name.front() != '.' || !name.ends_with(".part"))
            continue;
        const std::string_view stem = name.substr(0, name.size() - 5);
        // ".<target>.<pid>-<counter>-<random>": the pid follows the last '.' of the stem.
        const auto dot = stem.rfind('.');
        if (dot == std::string_view::npos || dot == 0)
            continue;
        const std::string_view tail = stem.substr(dot + 1);
        const auto dash1 = tail.find('-');
        const auto dash2 = dash1 == std::string_view::npos ? dash1 : tail.find('-', dash1 + 1);
        if (dash1 == 0 || dash2 == std::string_view::npos || dash2 == dash1 + 1 || dash2 + 1 == tail.size()
            || !std::all_of(tail.begin(), tail.end(), [](char c) {
                   return c == '-' || (c >= '0' && c <= '9');
               }))
            continue;
        long long pid = 0;
        for (char c : tail.substr(0, dash1)) {
            pid = pid * 10 + (c - '0');
            if (pid > 0x7FFFFFFF)
                break;
        }
        const bool writerRuns = pid > 0 && pid <= 0x7FFFFFFF
            && (pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
        if (writerRuns)
            continue;
        struct stat st;
        const std::string path = prefix + std::string(name);
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            ::unlink(path.c_str());
    }
    ::closedir(dir);
}

}  // namespace quenno::platform
