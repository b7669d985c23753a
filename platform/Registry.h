#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace quenno::platform {

struct RegistryValue {
    enum class Type { String, Dword };
    Type type = Type::String;
    std::string text;  // String values (UTF-8)
    std::uint32_t dword = 0;  // Dword values
};

// Values addressed by one path: root "\" key "\" value name. Roots may be written long
// ("HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE") or short ("HKCU", "HKLM").
class Registry {
public:
    virtual ~Registry() = default;
    // Create the value and its key when absent. False when the store refuses the write.
    virtual bool writeString(const std::string& path, const std::string& data) = 0;
    virtual bool writeDword(const std::string& path, std::uint32_t data) = 0;
    // False when the value does not exist or the store refuses.
    virtual bool deleteValue(const std::string& path) = 0;
    enum class Removal { Removed, NoneThere, Refused };
    // As deleteValue, telling a value that is not there from a store that refuses. A store
    // that can tell in one go overrides it; this asks first.
    virtual Removal removeValue(const std::string& path)
    {
        if (!readValue(path))
            return Removal::NoneThere;
        return deleteValue(path) ? Removal::Removed : Removal::Refused;
    }
    virtual std::optional<RegistryValue> readValue(const std::string& path) const = 0;
    // A problem with the store the user should hear about once (lines of the store that
    // cannot be read, a store that cannot be written), or "" when there is nothing new to
    // tell. Reading it clears it.
    virtual std::string takeProblem() { return {}; }
};

}  // namespace quenno::platform
