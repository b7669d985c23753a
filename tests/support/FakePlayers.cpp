#include "FakePlayers.h"

#include <QWidget>

namespace quenno::test {

void FakeMoviePlayer::attach(QWidget* area)
{
    m_log.calls << "movie attach " + (area ? area->objectName() : QStringLiteral("-"));
}

bool FakeMoviePlayer::play(const QString& path)
{
    m_log.calls << "movie play " + path;
    return m_log.moviePlays;
}

void FakeMoviePlayer::stop() { m_log.calls << "movie stop"; }

bool FakeMediaPlayer::open(const QString& path)
{
    m_log.calls << "music open " + path;
    return m_log.musicOpens;
}

bool FakeMediaPlayer::play()
{
    m_log.calls << "music play";
    return true;
}

void FakeMediaPlayer::stop() { m_log.calls << "music stop"; }

}  // namespace quenno::test
