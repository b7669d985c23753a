#include "platform/Platform.h"

#include "LinuxAutostart.h"
#include "LinuxFileSystem.h"
#include "LinuxProcessTable.h"
#include "QtMediaPlayer.h"
#include "QtMoviePlayer.h"
#include "QtTray.h"

namespace quenno::platform {

struct NativePlatform::Parts {
    LinuxFileSystem files;
    LinuxProcessTable processes;
    QtTray tray;
    LinuxAutostart autostart;
};

NativePlatform::NativePlatform() : m_parts(std::make_unique<Parts>())
{
    m_platform.files = &m_parts->files;
    m_platform.processes = &m_parts->processes;
    m_platform.tray = &m_parts->tray;
    m_platform.autostart = &m_parts->autostart;
    m_platform.makeMoviePlayer = [] { return std::unique_ptr<MoviePlayer>(std::make_unique<QtMoviePlayer>()); };
    m_platform.makeMediaPlayer = [] { return std::unique_ptr<MediaPlayer>(std::make_unique<QtMediaPlayer>()); };
}

NativePlatform::~NativePlatform() = default;

} // namespace quenno::platform
