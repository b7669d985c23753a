// Listing folders and holding them open for a walk.

#include "LinuxFileSystem.h"

#include "LinuxFsDetail.h"
#include "platform/AsciiCase.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace quenno::platform {

using namespace linux_fs;

namespace {

// Enough for a few hundred entries per system call.
constexpr std::size_t kListingBuffer = 32 * 1024;

bool isBareName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos
        && name.find('\0') == std::string_view::npos;
}

// A regular file held open with its folder. Removing it checks, just before the name goes,
// that the name still is this file.
class LinuxHeldFile final : public HeldFile {
public:
    LinuxHeldFile(int folderFd, int fd, std::string name) : m_folderFd(folderFd), m_fd(fd), m_name(std::move(name)) { }

    // The regular file name of the folder, never through a link; nullptr for anything else.
    static std::unique_ptr<HeldFile> open(int folderFd, const std::string& name)
    {
        // Looked at first, so that a FIFO or device put in its place is never opened.
        struct stat before;
        if (::fstatat(folderFd, name.c_str(), &before, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(before.st_mode))
            return nullptr;
        const int fd = ::openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        struct stat opened;
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)
            || !identityFrom(opened).sameObject(identityFrom(before))) {
            ::close(fd);
            return nullptr;
        }
        const int folder = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
        if (folder < 0) {
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<LinuxHeldFile>(folder, fd, name);
    }
    ~LinuxHeldFile() override
    {
        ::close(m_fd);
        ::close(m_folderFd);
    }
    LinuxHeldFile(const LinuxHeldFile&) = delete;
    LinuxHeldFile& operator=(const LinuxHeldFile&) = delete;

    FileIdentity identity() const override
    {
        struct stat st;
        return ::fstat(m_fd, &st) == 0 ? identityFrom(st) : FileIdentity{};
    }
    FileIdentity folderIdentity() const override
    {
        struct stat st;
        return ::fstat(m_folderFd, &st) == 0 ? identityFrom(st) : FileIdentity{};
    }
    std::unique_ptr<FileReader> reader() const override { return readerOf(fromStart()); }
    bool clearAttributes() override { return setAttributesOfOpenFile(m_fd, m_name, Attribute::Normal); }
    bool copyTo(const std::string& target) const override
    {
        const int fd = fromStart();
        const bool ok = copyOpenFile(fd, target, false);
        if (fd >= 0)
            ::close(fd);
        return ok;
    }
    bool remove() override
    {
        struct stat named;
        if (::fstatat(m_folderFd, m_name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0
            || !identityFrom(named).sameObject(identity()))
            return false;
        return ::unlinkat(m_folderFd, m_name.c_str(), 0) == 0;
    }

private:
    // A descriptor of its own, at the first byte (a duplicate shares where it stands).
    int fromStart() const
    {
        const int fd = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
        if (fd >= 0 && ::lseek(fd, 0, SEEK_SET) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }

    int m_folderFd;
    int m_fd;
    std::string m_name;
};

class LinuxOpenFolder final : public OpenFolder {
public:
    LinuxOpenFolder(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) { }
    ~LinuxOpenFolder() override { ::close(m_fd); }
    LinuxOpenFolder(const LinuxOpenFolder&) = delete;
    LinuxOpenFolder& operator=(const LinuxOpenFolder&) = delete;

    FileIdentity identity() const override
    {
        struct stat st;
        return ::fstat(m_fd, &st) == 0 ? identityFrom(st) : FileIdentity{};
    }

    std::optional<std::vector<DirEntry>> listForWalk() override
    {
        if (m_listed && ::lseek(m_fd, 0, SEEK_SET) != 0)
            return std::nullopt;
        m_listed = true;
        return listOpenFolder(m_fd, m_path, false);
    }

    std::unique_ptr<FileReader> openRead(std::string_view name) const override
    {
        if (!isBareName(name))
            return nullptr;
        return openReaderAt(m_fd, std::string(name).c_str());
    }

    std::optional<DirEntry> entry(std::string_view name) const override
    {
        struct stat st;
        if (!isBareName(name) || ::fstatat(m_fd, std::string(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return std::nullopt;
        return makeEntry(std::string(name), st, std::nullopt);
    }

    std::unique_ptr<OpenFolder> openFolder(std::string_view name) const override
    {
        if (!isBareName(name))
            return nullptr;
        const std::string bare(name);
        const int fd = ::openat(m_fd, bare.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        return std::make_unique<LinuxOpenFolder>(fd, (m_path.ends_with('/') ? m_path : m_path + '/') + bare);
    }

private:
    int m_fd;
    std::string m_path;
    bool m_listed = false;
};

}  // namespace

namespace linux_fs {

std::optional<std::vector<DirEntry>> listOpenFolder(int folderFd, const std::string& folderPath, bool everyDetail)
{
    std::vector<DirEntry> entries;
    // One path buffer for the files' attribute reads; it stops growing after the longest name.
    std::string path = folderPath;
    if (path.empty() || path.back() != '/')
        path.push_back('/');
    const std::size_t base = path.size();
    bool xattrSupported = true;
    const auto buffer = std::make_unique_for_overwrite<char[]>(kListingBuffer);
    for (;;) {
        const ssize_t got = ::getdents64(folderFd, buffer.get(), kListingBuffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            break;
        for (ssize_t at = 0; at < got;) {
            const auto* de = reinterpret_cast<const struct dirent64*>(buffer.get() + at);
            at += de->d_reclen;
            const std::string_view name(de->d_name);
            if (name == "." || name == "..")
                continue;
            // A walk needs only the kind of a file, which the listing already tells.
            if (!everyDetail && de->d_type != DT_DIR && de->d_type != DT_UNKNOWN) {
                DirEntry e;
                e.name = name;
                e.kind = de->d_type == DT_REG ? EntryKind::File : EntryKind::Other;
                entries.push_back(std::move(e));
                continue;
            }
            struct stat st;
            if (::fstatat(folderFd, de->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;  // gone since the folder was read
            std::optional<DosAttrib> stored;
            if (xattrSupported && S_ISDIR(st.st_mode)) {
                // Through the folder itself: its path may be past the limit, or lead
                // elsewhere by now.
                const int sub = ::openat(folderFd, de->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (sub >= 0) {
                    stored = readDosAttribOf(sub, &xattrSupported);
                    ::close(sub);
                }
            } else if (xattrSupported && everyDetail && S_ISREG(st.st_mode)) {
                path.resize(base);
                path.append(name);
                stored = readDosAttrib(path.c_str(), &xattrSupported);
            }
            entries.push_back(makeEntry(std::string(name), st, stored));
        }
    }
    std::sort(entries.begin(), entries.end(), [](const DirEntry& a, const DirEntry& b) {
        return lessIgnoringAsciiCase(a.name, b.name);
    });
    return entries;
}

}  // namespace linux_fs

std::unique_ptr<OpenFolder> LinuxFileSystem::openFolder(const std::string& folder) const
{
    if (folder.empty())
        return nullptr;
    const int fd = openFolderPath(folder);
    if (fd < 0)
        return nullptr;
    return std::make_unique<LinuxOpenFolder>(fd, folder);
}

std::unique_ptr<HeldFile> LinuxFileSystem::holdFile(const std::string& folder, std::string_view name)
{
    if (folder.empty() || !isBareName(name))
        return nullptr;
    const int fd = openFolderPath(folder);
    if (fd < 0)
        return nullptr;
    auto held = LinuxHeldFile::open(fd, std::string(name));
    ::close(fd);
    return held;
}

}  // namespace quenno::platform
