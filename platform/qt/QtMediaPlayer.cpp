#include "QtMediaPlayer.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

namespace quenno::platform {

QtMediaPlayer::QtMediaPlayer() = default;

QtMediaPlayer::~QtMediaPlayer()
{
    stop();
    m_player.reset();  // before the output it plays into
}

bool QtMediaPlayer::open(const QString& path)
{
    stop();
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return false;
    if (!m_player) {
        m_output = std::make_unique<QAudioOutput>();
        m_player = std::make_unique<QMediaPlayer>();
        m_player->setAudioOutput(m_output.get());
    }
    m_player->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
    return true;
}

bool QtMediaPlayer::play()
{
    if (!m_player || m_player->source().isEmpty())
        return false;
    m_player->play();
    return true;
}

void QtMediaPlayer::stop()
{
    if (m_player)
        m_player->stop();
}

bool QtMediaPlayer::playing() const { return m_player && m_player->playbackState() == QMediaPlayer::PlayingState; }

}  // namespace quenno::platform
