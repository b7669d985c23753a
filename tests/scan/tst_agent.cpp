// The scan screen's agent options: registration to start at log-on (the Run value in a
// temporary registry store and the autostart entry), the tray icon, and the tray icon's
// messages hiding and bringing back the screens.

#include "platform/linux/LinuxAutostart.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxRegistry.h"
#include "scan/FormScan.h"
#include "shell/AppFiles.h"
#include "shell/ScreenManager.h"
#include "tests/support/FakePlatform.h"

#include <QEvent>
#include <QFile>
#include <QPointer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace quenno;
using Style = platform::MessageBoxes::Style;
using shell::ScreenId;

namespace {

const std::string kRun = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";

// The real autostart folder, for an executable of the test's choosing.
struct NamedAutostart final : platform::Autostart {
    std::string path;
    bool refuseDisable = false;
    platform::LinuxAutostart real;
    std::string executablePath() const override { return path; }
    bool enable(const std::string& name, const std::string& exePath) override { return real.enable(name, exePath); }
    bool disable(const std::string& name) override { return !refuseDisable && real.disable(name); }
};

const char* const kScreenNames[]
    = {"FormUtama", "FormScan", "FormAbout", "FormCRCGen", "FormProcess", "FormQuarantine", "FormRegTools"};

// Records, in order, which screens are made and which visible ones are hidden.
struct ScreenLog : QObject {
    QStringList events;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide)
            events << "hide " + watched->objectName();
        return false;
    }
};

bool lit(QWidget* form, const char* option)
{
    auto* on = form->findChild<QWidget*>(QString::fromLatin1(option) + "b");
    return on && on->isVisibleTo(form);
}

}  // namespace

class TestAgent : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_temp;
    QString m_app;
    std::unique_ptr<platform::LinuxFileSystem> m_files;
    std::unique_ptr<platform::LinuxRegistry> m_registry;
    NamedAutostart m_autostart;
    test::FakePlatform m_fake;
    QByteArray m_savedConfig;

    QString entryFile(const QString& name) const { return m_temp.path() + "/config/autostart/" + name + ".desktop"; }
    std::optional<std::string> runValue(const std::string& name) const
    {
        const auto value = m_registry->readValue(kRun + name);
        return value ? std::optional<std::string>(value->text) : std::nullopt;
    }
    std::unique_ptr<scan::FormScan> makeScreen()
    {
        auto form = std::make_unique<scan::FormScan>(m_fake.platform);
        form->setAttribute(Qt::WA_DeleteOnClose, false);
        return form;
    }

    // The screen manager with the real scan screen and a plain window for every other screen.
    void registerScreens(shell::ScreenManager& screens, ScreenLog& log)
    {
        for (int i = 0; i < 7; ++i) {
            const auto id = static_cast<ScreenId>(i);
            const QString name = QString::fromLatin1(kScreenNames[i]);
            screens.registerScreen(id, [this, &screens, &log, id, name]() -> QWidget* {
                log.events << "load " + name;
                QWidget* screen = nullptr;
                if (id == ScreenId::FormScan) {
                    auto* form = new scan::FormScan(m_fake.platform);
                    form->setNavigator(&screens);
                    screen = form;
                } else {
                    screen = new QWidget;
                    screen->setObjectName(name);
                }
                screen->installEventFilter(&log);
                return screen;
            });
        }
    }
    static QStringList visibleScreens(const shell::ScreenManager& screens)
    {
        QStringList names;
        for (int i = 0; i < 7; ++i)
            if (QWidget* screen = screens.find(static_cast<ScreenId>(i)); screen && screen->isVisible())
                names << QString::fromLatin1(kScreenNames[i]);
        return names;
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_temp.isValid());
        m_app = m_temp.path() + "/Quenno AV";
        QVERIFY(QDir().mkpath(m_app));
        QVERIFY(QFile::copy(QUENNO_TEST_DATA "/db-three-records.db", m_app + "/database.db"));
        m_files = std::make_unique<platform::LinuxFileSystem>(QFile::encodeName(m_app).toStdString());
    }
    void init()
    {
        m_savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_temp.path() + "/config"));
        QDir(m_temp.path() + "/config").removeRecursively();
        QDir(m_temp.path() + "/store").removeRecursively();
        QVERIFY(QDir().mkpath(m_temp.path() + "/store"));
        m_registry = std::make_unique<platform::LinuxRegistry>(
            QFile::encodeName(m_temp.path() + "/store/user.reg").toStdString(),
            QFile::encodeName(m_temp.path() + "/store/machine.reg").toStdString());
        m_autostart.path = QFile::encodeName(m_app + "/QuennoAV").toStdString();
        m_fake.reset();
        m_autostart.refuseDisable = false;
        m_fake.platform.files = m_files.get();
        m_fake.platform.registry = m_registry.get();
        m_fake.platform.autostart = &m_autostart;
    }
    void cleanup() { qputenv("XDG_CONFIG_HOME", m_savedConfig); }

    // On writes the Run value under the executable's name and the log-on entry; off removes
    // the value named QuennoAV and its entry, whatever the executable is called.
    void startUpOption_data()
    {
        QTest::addColumn<QString>("exeName");
        QTest::addColumn<QString>("valueName");
        QTest::addColumn<bool>("offRemovesIt");
        QTest::newRow("QuennoAV") << "QuennoAV"
                                  << "QuennoAV" << true;
        QTest::newRow("QuennoAV.exe") << "QuennoAV.exe"
                                      << "QuennoAV" << true;
        QTest::newRow("another name") << "quenno-av"
                                      << "quenno-av" << false;
    }
    void startUpOption()
    {
        QFETCH(QString, exeName);
        QFETCH(QString, valueName);
        QFETCH(bool, offRemovesIt);
        m_autostart.path = QFile::encodeName(m_app + "/" + exeName).toStdString();
        const std::string exePath = m_autostart.path;
        auto form = makeScreen();

        form->IscanStar_Click();
        QVERIFY(lit(form.get(), "IscanStar"));
        QCOMPARE(m_fake.sound.played, QStringList{m_app + "/" + shell::appfiles::ActivatedSound});
        QCOMPARE(m_fake.messages.texts, QStringList());
        QCOMPARE(runValue(valueName.toStdString()), std::optional<std::string>(exePath));
        QFile entry(entryFile(valueName));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QVERIFY(entry.readAll().contains("\nExec=\"" + QFile::encodeName(m_app) + "/" + exeName.toUtf8() + "\"\n"));

        form->IscanStarb_Click();
        QVERIFY(!lit(form.get(), "IscanStar"));
        QCOMPARE(m_fake.sound.played.size(), 1);
        QCOMPARE(runValue(valueName.toStdString()).has_value(), !offRemovesIt);
        QCOMPARE(QFile::exists(entryFile(valueName)), !offRemovesIt);
        QCOMPARE(m_fake.messages.texts.size(), offRemovesIt ? 0 : 1);
        if (!offRemovesIt)
            QCOMPARE(m_fake.messages.styles.front(), Style::Critical);
    }

    // A registration that fails halfway is undone and reported; the option stays off.
    void startUpFailure_data()
    {
        QTest::addColumn<bool>("storeRefuses");
        QTest::addColumn<bool>("entryRefused");
        QTest::newRow("registry store refuses") << true << false;
        QTest::newRow("autostart folder refused") << false << true;
        QTest::newRow("no executable path") << false << false;
    }
    void startUpFailure()
    {
        QFETCH(bool, storeRefuses);
        QFETCH(bool, entryRefused);
        if (storeRefuses) {
            // The store's folder is a file: nothing can be written there.
            QVERIFY(QDir(m_temp.path() + "/store").removeRecursively());
            QFile blocker(m_temp.path() + "/store");
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        if (entryRefused) {
            QFile blocker(m_temp.path() + "/config");
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        if (!storeRefuses && !entryRefused)
            m_autostart.path.clear();
        auto form = makeScreen();
        form->IscanStar_Click();
        QVERIFY(!lit(form.get(), "IscanStar"));
        QVERIFY(!m_fake.messages.texts.isEmpty());
        QCOMPARE(m_fake.messages.styles.back(), Style::Critical);
        QVERIFY(!runValue("QuennoAV"));
        QVERIFY(!QFile::exists(entryFile("QuennoAV")));
        QFile::remove(m_temp.path() + "/store");
        QFile::remove(m_temp.path() + "/config");
    }

    // When the half written cannot be undone either, the user hears that the program may
    // still start at log-on; the option stays off.
    void startUpHalfLeftBehindIsTold()
    {
        QVERIFY(QDir(m_temp.path() + "/store").removeRecursively());
        QFile blocker(m_temp.path() + "/store");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        m_autostart.refuseDisable = true;
        auto form = makeScreen();
        form->IscanStar_Click();
        QVERIFY(!lit(form.get(), "IscanStar"));
        QVERIFY(QFile::exists(entryFile("QuennoAV")));
        QVERIFY(!m_fake.messages.texts.isEmpty());
        QVERIFY(m_fake.messages.texts.back().contains("it may still start when you log on"));
        QCOMPARE(m_fake.messages.styles.back(), Style::Critical);
        QFile::remove(m_temp.path() + "/store");
    }

    void optionsStartOffWhateverIsRegistered()
    {
        QVERIFY(m_registry->writeString(kRun + "QuennoAV", m_autostart.path));
        QVERIFY(m_autostart.enable("QuennoAV", m_autostart.path));
        auto form = makeScreen();
        for (const char* option : {"IscanStar", "IScanTray", "IscanKillProcess", "IscanClearLs"})
            QVERIFY2(!lit(form.get(), option), option);
    }

    void trayOption()
    {
        auto form = makeScreen();
        form->IScanTray_Click();
        QVERIFY(lit(form.get(), "IScanTray"));
        QVERIFY(m_fake.tray.shown);
        QCOMPARE(m_fake.tray.tip, QString("QuennoAV Agent"));
        QVERIFY(!m_fake.tray.icon.isNull());
        QCOMPARE(m_fake.sound.played, QStringList{m_app + "/" + shell::appfiles::ActivatedSound});

        form->IScanTrayb_Click();
        QVERIFY(!lit(form.get(), "IScanTray"));
        QVERIFY(!m_fake.tray.shown);
        QVERIFY(m_fake.messages.texts.isEmpty());
    }

    void trayWithoutNotificationArea()
    {
        m_fake.tray.isAvailable = false;
        auto form = makeScreen();
        form->IScanTray_Click();
        QVERIFY(!lit(form.get(), "IScanTray"));
        QVERIFY(!m_fake.tray.shown);
        QCOMPARE(m_fake.messages.texts.size(), 1);
        QVERIFY(m_fake.messages.texts.front().contains("notification area"));
    }

    // The icon must not outlive the screen that handles its clicks.
    void closingTheScanScreenRemovesTheIcon()
    {
        QPointer<scan::FormScan> form = new scan::FormScan(m_fake.platform);
        form->show();
        form->IScanTray_Click();
        QVERIFY(m_fake.tray.shown);
        form->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!form);
        QVERIFY(!m_fake.tray.shown);
        QVERIFY(!m_fake.tray.onMessage);
    }

    // The right button's release hides every screen in order, loading those not open; the
    // left button's brings back the main window only; other messages, among them the
    // neighbouring mouse messages, change nothing.
    void trayMessages_data()
    {
        QTest::addColumn<QList<int>>("openFirst");
        QTest::addColumn<int>("message");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("visible");
        const QList<int> mainScanAbout = {0, 1, 2};
        const QStringList loadRest
            = {"load FormCRCGen", "load FormProcess", "load FormQuarantine", "load FormRegTools"};
        constexpr int left = platform::Tray::LeftButtonUp;
        constexpr int right = platform::Tray::RightButtonUp;
        QTest::newRow("right hides all, loads the rest")
            << mainScanAbout << right << (QStringList{"hide FormUtama", "hide FormScan", "hide FormAbout"} + loadRest)
            << QStringList();
        QTest::newRow("right with everything open")
            << QList<int>{6, 5, 4, 3, 2, 1, 0} << right
            << QStringList{"hide FormUtama",   "hide FormScan",       "hide FormAbout",   "hide FormCRCGen",
                           "hide FormProcess", "hide FormQuarantine", "hide FormRegTools"}
            << QStringList();
        QTest::newRow("left shows the main window") << QList<int>{1, 2} << left << QStringList{"load FormUtama"}
                                                    << QStringList{"FormUtama", "FormScan", "FormAbout"};
        for (int other : {left - 2, left - 1, left + 1, right - 1, right + 1, 0, -left})
            QTest::addRow("%d does nothing", other)
                << mainScanAbout << other << QStringList() << QStringList{"FormUtama", "FormScan", "FormAbout"};
    }
    void trayMessages()
    {
        QFETCH(QList<int>, openFirst);
        QFETCH(int, message);
        QFETCH(QStringList, events);
        QFETCH(QStringList, visible);
        ScreenLog log;
        shell::ScreenManager screens;
        registerScreens(screens, log);
        for (int id : openFirst)
            screens.open(static_cast<ScreenId>(id));
        log.events.clear();
        auto* form = qobject_cast<scan::FormScan*>(screens.find(ScreenId::FormScan));
        QVERIFY(form);
        form->TrayMessage(message);
        QCOMPARE(log.events, events);
        QCOMPARE(visibleScreens(screens), visible);
    }

    // The whole round through the icon: right click hides everything, every screen stays
    // loaded with its state, left click brings back the main window alone.
    void rightThenLeftClickThroughTheIcon()
    {
        ScreenLog log;
        shell::ScreenManager screens;
        registerScreens(screens, log);
        screens.open(ScreenId::FormUtama);
        auto* form = qobject_cast<scan::FormScan*>(screens.open(ScreenId::FormScan));
        QVERIFY(form);
        form->IScanTray_Click();
        QVERIFY(m_fake.tray.onMessage);

        m_fake.tray.onMessage(platform::Tray::RightButtonUp);
        for (int i = 0; i < 7; ++i)
            QVERIFY2(screens.find(static_cast<ScreenId>(i)), kScreenNames[i]);
        QCOMPARE(visibleScreens(screens), QStringList());
        QVERIFY(lit(form, "IScanTray"));

        m_fake.tray.onMessage(platform::Tray::LeftButtonUp);
        QCOMPARE(visibleScreens(screens), QStringList{"FormUtama"});
        QCOMPARE(screens.open(ScreenId::FormScan), form);
        QVERIFY(lit(form, "IScanTray"));
    }
};

QTEST_MAIN(TestAgent)
#include "tst_agent.moc"
