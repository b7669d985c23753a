#pragma once
// The credits movie: an animated picture (any format Qt's animation player reads,
// whatever the file's extension) drawn in a label that fills the host area, scaled to
// show the whole frame, and started again whenever it ends.

#include "platform/Media.h"

#include <QPointer>

class QLabel;
class QMovie;

namespace quenno::platform {

class QtMoviePlayer final : public MoviePlayer {
public:
    QtMoviePlayer() = default;
    ~QtMoviePlayer() override;
    QtMoviePlayer(const QtMoviePlayer&) = delete;
    QtMoviePlayer& operator=(const QtMoviePlayer&) = delete;

    void attach(QWidget* area) override;
    bool play(const QString& path) override;
    void stop() override;

    // The movie while it plays (for tests), else nullptr.
    QMovie* movie() const;

private:
    QPointer<QWidget> m_area;
    QPointer<QLabel> m_label;  // owned by the area; it owns the movie
};

}  // namespace quenno::platform
