#pragma once
// A FileSystem that hands every call to another one. Tests derive from it and override
// the one call whose failure they want to show.

#include "platform/FileSystem.h"

namespace quenno::test {

class ForwardingFileSystem : public platform::FileSystem {
public:
    explicit ForwardingFileSystem(platform::FileSystem& inner) : m_inner(inner) { }

    std::optional<std::vector<platform::DirEntry>> listFolder(const std::string& folder) const override
    {
        return m_inner.listFolder(folder);
    }
    std::optional<platform::DirEntry> entry(const std::string& path) const override { return m_inner.entry(path); }
    std::unique_ptr<platform::FileReader> openRead(const std::string& path) const override
    {
        return m_inner.openRead(path);
    }
    std::optional<std::string> readWholeFile(const std::string& path) const override
    {
        return m_inner.readWholeFile(path);
    }
    bool writeWholeFile(const std::string& path, std::string_view content) override
    {
        return m_inner.writeWholeFile(path, content);
    }
    // rewriteWholeFile is not handed on: its default resolves the link and comes back to
    // writeWholeFile, so a stand-in that overrides writeWholeFile sees every write.
    std::string followLinks(const std::string& path) const override { return m_inner.followLinks(path); }
    bool copyFile(const std::string& from, const std::string& to, bool overwrite) override
    {
        return m_inner.copyFile(from, to, overwrite);
    }
    bool removeFile(const std::string& path) override { return m_inner.removeFile(path); }
    bool setAttributes(const std::string& path, std::uint32_t attributes) override
    {
        return m_inner.setAttributes(path, attributes);
    }
    bool createFolder(const std::string& path) override { return m_inner.createFolder(path); }
    bool forbidExecution(const std::string& path) override { return m_inner.forbidExecution(path); }
    std::optional<std::chrono::system_clock::time_point> creationTime(const std::string& path) const override
    {
        return m_inner.creationTime(path);
    }
    bool exists(const std::string& path) const override { return m_inner.exists(path); }
    std::string applicationFolder() const override { return m_inner.applicationFolder(); }
    std::string inApplicationFolder(std::string_view name) const override { return m_inner.inApplicationFolder(name); }
    std::string dataFolder() const override { return m_inner.dataFolder(); }
    std::string inDataFolder(std::string_view name) const override { return m_inner.inDataFolder(name); }
    char separator() const override { return m_inner.separator(); }

protected:
    platform::FileSystem& m_inner;
};

}  // namespace quenno::test
