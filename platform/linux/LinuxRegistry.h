#pragma once
// The registry on Linux: two files in the registry-export text format (see
// LinuxRegistryFile.h). Keys under HKEY_CURRENT_USER live in the user's configuration
// folder, keys under HKEY_LOCAL_MACHINE in a system-wide file that only an administrator
// may write, so a machine-wide write by a normal user is refused like on Windows. Other
// roots are refused.
//
// Every call reads the file afresh. A change edits only the lines of the value it names
// (see regfile::StoreFile): people write these files by hand, and their comments, layout
// and lines we cannot read stay as they are. Lines that cannot be read are reported once
// and passed over. The edited file is written beside the old one and renamed over it
// (FileSystem::writeWholeFile); when another program changed the file meanwhile, the edit
// is made again on its new content. A file that exists but cannot be read, or is larger
// than any store, is never written over. A symbolic link is followed to the file it names.

#include "platform/FileSystem.h"
#include "platform/Registry.h"

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quenno::platform {

namespace regfile {
class StoreFile;
}

class LinuxRegistry final : public Registry {
public:
    // The default places: $XDG_CONFIG_HOME/QuennoAV/registry.reg and /etc/QuennoAV/registry.reg.
    LinuxRegistry();
    // The files are read and written through files (the real file system when null).
    LinuxRegistry(std::string userFile, std::string machineFile, FileSystem* files = nullptr);
    ~LinuxRegistry() override;

    static std::string defaultUserFile();
    static std::string defaultMachineFile();

    bool writeString(const std::string& path, const std::string& data) override;
    bool writeDword(const std::string& path, std::uint32_t data) override;
    bool deleteValue(const std::string& path) override;
    // One reading of the store: the off click on a large store costs what the on click does.
    Removal removeValue(const std::string& path) override;
    std::optional<RegistryValue> readValue(const std::string& path) const override;
    std::string takeProblem() override;

private:
    struct Address;
    struct Loaded;
    std::optional<Address> address(const std::string& path) const;
    Loaded load(const std::string& file) const;
    void report(const std::string& file, const Loaded& loaded) const;
    template<typename Change> bool change(const std::string& path, Change&& edit);

    std::string m_userFile;
    std::string m_machineFile;
    std::unique_ptr<FileSystem> m_ownFiles;
    FileSystem* m_files;
    mutable std::set<std::string> m_reported;  // file and problem, each told once
    mutable std::vector<std::string> m_problems;
};

}  // namespace quenno::platform
