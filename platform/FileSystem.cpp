#include "FileSystem.h"

namespace quenno::platform {

namespace {

// A folder reached by its path every time.
class PathFolder final : public OpenFolder {
public:
    PathFolder(const FileSystem& files, std::string folder) : m_files(files), m_folder(std::move(folder))
    {
        if (!m_folder.empty() && m_folder.back() != m_files.separator())
            m_folder.push_back(m_files.separator());
    }

    std::optional<std::vector<DirEntry>> listForWalk() override { return m_files.listFolder(m_folder); }

    std::unique_ptr<FileReader> openRead(std::string_view name) const override
    {
        if (name.empty() || name.find(m_files.separator()) != std::string_view::npos)
            return nullptr;
        return m_files.openRead(m_folder + std::string(name));
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

} // namespace quenno::platform
