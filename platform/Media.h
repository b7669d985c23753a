#pragma once
#include <QString>

class QWidget;

namespace quenno::platform {

// Plays a looping movie inside a host widget's area.
class MoviePlayer {
public:
    virtual ~MoviePlayer() = default;
    virtual void attach(QWidget* area) = 0;  // where frames are drawn
    virtual bool play(const QString& path) = 0;  // false when the file cannot be played
    virtual void stop() = 0;
};

// Plays a music file once, asynchronously.
class MediaPlayer {
public:
    virtual ~MediaPlayer() = default;
    virtual bool open(const QString& path) = 0;
    virtual bool play() = 0;
    virtual void stop() = 0;
};

}  // namespace quenno::platform
