#include "QtMoviePlayer.h"

#include <QLabel>
#include <QMovie>

namespace quenno::platform {

QtMoviePlayer::~QtMoviePlayer() { stop(); }

void QtMoviePlayer::attach(QWidget* area)
{
    stop();
    m_area = area;
}

bool QtMoviePlayer::play(const QString& path)
{
    stop();
    QWidget* area = m_area.data();
    if (!area)
        return false;
    auto* label = new QLabel(area);
    auto* movie = new QMovie(path, QByteArray(), label);
    if (!movie->isValid() || !movie->jumpToFrame(0)) {
        delete label;
        return false;
    }
    const QSize frame = movie->currentImage().size();
    if (!frame.isEmpty())
        movie->setScaledSize(frame.scaled(area->size(), Qt::KeepAspectRatio));
    // Looping forever, whatever loop count the file carries.
    if (movie->frameCount() != 1)
        QObject::connect(movie, &QMovie::finished, movie, &QMovie::start, Qt::QueuedConnection);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(area->rect());
    label->setMovie(movie);
    label->show();
    movie->start();
    m_label = label;
    return true;
}

void QtMoviePlayer::stop()
{
    if (!m_label)
        return;
    if (QMovie* current = m_label->movie())
        current->stop();
    delete m_label.data();
}

QMovie* QtMoviePlayer::movie() const { return m_label ? m_label->movie() : nullptr; }

}  // namespace quenno::platform
