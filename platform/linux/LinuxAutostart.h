#pragma once
// Log-on start through the freedesktop autostart folder: "<name>.desktop" in
// $XDG_CONFIG_HOME/autostart (~/.config/autostart when the variable is unset or not an
// absolute path). A session starts every entry of that folder by its Exec line.

#include "platform/Autostart.h"

#include <optional>
#include <string>

namespace quenno::platform {

class LinuxAutostart final : public Autostart {
public:
    std::string executablePath() const override;
    bool enable(const std::string& name, const std::string& exePath) override;
    bool disable(const std::string& name) override;

    // The autostart folder as the environment names it now.
    static std::string folder();
    // The entry's text, or nullopt when the name or path cannot be written into one
    // (not UTF-8, a relative path, a name holding "/").
    static std::optional<std::string> entryText(const std::string& name, const std::string& exePath);
};

}  // namespace quenno::platform
