#pragma once
// A flat file system in memory: fuzz drivers run the file routines of the signature list
// thousands of times a second without touching the disk, and tests hand it to code that
// only reads and writes whole files. Folders are not kept: every path is a file or nothing.

#include "platform/FileSystem.h"

#include <map>

namespace quenno::test {

class MemoryFileSystem final : public platform::FileSystem {
public:
    std::map<std::string, std::string> files;  // full path -> content

    std::optional<std::vector<platform::DirEntry>> listFolder(const std::string& folder) const override;
    std::optional<platform::DirEntry> entry(const std::string& path) const override;
    std::unique_ptr<platform::FileReader> openRead(const std::string& path) const override;
    std::optional<std::string> readWholeFile(const std::string& path) const override;
    bool writeWholeFile(const std::string& path, std::string_view content) override;
    bool copyFile(const std::string& from, const std::string& to, bool overwrite) override;
    bool removeFile(const std::string& path) override;
    bool setAttributes(const std::string& path, std::uint32_t attributes) override;
    bool createFolder(const std::string& path) override;
    std::optional<std::chrono::system_clock::time_point> creationTime(const std::string& path) const override;
    bool exists(const std::string& path) const override;
    std::string applicationFolder() const override;
    std::string inApplicationFolder(std::string_view name) const override;
    char separator() const override;
};

}  // namespace quenno::test
