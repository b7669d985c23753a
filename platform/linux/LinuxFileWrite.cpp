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
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
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
// followed. It stays without O_NONBLOCK's waiting, which reading a regular file ignores:
// that saves two system calls per file.
int openRegularFile(int folderFd, const char* name, struct stat* st)
{
    const int fd = ::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
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

// An existing target may be replaced only when it is a regular file that is not read-only.
bool mayReplace(const std::string& target)
{
    struct stat st;
    if (::lstat(target.c_str(), &st) != 0)
        return errno == ENOENT;
    if (!S_ISREG(st.st_mode))
        return false;
    const auto stored = readDosAttrib(target.c_str());
    return (attributesFrom(st, baseName(target), stored) & Attribute::ReadOnly) == 0;
}

enum class Replace { Always, Never };

// Flushes and closes the written temporary file and renames it onto the target; the
// temporary file is removed whatever fails.
bool finishBeside(int fd, const std::string& temp, const std::string& target, Replace replace)
{
    bool ok = ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) {
        if (replace == Replace::Always) {
            ok = ::rename(temp.c_str(), target.c_str()) == 0;
        } else {
            ok = ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0;
            if (!ok && (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP)) {
                // No such rename here: a hard link never replaces an existing name either.
                ok = ::link(temp.c_str(), target.c_str()) == 0;
                if (ok)
                    ::unlink(temp.c_str());
            }
        }
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    syncFolderOf(target);
    return true;
}

} // namespace

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
    return finishBeside(out, temp, to, overwrite ? Replace::Always : Replace::Never);
}

} // namespace linux_fs

std::unique_ptr<FileReader> LinuxFileSystem::openRead(const std::string& path) const
{
    return path.empty() ? nullptr : openReaderAt(AT_FDCWD, path.c_str());
}

std::optional<std::string> LinuxFileSystem::readWholeFile(const std::string& path) const
{
    struct stat st;
    const int fd = openRegularFile(path, &st);
    if (fd < 0)
        return std::nullopt;
    FdReader reader(fd, st);
    // Read straight into place: the reader stops at the length the file had when opened.
    std::string content(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        const std::int64_t n = reader.read(std::span<std::uint8_t>(
            reinterpret_cast<std::uint8_t*>(content.data()) + done, content.size() - done));
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
    if (path.empty() || !mayReplace(path))
        return false;
    std::string temp;
    const int fd = createBeside(path, &temp);
    if (fd < 0)
        return false;
    // The rewritten file keeps the permissions and stored attributes of the one it replaces.
    struct stat old;
    if (::lstat(path.c_str(), &old) == 0) {
        ::fchmod(fd, old.st_mode & 07777);
        std::array<char, 512> attr;
        const ssize_t n = ::lgetxattr(path.c_str(), kDosAttribName, attr.data(), attr.size());
        const auto stored = n > 0 ? parseDosAttrib(std::span<const std::uint8_t>(
                                        reinterpret_cast<const std::uint8_t*>(attr.data()), static_cast<std::size_t>(n)))
                                  : std::nullopt;
        if (n > 0 && (!stored || stored->createTime)) {
            ::fsetxattr(fd, kDosAttribName, attr.data(), static_cast<std::size_t>(n), 0);
        } else {
            // The new file is born now; the record keeps when the replaced one was made, so
            // rewriting a file does not make it look new.
            struct statx sx;
            if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &sx) == 0
                && (sx.stx_mask & STATX_BTIME)) {
                DosAttrib record = stored.value_or(DosAttrib{});
                record.createTime = unixToFileTime(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec);
                const std::string bytes = encodeDosAttrib(record);
                ::fsetxattr(fd, kDosAttribName, bytes.data(), bytes.size(), 0);
            }
        }
    }
    if (!writeAll(fd, content.data(), content.size())) {
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    return finishBeside(fd, temp, path, Replace::Always);
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
            || !std::all_of(tail.begin(), tail.end(), [](char c) { return c == '-' || (c >= '0' && c <= '9'); }))
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

} // namespace quenno::platform
