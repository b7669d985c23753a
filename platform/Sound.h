#pragma once
#include <QString>

namespace quenno::platform {

// Asynchronous wave playback: returns at once, a new sound replaces the one playing,
// a missing or unplayable file gives silence (never an error, never a delay).
class Sound {
public:
    virtual ~Sound() = default;
    virtual void play(const QString& path) = 0;
};

}  // namespace quenno::platform
