#pragma once
// A flat file system in memory: fuzz drivers run the file routines of the signature list
// thousands of times a second without touching the disk.

#include "platform/FileSystem.h"

#include <map>

namespace quenno::fuzz {

class MemoryFileSystem final : public platform::FileSystem {
public:
    std::map<std::string, std::string> files;

    std::optional<std::vector<platform::DirEntry>> listFolder(const std::string&) const override
    {
        return std::nullopt;
    }
    std::optional<platform::DirEntry> entry(const std::string& path) const override
    {
        const auto it = files.find(path);
        if (it == files.end())
            return std::nullopt;
        return platform::DirEntry{path, platform::EntryKind::File, it->second.size(), 0};
    }
    std::unique_ptr<platform::FileReader> openRead(const std::string&) const override { return nullptr; }
    std::optional<std::string> readWholeFile(const std::string& path) const override
    {
        const auto it = files.find(path);
        if (it == files.end())
            return std::nullopt;
        return it->second;
    }
    bool writeWholeFile(const std::string& path, std::string_view content) override
    {
        files[path] = std::string(content);
        return true;
    }
    bool copyFile(const std::string& from, const std::string& to, bool overwrite) override
    {
        const auto it = files.find(from);
        if (it == files.end() || (!overwrite && files.contains(to)))
            return false;
        files[to] = it->second;
        return true;
    }
    bool removeFile(const std::string& path) override { return files.erase(path) > 0; }
    bool setAttributes(const std::string& path, std::uint32_t) override { return files.contains(path); }
    bool createFolder(const std::string&) override { return true; }
    std::optional<std::chrono::system_clock::time_point> creationTime(const std::string& path) const override
    {
        if (!files.contains(path))
            return std::nullopt;
        return std::chrono::system_clock::time_point{};
    }
    bool exists(const std::string& path) const override { return files.contains(path); }
    std::string applicationFolder() const override { return "/app"; }
    std::string inApplicationFolder(std::string_view name) const override
    {
        std::string bare(name);
        while (!bare.empty() && (bare.front() == '/' || bare.front() == '\\'))
            bare.erase(bare.begin());
        return "/app/" + bare;
    }
    char separator() const override { return '/'; }
};

} // namespace quenno::fuzz
