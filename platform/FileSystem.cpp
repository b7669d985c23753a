#include "FileSystem.h"

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

} // namespace

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
        const auto now = readWholeFile(target);
        if (!now || *now != *options.expected)
            return {WriteFailure::Changed, 0};
    }
    return writeWholeFile(target, content) ? WriteResult{} : WriteResult{WriteFailure::Other, 0};
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

} // namespace quenno::platform
