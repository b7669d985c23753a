#pragma once
// The file system on Linux. DOS attributes: hidden from a leading dot or the stored hidden
// bit; read-only, system and archive from the "user.DOSATTRIB" extended attribute (read-only
// also when the owner has no write permission). Symbolic links are never followed, except
// by followLinks, a rewrite asked to go through a link, and where the interface says so
// (the files of the application folder).

#include "platform/FileSystem.h"

#include <functional>

namespace quenno::platform {

class LinuxFileSystem final : public FileSystem {
public:
    // The application folder is the executable's folder unless one is given (tests).
    LinuxFileSystem();
    explicit LinuxFileSystem(std::string applicationFolder);

    std::optional<std::vector<DirEntry>> listFolder(const std::string& folder) const override;
    std::optional<DirEntry> entry(const std::string& path) const override;
    std::optional<DirEntry> linkedEntry(const std::string& path) const override;
    std::unique_ptr<FileReader> openRead(const std::string& path) const override;
    std::unique_ptr<OpenFolder> openFolder(const std::string& folder) const override;
    std::unique_ptr<HeldFile> holdFile(const std::string& folder, std::string_view name) override;
    std::optional<std::string> readWholeFile(const std::string& path) const override;
    bool writeWholeFile(const std::string& path, std::string_view content) override;
    WriteResult rewriteWholeFile(const std::string& path, std::string_view content,
                                 const RewriteOptions& options) override;
    std::string followLinks(const std::string& path) const override;
    bool copyFile(const std::string& from, const std::string& to, bool overwrite) override;
    bool removeFile(const std::string& path) override;
    bool setAttributes(const std::string& path, std::uint32_t attributes) override;
    bool createFolder(const std::string& path) override;
    bool forbidExecution(const std::string& path) override;
    void removeLeftovers(const std::string& folder) override;
    std::optional<std::chrono::system_clock::time_point> creationTime(const std::string& path) const override;
    bool exists(const std::string& path) const override;
    std::string applicationFolder() const override;
    std::string inApplicationFolder(std::string_view name) const override;
    // $XDG_DATA_HOME/QuennoAV (~/.local/share/QuennoAV) when the application folder cannot
    // be written; missing folders are made with mode 0700. A folder whose permissions grant
    // nobody write access counts as not writable even for root, who could write it anyway:
    // an installed folder stays as the package left it.
    std::string dataFolder() const override;
    std::string inDataFolder(std::string_view name) const override;
    char separator() const override { return '/'; }

    // For tests: runs when a rewrite's new content is complete beside the target, just
    // before the target is compared with what it held and replaced (another program's
    // save at that moment).
    void setBeforeReplace(std::function<void(const std::string& target)> hook);

private:
    std::string m_applicationFolder;
    std::function<void(const std::string&)> m_beforeReplace;
};

}  // namespace quenno::platform
