// Listing folders and holding them open for a walk.

#include "LinuxFileSystem.h"

#include "LinuxFsDetail.h"

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

class LinuxOpenFolder final : public OpenFolder {
public:
    LinuxOpenFolder(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    ~LinuxOpenFolder() override { ::close(m_fd); }
    LinuxOpenFolder(const LinuxOpenFolder&) = delete;
    LinuxOpenFolder& operator=(const LinuxOpenFolder&) = delete;

    std::optional<std::vector<DirEntry>> listForWalk() override
    {
        if (m_listed && ::lseek(m_fd, 0, SEEK_SET) != 0)
            return std::nullopt;
        m_listed = true;
        return listOpenFolder(m_fd, m_path, false);
    }

    std::unique_ptr<FileReader> openRead(std::string_view name) const override
    {
        if (name.empty() || name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos)
            return nullptr;
        return openReaderAt(m_fd, std::string(name).c_str());
    }

private:
    int m_fd;
    std::string m_path;
    bool m_listed = false;
};

} // namespace

namespace linux_fs {

std::optional<std::vector<DirEntry>> listOpenFolder(int folderFd, const std::string& folderPath, bool everyDetail)
{
    std::vector<DirEntry> entries;
    // One path buffer for the attribute reads; it stops growing after the longest name.
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
            if (xattrSupported && (S_ISDIR(st.st_mode) || (everyDetail && S_ISREG(st.st_mode)))) {
                path.resize(base);
                path.append(name);
                stored = readDosAttrib(path.c_str(), &xattrSupported);
            }
            entries.push_back(makeEntry(std::string(name), st, stored));
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return nameLess(a.name, b.name); });
    return entries;
}

} // namespace linux_fs

std::unique_ptr<OpenFolder> LinuxFileSystem::openFolder(const std::string& folder) const
{
    if (folder.empty())
        return nullptr;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    return std::make_unique<LinuxOpenFolder>(fd, folder);
}

} // namespace quenno::platform
