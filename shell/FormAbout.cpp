#include "FormAbout.h"

#include "AppFiles.h"
#include "Art.h"

#include <QCloseEvent>

namespace quenno::shell {

namespace {

const QString kScreen = QStringLiteral("FormAbout");

Picture* picture(QWidget* parent, const char* name, QPoint pos, QSize size)
{
    return new Picture(parent, QString::fromLatin1(name), art(kScreen, QString::fromLatin1(name)), pos, size);
}

}  // namespace

FormAbout::FormAbout(const platform::Platform& platform)
    : Form(platform, kScreen, QStringLiteral("About Quenno"), QSize(327, 431), TitleButtons::None)
{
    // Made from the bottom of the stack up; the movie area is a window of its own and lies
    // above every picture.
    m_image2 = picture(this, "Image2", {0, 0}, {327, 434});
    m_image1 = picture(this, "Image1", {0, 0}, {327, 434});
    m_copy = picture(this, "IAboutCopy", {5, 267}, {320, 163});
    m_credits.rest = picture(this, "IAboutCredits", {24, 384}, {104, 33});
    m_ok.rest = picture(this, "IAboutOk", {199, 384}, {104, 32});
    m_credits.hover = picture(this, "IAboutCreditsb", {24, 384}, {103, 32});
    m_ok.hover = picture(this, "IAboutOkb", {199, 384}, {103, 32});

    m_movieArea = new QWidget(this);
    m_movieArea->setObjectName(QStringLiteral("ShockwaveFlash1"));
    m_movieArea->setGeometry(16, 304, 185, 113);
    m_movieArea->setAutoFillBackground(true);
    QPalette palette = m_movieArea->palette();
    palette.setColor(QPalette::Window, Qt::black);
    m_movieArea->setPalette(palette);

    connect(m_credits.rest, &Picture::MouseMove, this, &FormAbout::IAboutCredits_MouseMove);
    connect(m_ok.rest, &Picture::MouseMove, this, &FormAbout::IAboutOk_MouseMove);
    connect(m_image1, &Picture::MouseMove, this, &FormAbout::Image1_MouseMove);
    connect(m_copy, &Picture::MouseMove, this, &FormAbout::IAboutCopy_MouseMove);
    connect(m_image2, &Picture::MouseMove, this, &FormAbout::Image2_MouseMove);
    connect(m_credits.hover, &Picture::Click, this, &FormAbout::IAboutCreditsb_Click);
    connect(m_ok.hover, &Picture::Click, this, &FormAbout::IAboutOkb_Click);

    setWindowIcon(shell::windowIcon());
    Form_Load();
}

FormAbout::~FormAbout() { stopPlayers(); }

void FormAbout::Form_Load()
{
    m_credits.toRest();
    m_ok.toRest();
    m_copy->show();
    m_image1->show();
    m_image2->hide();
    m_movieArea->hide();
}

void FormAbout::IAboutCreditsb_Click()
{
    if (m_inCredits)
        return;
    m_inCredits = true;
    m_image2->show();
    m_image1->hide();
    m_copy->hide();
    m_movieArea->show();
    m_ok.toRest();
    m_credits.rest->hide();
    m_credits.hover->hide();

    // The movie starts before the music; either may fail without a word.
    if (m_platform.makeMoviePlayer) {
        m_movie = m_platform.makeMoviePlayer();
        if (m_movie) {
            m_movie->attach(m_movieArea);
            m_movie->play(appPath(appfiles::CreditsMovie));
        }
    }
    if (m_platform.makeMediaPlayer) {
        m_music = m_platform.makeMediaPlayer();
        if (m_music && m_music->open(appPath(appfiles::CreditsMusic)))
            m_music->play();
    }
}

void FormAbout::IAboutOkb_Click() { close(); }

void FormAbout::IAboutCredits_MouseMove() { Enter(m_credits); }

void FormAbout::IAboutOk_MouseMove() { Enter(m_ok); }

void FormAbout::Image1_MouseMove() { Reset({&m_credits, &m_ok}); }

void FormAbout::IAboutCopy_MouseMove() { Reset({&m_credits, &m_ok}); }

// Only seen in credits mode, where the Credits button is gone for good.
void FormAbout::Image2_MouseMove()
{
    m_ok.toRest();
    m_credits.rest->hide();
    m_credits.hover->hide();
}

void FormAbout::closeEvent(QCloseEvent* event)
{
    stopPlayers();
    Form::closeEvent(event);
}

void FormAbout::stopPlayers()
{
    if (m_movie)
        m_movie->stop();
    if (m_music)
        m_music->stop();
}

}  // namespace quenno::shell
