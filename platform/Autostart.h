#pragma once
// Starting this program when the user logs on. An entry is addressed by its name (the
// executable's file name without extension); enabling writes it, disabling removes it.
// Every call answers failure by its result; nothing throws.

#include <string>

namespace quenno::platform {

class Autostart {
public:
    virtual ~Autostart() = default;
    // Full path of the running executable, as the log-on entry should start it.
    virtual std::string executablePath() const = 0;
    // Registers `exePath` to start at log-on under `name`, replacing an entry of that name.
    // False when the entry cannot be written or cannot express the path.
    virtual bool enable(const std::string& name, const std::string& exePath) = 0;
    // Removes the entry of that name. True when no such entry is left afterwards
    // (also when there was none); false when an existing entry cannot be removed.
    virtual bool disable(const std::string& name) = 0;
};

}  // namespace quenno::platform
