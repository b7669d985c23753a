#pragma once
// The registry on Linux: two files in the registry-export text format (see
// LinuxRegistryFile.h). Keys under HKEY_CURRENT_USER live in the user's configuration
// folder, keys under HKEY_LOCAL_MACHINE in a system-wide file that only an administrator
// may write, so a machine-wide write by a normal user is refused like on Windows. Other
// roots are refused.
//
// Every call reads the file afresh; a change is written beside the file and renamed over
// it. A file that cannot be understood is treated as empty and reported once; before it is
// first written over, it is copied beside itself ("registry.reg.damaged", ".damaged.2", ...).
// A file that exists but cannot be read is never written over.

#include "platform/Registry.h"

#include <QString>

#include <set>
#include <string>
#include <vector>

namespace quenno::platform {

namespace regfile { struct Document; }

class LinuxRegistry final : public Registry {
public:
    // The default places: $XDG_CONFIG_HOME/QuennoAV/registry.reg and /etc/QuennoAV/registry.reg.
    LinuxRegistry();
    LinuxRegistry(QString userFile, QString machineFile);
    ~LinuxRegistry() override;

    static QString defaultUserFile();
    static QString defaultMachineFile();

    bool writeString(const std::string& path, const std::string& data) override;
    bool writeDword(const std::string& path, std::uint32_t data) override;
    bool deleteValue(const std::string& path) override;
    std::optional<RegistryValue> readValue(const std::string& path) const override;
    std::string takeProblem() override;

private:
    struct Address;
    struct Loaded;
    std::optional<Address> address(const std::string& path) const;
    Loaded load(const QString& file) const;
    bool store(const QString& file, const Loaded& loaded, const regfile::Document& document);
    template <typename Change> bool change(const std::string& path, Change&& apply);

    QString m_userFile;
    QString m_machineFile;
    mutable std::set<QString> m_reported;
    mutable std::vector<std::string> m_problems;
};

} // namespace quenno::platform
