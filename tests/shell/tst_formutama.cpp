// The main window as the user meets it: start-up, pictures lighting up under the pointer
// (events routed through the window, so stacking and visibility decide who gets them), the
// commands by button and by menu, screens opened once, and Exit taking every screen along.

#include "ShellRig.h"
#include "shell/AppFiles.h"
#include "tests/support/ScopedEnv.h"
#include "shell/Art.h"
#include "shell/FormUtama.h"
#include "shell/ScreenManager.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTest>
#include <QWindow>

using namespace quenno;
using shell::FormUtama;
using shell::Picture;
using shell::ScreenId;
using shell::ScreenManager;

namespace {

const QStringList kPairs{QStringLiteral("Ihome"),     QStringLiteral("Iscan"),     QStringLiteral("Iqua"),
                         QStringLiteral("Iche"),      QStringLiteral("Iexit"),     QStringLiteral("Ihelp"),
                         QStringLiteral("Iabout"),    QStringLiteral("IUpdate"),   QStringLiteral("IProcessMan"),
                         QStringLiteral("IToolsReg"), QStringLiteral("IQuickHelp")};

const QList<std::pair<ScreenId, QString>> kSecondary{
    {ScreenId::FormScan, QStringLiteral("FormScan")},
    {ScreenId::FormQuarantine, QStringLiteral("FormQuarantine")},
    {ScreenId::FormCRCGen, QStringLiteral("FormCRCGen")},
    {ScreenId::FormAbout, QStringLiteral("FormAbout")},
    {ScreenId::FormProcess, QStringLiteral("FormProcess")},
    {ScreenId::FormRegTools, QStringLiteral("FormRegTools")},
};

// A stand-in screen that notes when it is made and when its own closing steps run.
class FakeScreen final : public QWidget {
public:
    FakeScreen(QStringList& log, const QString& name) : m_log(log)
    {
        setObjectName(name);
        setFixedSize(327, 431);
        m_log << QStringLiteral("make ") + name;
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        m_log << QStringLiteral("closing steps ") + objectName();
        QWidget::closeEvent(event);
    }

private:
    QStringList& m_log;
};

struct MainRig {
    test::ShellRig rig;
    QStringList log;
    int processEnds = 0;
    ScreenManager screens{[this] {
        ++processEnds;
    }};
    QPointer<FormUtama> form;

    explicit MainRig(bool withScreens = true)
    {
        // "Help.wav" is spelt with a capital; the menu's "\help.wav" must find it.
        QFile help(rig.inApp(shell::appfiles::HelpSound));
        help.open(QIODevice::WriteOnly);
        screens.registerScreen(ScreenId::FormUtama, [this] {
            return new FormUtama(rig.platform, screens);
        });
        if (withScreens) {
            for (const auto& [id, name] : kSecondary)
                screens.registerScreen(id, [this, n = name] {
                    return new FakeScreen(log, n);
                });
        }
        form = static_cast<FormUtama*>(screens.open(ScreenId::FormUtama));
        QVERIFY(form);
        QVERIFY(QTest::qWaitForWindowExposed(form));
        // Start from the menu bar: a move to where the pointer already is would bring no event.
        QTest::mouseMove(window(), QPoint(2, 2));
    }

    Picture* picture(const QString& name) const { return form->findChild<Picture*>(name); }
    QWindow* window() const { return form->windowHandle(); }

    // Moves the pointer to the middle of the named picture (nudged by dx), through the window.
    // The background is mostly covered; it is pointed at in its free lower left corner.
    void pointAt(const QString& name, int dx = 0)
    {
        Picture* target = picture(name);
        QVERIFY2(target, qPrintable(name));
        const QPoint spot = name == QLatin1String("Image1") ? QPoint(20, 505) : target->rect().center();
        QTest::mouseMove(window(), target->mapTo(form.data(), spot + QPoint(dx, 0)));
    }

    void clickOn(const QString& name)
    {
        Picture* target = picture(name);
        QVERIFY2(target, qPrintable(name));
        QTest::mouseClick(window(), Qt::LeftButton, {}, target->mapTo(form.data(), target->rect().center()));
    }

    QStringList lit() const
    {
        QStringList names;
        for (const QString& pair : kPairs) {
            const bool restShown = picture(pair)->isVisibleTo(form);
            const bool hoverShown = picture(pair + QLatin1Char('b'))->isVisibleTo(form);
            if (restShown == hoverShown)
                names << QStringLiteral("broken ") + pair;
            else if (hoverShown)
                names << pair;
        }
        return names;
    }

    // What the commands did: screens made, programs started, sounds, panels, exit.
    QStringList effects() const
    {
        QStringList out = log;
        out << rig.launcher.calls;
        for (const QString& sound : rig.sound.played)
            out << QStringLiteral("sound ") + sound;
        if (form && picture(QStringLiteral("IQuickBack"))->isVisibleTo(form))
            out << QStringLiteral("quick help shown");
        if (screens.exiting())
            out << QStringLiteral("exit");
        return out;
    }
};

}  // namespace

class TestFormUtama : public QObject {
    Q_OBJECT
private slots:
    void startUp_data();
    void startUp();
    void picturesAreStacked();
    void hover_data();
    void hover();
    void command_data();
    void command();
    void helperThatCannotStart_data();
    void helperThatCannotStart();
    void screenOpensOnce();
    void screenWithoutFactory();
    void secondaryScreenCentredOverMain();
    void exitEndsEverything_data();
    void exitEndsEverything();
    void readOnlyFolderWritesToTheUsersFolder();
};

void TestFormUtama::startUp_data()
{
    QTest::addColumn<QString>("existing");  // entry in the application folder before start ("" none)
    QTest::newRow("fresh folder") << QString();
    QTest::newRow("Quarantine already there") << QStringLiteral("Quarantine");
    QTest::newRow("quarantine in lower case") << QStringLiteral("quarantine");
}

void TestFormUtama::startUp()
{
    QFETCH(QString, existing);
    test::ShellRig rig;
    if (!existing.isEmpty())
        QVERIFY(QDir(rig.appDir.path()).mkdir(existing));
    ScreenManager screens;
    FormUtama form(rig.platform, screens);

    const QStringList entries = QDir(rig.appDir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(entries, QStringList{existing.isEmpty() ? QStringLiteral("Quarantine") : existing});
    QVERIFY(rig.messages.texts.isEmpty());
    QCOMPARE(form.windowTitle(), QStringLiteral("QuennoAV"));
    QCOMPARE(form.clientArea()->size(), QSize(699, 524));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(!form.windowIcon().isNull());
    QVERIFY(form.findChild<Picture*>(QStringLiteral("Iwelcom"))->isVisibleTo(&form));
    QVERIFY(!form.findChild<Picture*>(QStringLiteral("IQuickBack"))->isVisibleTo(&form));
    for (const QString& pair : kPairs) {
        QVERIFY2(form.findChild<Picture*>(pair)->isVisibleTo(&form), qPrintable(pair));
        QVERIFY2(!form.findChild<Picture*>(pair + QLatin1Char('b'))->isVisibleTo(&form), qPrintable(pair));
    }
}

void TestFormUtama::picturesAreStacked()
{
    test::ShellRig rig;
    ScreenManager screens;
    FormUtama form(rig.platform, screens);
    QStringList order;  // from the top down
    const QObjectList children = form.clientArea()->children();
    for (auto it = children.crbegin(); it != children.crend(); ++it)
        order << (*it)->objectName();
    const QStringList expected
        = QStringLiteral("IQuickBack IQuickHelpb IQuickHelp IToolsRegb IUpdateb IProcessManb IToolsReg IProcessMan "
                         "IUpdate Iexit Iche "
                         "Iqua Iscan Ihome Ihelpb Iaboutb Iabout Ihelp Ihomeb Iquab Iscanb Iexitb Icheb Iwelcom Image1")
              .split(QLatin1Char(' '));
    QCOMPARE(order, expected);
    // Every picture has the size of its bitmap.
    for (const QString& name : expected) {
        auto* picture = form.findChild<Picture*>(name);
        QVERIFY2(!picture->pixmap().isNull(), qPrintable(name));
        QCOMPARE(picture->size(), picture->pixmap().size());
    }
}

void TestFormUtama::hover_data()
{
    QTest::addColumn<QStringList>("path");  // pictures the pointer moves over, in order ("name+" = nudged)
    QTest::addColumn<QStringList>("lit");
    QTest::addColumn<int>("sounds");

    auto list = [](const char* text) {
        return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    };
    QTest::newRow("entering a button") << list("Iscan") << list("Iscan") << 1;
    QTest::newRow("moving on inside a lit button") << list("Iscan Iscan+ Iscan") << list("Iscan") << 1;
    QTest::newRow("out to the background and back") << list("Iscan Image1 Iscan") << list("Iscan") << 2;
    QTest::newRow("background alone") << list("Image1") << list("") << 0;
    QTest::newRow("button to button stays lit") << list("Ihome Iscan") << list("Ihome Iscan") << 2;
    QTest::newRow("background resets every button") << list("Ihome Ihelp IUpdate Image1") << list("") << 3;
    QTest::newRow("Update to Process") << list("IUpdate IProcessMan") << list("IProcessMan") << 2;
    QTest::newRow("Process to Update") << list("IProcessMan IUpdate") << list("IUpdate") << 2;
    QTest::newRow("Process to Registry") << list("IProcessMan IToolsReg") << list("IToolsReg") << 2;
    QTest::newRow("Registry to Quick help") << list("IToolsReg IQuickHelp") << list("IQuickHelp") << 2;
    QTest::newRow("Quick help to Registry") << list("IQuickHelp IToolsReg") << list("IToolsReg") << 2;
    QTest::newRow("Update to Registry, not neighbours") << list("IUpdate IToolsReg") << list("IUpdate IToolsReg") << 2;
    QTest::newRow("welcome panel resets the small buttons only") << list("Iscan IUpdate Iwelcom") << list("Iscan") << 2;
}

void TestFormUtama::hover()
{
    QFETCH(QStringList, path);
    QFETCH(QStringList, lit);
    QFETCH(int, sounds);
    MainRig main;
    for (QString step : path) {
        const bool nudge = step.endsWith(QLatin1Char('+'));
        step.remove(QLatin1Char('+'));
        main.pointAt(step, nudge ? 3 : 0);
    }
    QCOMPARE(main.lit(), lit);
    QCOMPARE(main.rig.sound.played.size(), sounds);
    for (const QString& played : main.rig.sound.played)
        QCOMPARE(played, main.rig.inApp(shell::appfiles::MenuCommandSound));
}

void TestFormUtama::command_data()
{
    QTest::addColumn<QString>("button");  // hover picture clicked
    QTest::addColumn<QString>("item");  // menu item with the same command
    QTest::addColumn<bool>("quickHelpFirst");
    QTest::addColumn<QStringList>("effects");  // %1 = the application folder

    auto list = [](const QString& text) {
        return text.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    };
    QTest::newRow("Home") << "Ihomeb"
                          << "MHome" << true << list("");
    QTest::newRow("Quick help") << "IQuickHelpb"
                                << "MQuick" << false << list("quick help shown");
    QTest::newRow("Scan") << "Iscanb"
                          << "Scan" << false << list("make FormScan");
    QTest::newRow("Quarantine") << "Iquab"
                                << "MQuaranine" << false << list("make FormQuarantine");
    QTest::newRow("Check CRC") << "Icheb"
                               << "MCheckCRC" << false << list("make FormCRCGen");
    QTest::newRow("About") << "Iaboutb"
                           << "MAbout" << false << list("make FormAbout");
    QTest::newRow("Process manager") << "IProcessManb"
                                     << "ProcessMan" << false << list("make FormProcess");
    QTest::newRow("Registry tools") << "IToolsRegb"
                                    << "ToolsReg" << false << list("make FormRegTools");
    QTest::newRow("Help") << "Ihelpb"
                          << "MHelp2" << false
                          << list(QStringLiteral("help %1/") + shell::appfiles::HelpFile + "|sound %1/"
                                  + shell::appfiles::HelpSound);
    QTest::newRow("Update virus list") << "IUpdateb"
                                       << "MUpdate" << false
                                       << list(QStringLiteral("editor %1/database.db|sound %1/")
                                               + shell::appfiles::HelpSound);
    QTest::newRow("Exit") << "Iexitb"
                          << "MExit" << false << list("exit");
}

void TestFormUtama::command()
{
    QFETCH(QString, button);
    QFETCH(QString, item);
    QFETCH(bool, quickHelpFirst);
    QFETCH(QStringList, effects);
    for (QString& effect : effects)
        effect = effect.replace(QLatin1String("%1"), QLatin1String("{app}"));

    for (const bool byMenu : {false, true}) {
        MainRig main;
        if (quickHelpFirst)
            main.form->IQuickHelpb_Click();
        if (byMenu) {
            auto* action = main.form->findChild<QAction*>(item);
            QVERIFY(action);
            action->trigger();
        } else {
            const QString rest = button.chopped(1);
            main.pointAt(rest);
            main.rig.sound.played.clear();
            main.clickOn(button);
        }
        QStringList seen = main.effects();
        for (QString& effect : seen)
            effect.replace(main.rig.appDir.path(), QLatin1String("{app}"));
        QVERIFY2(seen == effects,
                 qPrintable((byMenu ? QStringLiteral("menu: ") : QStringLiteral("button: "))
                            + seen.join(QLatin1String(" | "))));
        QVERIFY(main.rig.messages.texts.isEmpty());
    }
}

void TestFormUtama::helperThatCannotStart_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("file");
    QTest::newRow("help button") << "Ihelpb" << QString(shell::appfiles::HelpFile);
    QTest::newRow("help menu") << "MHelp2" << QString(shell::appfiles::HelpFile);
    QTest::newRow("update") << "IUpdateb"
                            << "database.db";
}

void TestFormUtama::helperThatCannotStart()
{
    QFETCH(QString, item);
    QFETCH(QString, file);
    MainRig main;
    main.rig.launcher.canStart = false;
    if (item == QLatin1String("MHelp2"))
        main.form->MHelp2_Click();
    else if (item == QLatin1String("Ihelpb"))
        main.form->Ihelpb_Click();
    else
        main.form->IUpdateb_Click();

    QCOMPARE(main.rig.messages.texts.size(), 1);
    QVERIFY(main.rig.messages.texts[0].contains(main.rig.inApp(file)));
    QCOMPARE(main.rig.messages.styles[0], platform::MessageBoxes::Style::Critical);
    QVERIFY(!main.screens.exiting());
    QVERIFY(main.form->isVisible());
}

void TestFormUtama::screenOpensOnce()
{
    MainRig main;
    main.form->Iscanb_Click();
    QWidget* scan = main.screens.find(ScreenId::FormScan);
    if (!scan)
        QFAIL("the scan screen did not open");
    QPointer<QWidget> first = scan;
    QVERIFY(scan->isVisible());
    scan->showMinimized();
    main.form->Iscanb_Click();
    QCOMPARE(main.screens.find(ScreenId::FormScan), scan);
    QVERIFY(!scan->isMinimized());
    QCOMPARE(main.log, QStringList{QStringLiteral("make FormScan")});

    // Closing unloads it; the next opening makes it afresh.
    scan->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first);
    QVERIFY(!main.screens.find(ScreenId::FormScan));
    main.form->Iscanb_Click();
    QVERIFY(main.screens.find(ScreenId::FormScan));
    QCOMPARE(main.log,
             QStringList({QStringLiteral("make FormScan"), QStringLiteral("closing steps FormScan"),
                          QStringLiteral("make FormScan")}));
    QVERIFY(main.form->isVisible());
}

void TestFormUtama::screenWithoutFactory()
{
    MainRig main(false);
    main.form->Iscanb_Click();
    main.form->Iaboutb_Click();
    QVERIFY(!main.screens.find(ScreenId::FormScan));
    QVERIFY(!main.screens.find(ScreenId::FormAbout));
    QVERIFY(main.form->isVisible());
}

void TestFormUtama::secondaryScreenCentredOverMain()
{
    MainRig main;
    main.form->move(40, 30);
    QWidget* about = main.screens.open(ScreenId::FormAbout);
    QVERIFY(about);
    const QPoint offset = about->frameGeometry().center() - main.form->frameGeometry().center();
    QVERIFY2(qAbs(offset.x()) <= 2 && qAbs(offset.y()) <= 2,
             qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
}

void TestFormUtama::exitEndsEverything_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Exit button") << "Iexitb";
    QTest::newRow("Exit menu item") << "MExit";
    QTest::newRow("close box") << "close";
}

void TestFormUtama::exitEndsEverything()
{
    QFETCH(QString, how);
    MainRig main;
    for (const auto& [id, name] : kSecondary)
        main.screens.open(id);
    QList<QPointer<QWidget>> open;
    for (const auto& [id, name] : kSecondary)
        open << main.screens.find(id);

    if (how == QLatin1String("Iexitb"))
        main.form->Iexitb_Click();
    else if (how == QLatin1String("MExit"))
        main.form->findChild<QAction*>(QStringLiteral("MExit"))->trigger();
    else
        main.form->close();

    QCOMPARE(main.processEnds, 1);
    for (const QPointer<QWidget>& screen : open)
        QVERIFY(!screen->isVisible());
    QVERIFY(!main.form->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (const QPointer<QWidget>& screen : open)
        QVERIFY(!screen);
    QVERIFY(!main.form);
    // The other screens went without their own closing steps, and nothing opens any more.
    QVERIFY(!main.log.join(QLatin1Char(' ')).contains(QLatin1String("closing steps")));
    QVERIFY(!main.screens.open(ScreenId::FormScan));
    QVERIFY(!main.screens.open(ScreenId::FormUtama));
}

// An installed program cannot write its own folder: the quarantine folder and the list the
// editor opens are the user's own copies, while sounds and help still come from beside it.
void TestFormUtama::readOnlyFolderWritesToTheUsersFolder()
{
    QTemporaryDir home;
    const test::ScopedEnv homeVar("HOME", QFile::encodeName(home.path()).constData());
    const test::ScopedEnv dataVar("XDG_DATA_HOME", nullptr);
    test::ShellRig rig;
    for (const char* name : {shell::appfiles::HelpSound, "database.db"}) {
        QFile file(rig.inApp(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("100000;*.exe;starter\r\n");
    }
    const QFileDevice::Permissions readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
        | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
    QVERIFY(QFile::setPermissions(rig.appDir.path(), readOnly));
    QStringList appEntries;
    {
        ScreenManager screens;
        FormUtama form(rig.platform, screens);
        form.IUpdateb_Click();
        form.Ihelpb_Click();
        appEntries = QDir(rig.appDir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    QFile::setPermissions(rig.appDir.path(), readOnly | QFileDevice::WriteOwner);

    const QString data = home.path() + QStringLiteral("/.local/share/QuennoAV");
    QCOMPARE(appEntries, (QStringList{QStringLiteral("database.db"), shell::appfiles::HelpSound}));
    QCOMPARE(QDir(data).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{QStringLiteral("database.db"), QStringLiteral("Quarantine")}));
    QCOMPARE(rig.launcher.calls,
             (QStringList{QStringLiteral("editor ") + data + QStringLiteral("/database.db"),
                          QStringLiteral("help ") + rig.inApp(shell::appfiles::HelpFile)}));
    QCOMPARE(rig.sound.played,
             (QStringList{rig.inApp(shell::appfiles::HelpSound), rig.inApp(shell::appfiles::HelpSound)}));
    QVERIFY(rig.messages.texts.isEmpty());
}

QTEST_MAIN(TestFormUtama)
#include "tst_formutama.moc"
