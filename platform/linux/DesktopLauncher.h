#pragma once
// Starts the desktop's programs: the browser for help, the default text editor for files
// to be edited by hand.

#include "platform/Launcher.h"

namespace quenno::platform {

class DesktopLauncher final : public Launcher {
public:
    bool openHelp(const QString& path) override;
    // The default program for text/plain (whatever the file's own extension), else a text
    // editor declared by an installed entry, else $VISUAL or $EDITOR in a terminal, else
    // the default program for the file.
    bool openTextEditor(const QString& path) override;
};

} // namespace quenno::platform
