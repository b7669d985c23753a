#pragma once
// Movie and music players that log each call ("movie attach <area>", "movie play <path>",
// "movie stop", "music open <path>", "music play", "music stop") into one shared list, so
// that the order of movie and music is visible. The log also says whether they succeed.

#include "platform/Media.h"

#include <QStringList>

namespace quenno::test {

struct PlayerLog {
    QStringList calls;
    bool moviePlays = true;
    bool musicOpens = true;
};

class FakeMoviePlayer final : public platform::MoviePlayer {
public:
    explicit FakeMoviePlayer(PlayerLog& log) : m_log(log) { }
    void attach(QWidget* area) override;
    bool play(const QString& path) override;
    void stop() override;

private:
    PlayerLog& m_log;
};

class FakeMediaPlayer final : public platform::MediaPlayer {
public:
    explicit FakeMediaPlayer(PlayerLog& log) : m_log(log) { }
    bool open(const QString& path) override;
    bool play() override;
    void stop() override;

private:
    PlayerLog& m_log;
};

}  // namespace quenno::test
