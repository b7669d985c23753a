#include "MemoryFileSystem.h"

#include <algorithm>

namespace quenno::test {

std::optional<std::vector<platform::DirEntry>> MemoryFileSystem::listFolder(const std::string&) const
{
    return std::nullopt;
}

std::optional<platform::DirEntry> MemoryFileSystem::entry(const std::string& path) const
{
    const auto it = files.find(path);
    if (it == files.end())
        return std::nullopt;
    return platform::DirEntry{path, platform::EntryKind::File, it->second.size(), 0};
}

namespace {

// Reads a copy of the content taken when it was opened, as a real file's reader keeps the
// file it opened.
class MemoryReader final : public platform::FileReader {
public:
    explicit MemoryReader(std::string content) : m_content(std::move(content)) { }
    std::int64_t read(std::span<std::uint8_t> buffer) override
    {
        const std::size_t n = std::min(buffer.size(), m_content.size() - m_at);
        std::copy_n(m_content.data() + m_at, n, reinterpret_cast<char*>(buffer.data()));
        m_at += n;
        return static_cast<std::int64_t>(n);
    }
    std::uint64_t length() const override { return m_content.size(); }
    std::uint64_t position() const override { return m_at; }

private:
    std::string m_content;
    std::size_t m_at = 0;
};

}  // namespace

std::unique_ptr<platform::FileReader> MemoryFileSystem::openRead(const std::string& path) const
{
    const auto it = files.find(path);
    if (it == files.end())
        return nullptr;
    return std::make_unique<MemoryReader>(it->second);
}

std::optional<std::string> MemoryFileSystem::readWholeFile(const std::string& path) const
{
    const auto it = files.find(path);
    if (it == files.end())
        return std::nullopt;
    return it->second;
}

bool MemoryFileSystem::writeWholeFile(const std::string& path, std::string_view content)
{
    files[path] = std::string(content);
    return true;
}

bool MemoryFileSystem::copyFile(const std::string& from, const std::string& to, bool overwrite)
{
    const auto it = files.find(from);
    if (it == files.end() || (!overwrite && files.contains(to)))
        return false;
    files[to] = it->second;
    return true;
}

bool MemoryFileSystem::removeFile(const std::string& path) { return files.erase(path) > 0; }

bool MemoryFileSystem::setAttributes(const std::string& path, std::uint32_t) { return files.contains(path); }

bool MemoryFileSystem::createFolder(const std::string&) { return true; }

std::optional<std::chrono::system_clock::time_point> MemoryFileSystem::creationTime(const std::string& path) const
{
    if (!files.contains(path))
        return std::nullopt;
    return std::chrono::system_clock::time_point{};
}

bool MemoryFileSystem::exists(const std::string& path) const { return files.contains(path); }

std::string MemoryFileSystem::applicationFolder() const { return "/app"; }

std::string MemoryFileSystem::inApplicationFolder(std::string_view name) const
{
    std::string bare(name);
    while (!bare.empty() && (bare.front() == '/' || bare.front() == '\\'))
        bare.erase(bare.begin());
    return "/app/" + bare;
}

char MemoryFileSystem::separator() const { return '/'; }

}  // namespace quenno::test
