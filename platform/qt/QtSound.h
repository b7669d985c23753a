#pragma once
// Wave playback with Qt Multimedia. Nothing of the sound system is touched until the first
// sound, and not at all when no sound server can be reached, so a program without audio
// neither waits nor prints complaints. Whether a server is there is the operating
// system's knowledge, handed in by the native platform.

#include "platform/Sound.h"

#include <functional>
#include <memory>

class QSoundEffect;

namespace quenno::platform {

class QtSound final : public Sound {
public:
    // serverReachable is asked once, before the first sound; without it Qt's list of
    // audio outputs alone decides.
    explicit QtSound(std::function<bool()> serverReachable = {});
    ~QtSound() override;
    QtSound(const QtSound&) = delete;
    QtSound& operator=(const QtSound&) = delete;

    void play(const QString& path) override;

    // True when path names a readable RIFF/WAVE file.
    static bool looksLikeWave(const QString& path);

private:
    enum class Output { Unknown, Present, Absent };
    std::function<bool()> m_serverReachable;
    Output m_output = Output::Unknown;
    std::unique_ptr<QSoundEffect> m_effect;
};

}  // namespace quenno::platform
