#pragma once
// The facilities one running program uses, handed to screens and routines by their
// constructors. Tests fill it with the real Linux implementations where they are safe
// and with small fakes where they are not.

#include "Autostart.h"
#include "Clock.h"
#include "EventPump.h"
#include "FileSystem.h"
#include "FolderDialog.h"
#include "Launcher.h"
#include "Media.h"
#include "MessageBoxes.h"
#include "ProcessTable.h"
#include "Registry.h"
#include "Sound.h"
#include "Tray.h"
#include "Volumes.h"

#include <functional>
#include <memory>

namespace quenno::platform {

struct Platform {
    FileSystem* files = nullptr;
    ProcessTable* processes = nullptr;
    Registry* registry = nullptr;
    Clock* clock = nullptr;
    EventPump* events = nullptr;
    Sound* sound = nullptr;
    MessageBoxes* messages = nullptr;
    FolderDialog* folders = nullptr;
    Launcher* launcher = nullptr;
    Tray* tray = nullptr;
    Autostart* autostart = nullptr;
    Volumes* volumes = nullptr;
    // Each screen that plays movies or music makes its own players.
    std::function<std::unique_ptr<MoviePlayer>()> makeMoviePlayer;
    std::function<std::unique_ptr<MediaPlayer>()> makeMediaPlayer;
};

// Owns the native implementation of every facility.
class NativePlatform {
public:
    NativePlatform();
    ~NativePlatform();
    NativePlatform(const NativePlatform&) = delete;
    NativePlatform& operator=(const NativePlatform&) = delete;
    const Platform& get() const { return m_platform; }

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
    Platform m_platform;
};

}  // namespace quenno::platform
