#pragma once
// Opens files in the desktop's default programs, as the desktop's own library (GIO) finds
// them in the installed desktop entries and the user's and system's MIME defaults.

#include "platform/Launcher.h"

namespace quenno::platform {

class LinuxLauncher final : public Launcher {
public:
    // The default program for the file's content type (a missing file is typed by its name).
    bool openHelp(const QString& path) override;
    // The default program for text/plain, whatever the file's own extension.
    bool openTextEditor(const QString& path) override;
};

}  // namespace quenno::platform
