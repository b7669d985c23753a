#pragma once
// Wave playback with Qt Multimedia. Nothing of the sound system is touched until the first
// sound, and not at all when no sound server can be reached, so a program without audio
// neither waits nor prints complaints.

#include "platform/Sound.h"

#include <memory>

class QSoundEffect;

namespace quenno::platform {

class QtSound final : public Sound {
public:
    QtSound();
    ~QtSound() override;
    QtSound(const QtSound&) = delete;
    QtSound& operator=(const QtSound&) = delete;

    void play(const QString& path) override;

    // True when path names a readable RIFF/WAVE file.
    static bool looksLikeWave(const QString& path);

private:
    enum class Output { Unknown, Present, Absent };
    Output m_output = Output::Unknown;
    std::unique_ptr<QSoundEffect> m_effect;
};

} // namespace quenno::platform
