// The About screen: opening steps, Credits (movie, then music, silent failures), OK,
// the hover resets of both backgrounds, and a fresh start after closing.

#include "platform/linux/LinuxFileSystem.h"
#include "platform/qt/QtMediaPlayer.h"
#include "platform/qt/QtMoviePlayer.h"
#include "shell/AppFiles.h"
#include "shell/FormAbout.h"
#include "shell/ScreenManager.h"
#include "tests/support/FakePlatform.h"

#include <QFile>
#include <QLabel>
#include <QMovie>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

using namespace quenno;
using shell::FormAbout;
using shell::Picture;

namespace {

const QStringList kControls
    = {"Image1", "Image2", "IAboutCopy", "IAboutCredits", "IAboutCreditsb", "IAboutOk", "IAboutOkb", "ShockwaveFlash1"};
const QStringList kNormal = {"Image1", "IAboutCopy", "IAboutCredits", "IAboutOk"};
const QStringList kCredits = {"Image2", "IAboutOk", "ShockwaveFlash1"};

QStringList visibleControls(const QWidget* form)
{
    QStringList names;
    for (const QString& name : kControls) {
        const auto* control = form->findChild<QWidget*>(name);
        if (control && control->isVisibleTo(form))
            names << name;
    }
    return names;
}

Picture* pictureOf(const QWidget* form, const QString& name) { return form->findChild<Picture*>(name); }

void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

}  // namespace

class TestAbout : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_app;
    std::unique_ptr<platform::LinuxFileSystem> m_files;
    test::FakePlatform m_fake;

    QString inApp(const QString& name) const { return m_app.path() + "/" + name; }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_app.isValid());
        m_files = std::make_unique<platform::LinuxFileSystem>(QFile::encodeName(m_app.path()).toStdString());
    }
    void init()
    {
        m_fake.reset();
        m_fake.platform.files = m_files.get();
        for (const char* name : {shell::appfiles::CreditsMovie, shell::appfiles::CreditsMusic})
            QFile::remove(inApp(name));
    }

    void opensInNormalMode()
    {
        FormAbout form(m_fake.platform);
        QCOMPARE(form.windowTitle(), QString("About Quenno"));
        QCOMPARE(form.size(), QSize(327, 431));
        QVERIFY(!(form.windowFlags()
                  & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(visibleControls(&form), kNormal);
        QCOMPARE(form.movieArea()->geometry(), QRect(16, 304, 185, 113));
        QVERIFY(m_fake.players.calls.isEmpty());
    }

    // The movie is started before the music; a player that fails stays silent.
    void creditsStartsMovieThenMusic_data()
    {
        QTest::addColumn<bool>("moviePlays");
        QTest::addColumn<bool>("musicOpens");
        QTest::addColumn<QStringList>("calls");
        const QString movie = "movie play " + inApp(shell::appfiles::CreditsMovie);
        const QString music = "music open " + inApp(shell::appfiles::CreditsMusic);
        QTest::newRow("both play") << true << true
                                   << QStringList{"movie attach ShockwaveFlash1", movie, music, "music play"};
        QTest::newRow("movie fails") << false << true
                                     << QStringList{"movie attach ShockwaveFlash1", movie, music, "music play"};
        QTest::newRow("music does not open")
            << true << false << QStringList{"movie attach ShockwaveFlash1", movie, music};
    }
    void creditsStartsMovieThenMusic()
    {
        QFETCH(bool, moviePlays);
        QFETCH(bool, musicOpens);
        QFETCH(QStringList, calls);
        m_fake.players.moviePlays = moviePlays;
        m_fake.players.musicOpens = musicOpens;
        FormAbout form(m_fake.platform);
        form.show();
        QTest::mouseClick(pictureOf(&form, "IAboutCreditsb"), Qt::LeftButton);
        QVERIFY(form.inCredits());
        QCOMPARE(visibleControls(&form), kCredits);
        QCOMPARE(m_fake.players.calls, calls);
        QVERIFY(m_fake.messages.texts.isEmpty());
    }

    // The Linux players with the credits files present, missing or not playable.
    void creditsWithRealPlayers_data()
    {
        QTest::addColumn<QString>("movieFile");
        QTest::addColumn<bool>("musicPresent");
        QTest::addColumn<bool>("moviePlays");
        QTest::newRow("movie and music") << QString(QUENNO_TEST_DATA "/agent/credits-plays-once.gif") << true << true;
        QTest::newRow("both missing") << QString() << false << false;
        QTest::newRow("movie not a movie") << QString(QUENNO_TEST_DATA "/db-three-records.db") << true << false;
    }
    void creditsWithRealPlayers()
    {
        QFETCH(QString, movieFile);
        QFETCH(bool, musicPresent);
        QFETCH(bool, moviePlays);
        if (!movieFile.isEmpty())
            QVERIFY(QFile::copy(movieFile, inApp(shell::appfiles::CreditsMovie)));
        if (musicPresent) {
            QFile music(inApp(shell::appfiles::CreditsMusic));
            QVERIFY(music.open(QIODevice::WriteOnly));
            music.write("not really music");
        }
        platform::QtMoviePlayer* moviePlayer = nullptr;
        m_fake.platform.makeMoviePlayer = [&moviePlayer] {
            auto player = std::make_unique<platform::QtMoviePlayer>();
            moviePlayer = player.get();
            return std::unique_ptr<platform::MoviePlayer>(std::move(player));
        };
        m_fake.platform.makeMediaPlayer = [] {
            return std::unique_ptr<platform::MediaPlayer>(std::make_unique<platform::QtMediaPlayer>());
        };

        QPointer<FormAbout> form = new FormAbout(m_fake.platform);
        form->show();
        form->IAboutCreditsb_Click();
        QCOMPARE(visibleControls(form), kCredits);
        QVERIFY(moviePlayer);
        QCOMPARE(moviePlayer->movie() != nullptr, moviePlays);
        if (moviePlays) {
            QMovie* movie = moviePlayer->movie();
            const auto* label = form->movieArea()->findChild<QLabel*>();
            QVERIFY(label && label->isVisibleTo(form));
            QCOMPARE(label->geometry(), QRect(0, 0, 185, 113));
            // Two frames of 20 ms, played once by the file's own count: still running
            // long after its end means it loops.
            QTest::qWait(300);
            QCOMPARE(movie->state(), QMovie::Running);
        }
        form->close();
        settle();
        QVERIFY(!form);
        QVERIFY(m_fake.messages.texts.isEmpty());
    }

    void okClosesAndStopsBothPlayers()
    {
        QPointer<FormAbout> form = new FormAbout(m_fake.platform);
        form->show();
        form->IAboutCreditsb_Click();
        m_fake.players.calls.clear();
        QTest::mouseClick(pictureOf(form, "IAboutOkb"), Qt::LeftButton);
        settle();
        QVERIFY(!form);
        QCOMPARE(m_fake.players.calls.mid(0, 2), (QStringList{"movie stop", "music stop"}));
    }

    void reopenedAfterCreditsStartsInNormalMode()
    {
        shell::ScreenManager screens;
        screens.registerScreen(shell::ScreenId::FormAbout, [this] {
            return new FormAbout(m_fake.platform);
        });
        auto* first = qobject_cast<FormAbout*>(screens.open(shell::ScreenId::FormAbout));
        QVERIFY(first);
        first->IAboutCreditsb_Click();
        first->IAboutOkb_Click();
        settle();
        QVERIFY(!screens.find(shell::ScreenId::FormAbout));
        auto* second = qobject_cast<FormAbout*>(screens.open(shell::ScreenId::FormAbout));
        QVERIFY(second);
        QVERIFY(!second->inCredits());
        QCOMPARE(visibleControls(second), kNormal);
        second->close();
        settle();
    }

    // Pointer movement over the named pictures, in order; "Credits!" clicks Credits.
    void hover_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("visible");
        QTest::addColumn<int>("sounds");
        QTest::newRow("Credits lights") << QStringList{"IAboutCredits"}
                                        << QStringList{"Image1", "IAboutCopy", "IAboutCreditsb", "IAboutOk"} << 1;
        QTest::newRow("OK lights") << QStringList{"IAboutOk"}
                                   << QStringList{"Image1", "IAboutCopy", "IAboutCredits", "IAboutOkb"} << 1;
        QTest::newRow("Image1 puts both to rest") << QStringList{"IAboutCredits", "IAboutOk", "Image1"} << kNormal << 2;
        QTest::newRow("panel puts both to rest")
            << QStringList{"IAboutOk", "IAboutCredits", "IAboutCopy"} << kNormal << 2;
        QTest::newRow("credits background keeps Credits away")
            << QStringList{"IAboutCredits", "Credits!", "IAboutOk", "Image2"} << kCredits << 2;
        QTest::newRow("OK lights in credits mode") << QStringList{"IAboutCredits", "Credits!", "IAboutOk"}
                                                   << QStringList{"Image2", "IAboutOkb", "ShockwaveFlash1"} << 2;
    }
    void hover()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, visible);
        QFETCH(int, sounds);
        FormAbout form(m_fake.platform);
        for (const QString& step : steps) {
            if (step == "Credits!")
                emit pictureOf(&form, "IAboutCreditsb")->Click();
            else
                emit pictureOf(&form, step)->MouseMove();
        }
        QCOMPARE(visibleControls(&form), visible);
        QCOMPARE(m_fake.sound.played, QStringList(sounds, inApp(shell::appfiles::MenuCommandSound)));
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
