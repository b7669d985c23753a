#include "platform/Platform.h"

#include "LinuxAutostart.h"
#include "LinuxFileSystem.h"
#include "LinuxLauncher.h"
#include "LinuxProcessTable.h"
#include "LinuxRegistry.h"
#include "LinuxSoundServer.h"
#include "LinuxVolumes.h"
#include "platform/qt/QtEventPump.h"
#include "platform/qt/QtFolderDialog.h"
#include "platform/qt/QtMediaPlayer.h"
#include "platform/qt/QtMessageBoxes.h"
#include "platform/qt/QtMoviePlayer.h"
#include "platform/qt/QtSound.h"
#include "platform/qt/QtTray.h"

namespace quenno::platform {

struct NativePlatform::Parts {
    LinuxFileSystem files;
    LinuxProcessTable processes;
    LinuxRegistry registry;
    SystemClock clock;
    QtEventPump events;
    QtSound sound{&soundServerReachable};
    QtMessageBoxes messages;
    QtFolderDialog folders;
    LinuxLauncher launcher;
    QtTray tray;
    LinuxAutostart autostart;
    LinuxVolumes volumes;
};

NativePlatform::NativePlatform() : m_parts(std::make_unique<Parts>())
{
    m_platform.files = &m_parts->files;
    m_platform.processes = &m_parts->processes;
    m_platform.registry = &m_parts->registry;
    m_platform.clock = &m_parts->clock;
    m_platform.events = &m_parts->events;
    m_platform.sound = &m_parts->sound;
    m_platform.messages = &m_parts->messages;
    m_platform.folders = &m_parts->folders;
    m_platform.launcher = &m_parts->launcher;
    m_platform.tray = &m_parts->tray;
    m_platform.autostart = &m_parts->autostart;
    m_platform.volumes = &m_parts->volumes;
    m_platform.makeMoviePlayer = [] {
        return std::unique_ptr<MoviePlayer>(std::make_unique<QtMoviePlayer>());
    };
    m_platform.makeMediaPlayer = [] {
        return std::unique_ptr<MediaPlayer>(std::make_unique<QtMediaPlayer>());
    };
}

NativePlatform::~NativePlatform() = default;

}  // namespace quenno::platform
