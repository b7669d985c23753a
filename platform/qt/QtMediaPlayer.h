#pragma once
// Music through Qt Multimedia. A file that turns out not to be playable stays silent:
// the player's errors are not reported.

#include "platform/Media.h"

#include <memory>

class QAudioOutput;
class QMediaPlayer;

namespace quenno::platform {

class QtMediaPlayer final : public MediaPlayer {
public:
    QtMediaPlayer();
    ~QtMediaPlayer() override;
    QtMediaPlayer(const QtMediaPlayer&) = delete;
    QtMediaPlayer& operator=(const QtMediaPlayer&) = delete;

    // False when the path is not a readable file.
    bool open(const QString& path) override;
    // False when nothing was opened.
    bool play() override;
    void stop() override;

    bool playing() const;

private:
    std::unique_ptr<QAudioOutput> m_output;
    std::unique_ptr<QMediaPlayer> m_player;
};

}  // namespace quenno::platform
