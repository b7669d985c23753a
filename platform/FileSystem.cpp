#include "FileSystem.h"

#include <algorithm>
#include <cstring>

namespace quenno::platform {

namespace {

bool isBareName(std::string_view name, char separator)
{
    return !name.empty() && name != "." && name != ".." && name.find(separator) == std::string_view::npos;
}

// A folder reached by its path every time.
class PathFolder final : public OpenFolder {
public:
    PathFolder(const FileSystem& files, std::string folder) : m_files(files), m_folder(std::move(folder))
    {
        if (!m_folder.empty() && m_folder.back() != m_files.separator())
            m_folder.push_back(m_files.separator());
    }

    FileIdentity identity() const override
    {
        std::string self = m_folder;
        if (self.size() > 1)
            self.pop_back();
        const auto e = m_files.entry(self);
        if (!e || e->kind != EntryKind::Folder || (e->device == 0 && e->inode == 0))
            return {};
        return {e->device, e->inode, 0, 0, true};
    }

    std::optional<std::vector<DirEntry>> listForWalk() override { return m_files.listFolder(m_folder); }

    std::unique_ptr<FileReader> openRead(std::string_view name) const override
    {
        if (!isBareName(name, m_files.separator()))
            return nullptr;
        return m_files.openRead(m_folder + std::string(name));
    }

    std::optional<DirEntry> entry(std::string_view name) const override
    {
        if (!isBareName(name, m_files.separator()))
            return std::nullopt;
        return m_files.entry(m_folder + std::string(name));
    }

    std::unique_ptr<OpenFolder> openFolder(std::string_view name) const override
    {
        const auto e = entry(name);
        if (!e || e->kind != EntryKind::Folder)
            return nullptr;
        return std::make_unique<PathFolder>(m_files, m_folder + std::string(name));
    }

private:
    const FileSystem& m_files;
    std::string m_folder;
};

// A file reached by its path every time.
class PathHeldFile final : public HeldFile {
public:
    PathHeldFile(FileSystem& files, std::string folder, std::string path)
        : m_files(files), m_folder(std::move(folder)), m_path(std::move(path))
    {
    }
    FileIdentity identity() const override
    {
        const auto reader = m_files.openRead(m_path);
        return reader ? reader->identity() : FileIdentity{};
    }
    FileIdentity folderIdentity() const override { return PathFolder(m_files, m_folder).identity(); }
    std::unique_ptr<FileReader> reader() const override { return m_files.openRead(m_path); }
    bool clearAttributes() override { return m_files.setAttributes(m_path, Attribute::Normal); }
    bool copyTo(const std::string& target) const override { return m_files.copyFile(m_path, target, false); }
    bool remove() override { return m_files.removeFile(m_path); }

private:
    FileSystem& m_files;
    std::string m_folder;
    std::string m_path;
};

}  // namespace

std::unique_ptr<HeldFile> FileSystem::holdFile(const std::string& folder, std::string_view name)
{
    if (folder.empty() || !isBareName(name, separator()))
        return nullptr;
    std::string path = folder;
    if (path.back() != separator())
        path.push_back(separator());
    path.append(name);
    const auto e = entry(path);
    if (!e || e->kind != EntryKind::File)
        return nullptr;
    return std::make_unique<PathHeldFile>(*this, folder, std::move(path));
}

std::unique_ptr<OpenFolder> FileSystem::openFolder(const std::string& folder) const
{
    if (folder.empty())
        return nullptr;
    return std::make_unique<PathFolder>(*this, folder);
}

WriteResult FileSystem::rewriteWholeFile(const std::string& path, std::string_view content,
                                         const RewriteOptions& options)
{
    const std::string target = options.throughLink ? followLinks(path) : path;
    if (options.expected) {
        const auto now = openRead(target);
        if (!now || !options.expected->heldBy(*now))
            return {WriteFailure::Changed, 0};
    }
    if (writeWholeFile(target, content))
        return {};
    // Where the file system gives no reason of its own, say what its attributes show.
    const auto readOnly = [this](const std::string& at) {
        const auto e = entry(at);
        return e && (e->attributes & Attribute::ReadOnly) != 0;
    };
    if (readOnly(target))
        return {WriteFailure::ReadOnly, 0};
    const std::size_t cut = target.rfind(separator());
    if (cut != std::string::npos && readOnly(cut == 0 ? target.substr(0, 1) : target.substr(0, cut)))
        return {WriteFailure::NoPermission, 0};
    return {WriteFailure::Other, 0};
}

std::uint64_t ExpectedBytes::size() const
{
    std::uint64_t total = 0;
    for (const std::string_view piece : pieces)
        total += piece.size();
    return total;
}

bool ExpectedBytes::heldBy(FileReader& reader) const
{
    if (reader.length() - std::min(reader.length(), reader.position()) != size())
        return false;
    std::vector<std::uint8_t> block(64 * 1024);
    std::size_t piece = 0;
    std::size_t at = 0;  // within pieces[piece]
    for (;;) {
        const std::int64_t n = reader.read(block);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        for (std::size_t done = 0; done < static_cast<std::size_t>(n);) {
            while (piece < pieces.size() && at == pieces[piece].size()) {
                ++piece;
                at = 0;
            }
            if (piece == pieces.size())
                return false;  // it grew since it was opened
            const std::size_t step = std::min(static_cast<std::size_t>(n) - done, pieces[piece].size() - at);
            if (std::memcmp(block.data() + done, pieces[piece].data() + at, step) != 0)
                return false;
            done += step;
            at += step;
        }
    }
    while (piece < pieces.size() && at == pieces[piece].size()) {
        ++piece;
        at = 0;
    }
    return piece == pieces.size();
}

std::string DescribeWriteFailure(const WriteResult& result)
{
    switch (result.failure) {
    case WriteFailure::None:
        return "it was written";
    case WriteFailure::ReadOnly:
        return "the file is read-only";
    case WriteFailure::NoPermission:
        return "there is no permission to write in its folder";
    case WriteFailure::ReadOnlyFileSystem:
        return "its file system is read-only";
    case WriteFailure::NoSpace:
        return "the disk is full";
    case WriteFailure::NotAFile:
        return "it is not a regular file";
    case WriteFailure::NotKept:
        return "its owner, group or attributes could not be kept";
    case WriteFailure::Changed:
        return "it was changed by another program while it was being rewritten";
    case WriteFailure::Unreadable:
        return "it cannot be read";
    case WriteFailure::Other:
        break;
    }
    return result.error != 0 ? std::string(std::strerror(result.error)) : std::string("the write failed");
}

}  // namespace quenno::platform
