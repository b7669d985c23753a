// The scan screen driven through its own handlers, on a temporary application folder and
// a small tree of files whose checksums database.db lists.

#include "ScanRig.h"
#include "detection/SignatureFile.h"
#include "scan/FormScan.h"
#include "shell/AppFiles.h"
#include "shell/Picture.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QScrollBar>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>
#include <sys/xattr.h>

using namespace quenno;
using Style = platform::MessageBoxes::Style;

namespace {

const QByteArray kVirusOne = "virus one: harmless bytes that the test database lists";
const QByteArray kVirusTwo = "virus two: other harmless bytes";

}  // namespace

class TestFormScan : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Rig> rig;

    std::unique_ptr<scan::FormScan> makeScreen()
    {
        auto form = std::make_unique<scan::FormScan>(rig->platform);
        form->setAttribute(Qt::WA_DeleteOnClose, false);
        form->setYieldInterval(0);
        return form;
    }
    template<typename T> static T* child(QWidget* form, const char* name)
    {
        return form->findChild<T*>(QString::fromLatin1(name));
    }
    // The rows of any of the screen's lists (widgets and views over the shared bytes alike),
    // as shown or, with exact set, as the bytes they hold.
    static QStringList items(QWidget* form, const char* list, bool exact = false)
    {
        QStringList out;
        const QAbstractItemModel* rows = child<QAbstractItemView>(form, list)->model();
        for (int i = 0; i < rows->rowCount(); ++i) {
            const QModelIndex at = rows->index(i, 0);
            out << (exact ? QString::fromLatin1(at.data(Qt::UserRole).toByteArray()) : at.data().toString());
        }
        return out;
    }
    static QString status(QWidget* form) { return child<QLabel>(form, "lblStatus")->text(); }
    // The engine is walking the tree (the animation loader lets events run before it starts).
    bool walking(QWidget* form) const { return status(form).startsWith(rig->tree + "/"); }
    void scanTree(scan::FormScan& form, const QString& folder = {})
    {
        child<QLineEdit>(&form, "txtPath")->setText(folder.isEmpty() ? rig->tree : folder);
        form.IScanFolderb_Click();
    }
    // The standard tree: two detections (a.exe, Sub/c.exe), a clean file, and a text file
    // with a listed checksum that only full scanning sees.
    void writeTree()
    {
        rig->writeDatabase({{"Worm.A", kVirusOne}, {"Trojan.B", kVirusTwo}});
        test::writeFile(rig->tree + "/a.exe", kVirusOne);
        test::writeFile(rig->tree + "/clean.exe", "clean");
        test::writeFile(rig->tree + "/note.txt", kVirusOne);
        test::writeFile(rig->tree + "/Sub/c.exe", kVirusTwo);
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { rig = std::make_unique<test::Rig>(); }
    void cleanup() { rig.reset(); }

    void opening_createsDatabaseAndRestsEveryControl()
    {
        QVERIFY(!QFile::exists(rig->database()));
        auto form = makeScreen();
        QCOMPARE(test::readFile(rig->database()), QByteArray("50000;*.exe;Limits dan ekstensi\r\n"));
        QCOMPARE(child<QLineEdit>(form.get(), "txtPath")->text(), QDir::homePath());
        QCOMPARE(status(form.get()), QStringLiteral("Please Browse and Select Folder To Scan"));
        QCOMPARE(form->windowTitle(), QStringLiteral("Scanning"));
        QCOMPARE(form->size(), QSize(499, 499));
        for (const char* off : {"IScanFullb", "IscanKillProcessb", "IscanStarb", "IScanTrayb", "IscanClearLsb",
                                "IScanBrowseb", "IScanFolderb", "IScanStopb", "IScanDeleteb", "IscanQuab", "IscanReady",
                                "LblProces", "LblStartUp", "LblTray", "LblClearList", "LblGuard"})
            QVERIFY2(!child<QWidget>(form.get(), off)->isVisibleTo(form.get()), off);
        for (const char* on : {"IScanFull", "IscanKillProcess", "IscanStar", "IScanTray", "IscanClearLs", "IScanBrowse",
                               "IScanFolder", "IScanStop", "IScanDelete", "IscanQua"})
            QVERIFY2(child<QWidget>(form.get(), on)->isVisibleTo(form.get()), on);
    }

    // The count is read whole, whatever its digits: a long one is drawn smaller, never cut.
    void opening_countFitsItsLabel_data()
    {
        QTest::addColumn<int>("records");
        QTest::newRow("three") << 3;
        QTest::newRow("a hundred thousand") << 100000;
    }
    void opening_countFitsItsLabel()
    {
        QFETCH(int, records);
        QByteArray text = "50000;*.exe;Limits dan ekstensi\r\n";
        for (int i = 0; i < records; ++i)
            text += "Worm." + QByteArray::number(i) + ";" + QByteArray::number(i + 1, 16).toUpper() + "\r\n";
        test::writeFile(rig->database(), text);
        auto form = makeScreen();
        auto* known = child<QLabel>(form.get(), "lblKnown");
        QCOMPARE(known->text(), QStringLiteral(" %1").arg(records));
        QVERIFY(QFontMetrics(known->font()).horizontalAdvance(known->text()) <= known->width());
        QCOMPARE(known->geometry(), QRect(352, 128, 33, 25));
        if (records < 1000)
            QCOMPARE(known->font().pointSizeF(), 8.25);
    }

    void opening_countsDatesAndPutsNormalModeBack()
    {
        QByteArray text = "100000;*.*;Limits dan ekstensi \r\nWorm.A;1A2B\r\n\r\nTrojan.B;CBF4\r\n";
        test::writeFile(rig->database(), text);
        rig->clock.at = std::chrono::system_clock::now() + std::chrono::hours(24 * 30);
        auto form = makeScreen();
        QCOMPARE(child<QLabel>(form.get(), "lblKnown")->text(), QStringLiteral(" 3"));
        QCOMPARE(test::readFile(rig->database()),
                 QByteArray("50000;*.exe;Limits dan ekstensi\r\nWorm.A;1A2B\r\n\r\nTrojan.B;CBF4\r\n"));
        QCOMPARE(items(form.get(), "wName"), QStringList({"Worm.A", "Trojan.B"}));
        QCOMPARE(items(form.get(), "wSign", true), QStringList({"1A2B", "CBF4"}));
        QCOMPARE(items(form.get(), "List1", true),
                 QStringList({"50000;*.exe;Limits dan ekstensi", "Worm.A;1A2B", "", "Trojan.B;CBF4"}));
        QVERIFY(child<QLabel>(form.get(), "lblDate")->text().startsWith("  "));
        // A list made a month before "now" is old: its date turns red.
        QCOMPARE(child<QLabel>(form.get(), "lblDate")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    }

    void opening_dateStaysWhenTheListWasMade()
    {
        writeTree();
        const QString made = makeScreen()->findChild<QLabel*>("lblDate")->text();
        if (::getxattr(QFile::encodeName(rig->database()).constData(), "user.DOSATTRIB", nullptr, 0) < 0)
            QSKIP("this file system keeps no extended attributes");
        // The label shows seconds; a full-mode list is rewritten by each opening.
        const auto toFullMode = [&] {
            QByteArray text = test::readFile(rig->database());
            text.replace("50000;*.exe;Limits dan ekstensi", "100000;*.*;Limits dan ekstensi ");
            test::writeFile(rig->database(), text);
        };
        QThread::msleep(1100);
        toFullMode();
        (void)makeScreen();
        QThread::msleep(1100);
        toFullMode();
        QCOMPARE(makeScreen()->findChild<QLabel*>("lblDate")->text(), made);
    }

    void layout_offWindowHoldersAreNeverShown_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("Text2") << "Text2" << QRect(176, 576, 145, 81);
        QTest::newRow("List1") << "List1" << QRect(16, 576, 129, 82);
        QTest::newRow("Text1") << "Text1" << QRect(360, 504, 169, 25);
        QTest::newRow("CRC1") << "CRC1" << QRect(136, 520, 49, 33);
        QTest::newRow("wName") << "wName" << QRect(56, 520, 30, 30);
        QTest::newRow("wSign") << "wSign" << QRect(88, 520, 30, 30);
        QTest::newRow("lstFound") << "lstFound" << QRect(24, 520, 30, 30);
    }
    void layout_offWindowHoldersAreNeverShown()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        writeTree();
        auto form = makeScreen();
        form->show();
        auto* w = form->findChild<QWidget*>(name);
        QVERIFY(w);
        QCOMPARE(w->geometry(), geometry);
        QVERIFY(!w->isVisible());
        scanTree(*form);
        QVERIFY(!w->isVisible());
    }

    void layout_visibleControls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("txtPath") << "txtPath" << QRect(184, 232, 281, 21);
        QTest::newRow("lstVirusFound") << "lstVirusFound" << QRect(184, 264, 281, 130);
        QTest::newRow("lblStatus") << "lblStatus" << QRect(192, 408, 265, 33);
        QTest::newRow("lblKnown") << "lblKnown" << QRect(352, 128, 33, 25);
        QTest::newRow("lblDate") << "lblDate" << QRect(304, 80, 129, 17);
        QTest::newRow("LblTray") << "LblTray" << QRect(190, 449, 281, 33);
        QTest::newRow("Image1") << "Image1" << QRect(9, 401, 152, 93);
        QTest::newRow("IScanBack") << "IScanBack" << QRect(0, 0, 500, 383);
        QTest::newRow("IScanFolder") << "IScanFolder" << QRect(20, 108, 149, 34);
        QTest::newRow("IScanFolderb") << "IScanFolderb" << QRect(21, 108, 149, 34);
        QTest::newRow("IscanQua") << "IscanQua" << QRect(24, 336, 112, 35);
        QTest::newRow("IscanKillProcessb") << "IscanKillProcessb" << QRect(222, 67, 51, 51);
        QTest::newRow("IScanFullb") << "IScanFullb" << QRect(417, 167, 51, 50);
    }
    void layout_visibleControls()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        auto form = makeScreen();
        auto* w = form->findChild<QWidget*>(name);
        QVERIFY(w);
        QCOMPARE(w->geometry(), geometry);
    }

    void hover_lightsButtonsShowsHintsAndBackgroundResets()
    {
        auto form = makeScreen();
        form->IScanFolder_MouseMove();
        form->IscanKillProcess_MouseMove();
        QVERIFY(child<QWidget>(form.get(), "IScanFolderb")->isVisibleTo(form.get()));
        QVERIFY(!child<QWidget>(form.get(), "IScanFolder")->isVisibleTo(form.get()));
        QVERIFY(child<QWidget>(form.get(), "LblProces")->isVisibleTo(form.get()));
        QCOMPARE(rig->sound.played, QStringList({rig->app + "/" + shell::appfiles::MenuCommandSound}));
        form->IScanBack_MouseMove();
        QVERIFY(!child<QWidget>(form.get(), "IScanFolderb")->isVisibleTo(form.get()));
        QVERIFY(child<QWidget>(form.get(), "IScanFolder")->isVisibleTo(form.get()));
        QVERIFY(!child<QWidget>(form.get(), "LblProces")->isVisibleTo(form.get()));
        QCOMPARE(child<QLabel>(form.get(), "LblProces")->text(),
                 QStringLiteral("Activated to  kill virus process. Certain with malware that have the same name "
                                "with  critical process  "));
    }

    void browse_takesTheChosenFolderAndKeepsTheTextOnCancel()
    {
        auto form = makeScreen();
        auto* txtPath = child<QLineEdit>(form.get(), "txtPath");
        rig->folders.answer = rig->tree;
        form->IScanBrowseb_Click();
        QCOMPARE(txtPath->text(), rig->tree);
        QCOMPARE(rig->folders.titles.value(0), QStringLiteral("Please Select Drive & Directory You Want Scan:"));
        rig->folders.answer.clear();
        form->IScanBrowseb_Click();
        QCOMPARE(txtPath->text(), rig->tree);
    }

    void scan_reportsDetectionsInWalkOrder()
    {
        writeTree();
        auto form = makeScreen();
        scanTree(*form);
        QCOMPARE(items(form.get(), "lstFound"), QStringList({rig->tree + "/a.exe", rig->tree + "/Sub/c.exe"}));
        QCOMPARE(items(form.get(), "lstVirusFound"),
                 QStringList({"File a.exe, detected as: Worm.A", "File c.exe, detected as: Trojan.B"}));
        QCOMPARE(status(form.get()), QStringLiteral("Virus Found : 2"));
        QCOMPARE(rig->sound.played, QStringList({rig->app + "/" + shell::appfiles::FinishSound}));
        QVERIFY(child<QWidget>(form.get(), "IscanReady")->isVisibleTo(form.get()));
        QVERIFY(child<QWidget>(form.get(), "lstVirusFound")->isEnabled());
        QVERIFY(child<QWidget>(form.get(), "IScanFolderb")->isEnabled());
        QVERIFY(!form->scanning());
    }

    void scan_controlsAreLockedWhileItRuns()
    {
        writeTree();
        auto form = makeScreen();
        bool locked = true;
        int yields = 0;
        rig->events.during = [&] {
            if (!walking(form.get()))
                return;
            ++yields;
            locked = locked && !child<QWidget>(form.get(), "lstVirusFound")->isEnabled()
                && !child<QWidget>(form.get(), "IScanFolderb")->isEnabled() && form->scanning();
            form->IScanFolderb_Click();  // a second run must not start inside the first
        };
        scanTree(*form);
        QVERIFY(yields > 0);
        QVERIFY(locked);
        QCOMPARE(items(form.get(), "lstFound").size(), 2);
    }

    void scan_folderText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("relative") << "tree/Sub" << false;
        QTest::newRow("drive letter") << "C:\\Windows" << false;
        QTest::newRow("unc") << "\\\\server\\share" << false;
        QTest::newRow("absolute folder") << "TREE" << true;
        QTest::newRow("missing absolute folder") << "/no/such/folder/here" << true;
    }
    void scan_folderText()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        if (text == "TREE")
            text = rig->tree;
        auto form = makeScreen();
        child<QLineEdit>(form.get(), "txtPath")->setText(text);
        form->IScanFolderb_Click();
        if (accepted) {
            // A folder that is not there was not scanned, and the user is told so.
            const QStringList told = text.startsWith("/no/")
                ? QStringList{"1 folder could not be read, so it was not scanned."}
                : QStringList();
            QCOMPARE(rig->messages.texts, told);
            QVERIFY(status(form.get()).startsWith("Virus Found : "));
        } else {
            QCOMPARE(rig->messages.texts, QStringList({"Path file not found"}));
            QCOMPARE(rig->messages.styles.value(0), Style::Critical);
            QVERIFY(rig->sound.played.isEmpty());
        }
        QVERIFY(child<QWidget>(form.get(), "lstVirusFound")->isEnabled());
        QVERIFY(child<QWidget>(form.get(), "IScanFolderb")->isEnabled());
    }

    void animation_stepsEachFrameForItsOwnTimeDuringTheRun()
    {
        writeTree();
        auto form = makeScreen();
        auto* timer = form->findChild<QTimer*>("Timer1");
        QList<int> intervals;
        QList<bool> running;
        rig->events.during = [&] {
            if (intervals.size() >= 3 || !walking(form.get()))
                return;
            running << timer->isActive();
            form->Timer1_Timer();
            intervals << timer->interval();
        };
        scanTree(*form);
        QCOMPARE(running, QList<bool>({true, true, true}));
        QCOMPARE(intervals, QList<int>({50, 100, 50}));
        QVERIFY(!timer->isActive());
        const auto frames = form->findChildren<shell::Picture*>("Image1");
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames[0]->isVisibleTo(form.get()) + frames[1]->isVisibleTo(form.get()), 1);
        QVERIFY(rig->messages.texts.isEmpty());
    }

    void events_animationTicksAndATimedStopEndsTheRun()
    {
        rig->writeDatabase({{"Worm.A", kVirusOne}});
        for (int i = 0; i < 400; ++i)
            test::writeFile(rig->tree + QStringLiteral("/f%1.exe").arg(i, 3, 10, QLatin1Char('0')), kVirusOne);
        auto form = makeScreen();
        form->show();
        int examined = 0;
        rig->events.during = [&] {
            if (walking(form.get()))
                ++examined;
            QCoreApplication::processEvents();
            QThread::msleep(1);
        };
        int ticks = 0;
        connect(form->findChild<QTimer*>("Timer1"), &QTimer::timeout, this, [&] {
            ++ticks;
        });
        QTimer::singleShot(300, form.get(), [&] {
            form->IScanStopb_Click();
        });
        scanTree(*form);
        QVERIFY(ticks >= 1);
        QVERIFY2(examined < 400, qPrintable(QString::number(examined)));
        const int found = items(form.get(), "lstFound").size();
        QVERIFY(found > 0 && found < 400);
        QCOMPARE(status(form.get()), QStringLiteral("Virus Found : %1").arg(found));
    }

    void animation_missingFileStillLetsTheScanRun()
    {
        writeTree();
        QVERIFY(QFile::remove(rig->app + "/" + shell::appfiles::ProgressAnimation));
        auto form = makeScreen();
        scanTree(*form);
        QCOMPARE(rig->messages.texts,
                 QStringList({"File " + rig->app + "/" + shell::appfiles::ProgressAnimation + " not found"}));
        QCOMPARE(status(form.get()), QStringLiteral("Virus Found : 2"));
    }

    void stop_endsTheRunWithWhatWasFound()
    {
        writeTree();
        auto form = makeScreen();
        rig->events.during = [&] {
            if (walking(form.get()))
                form->IScanStopb_Click();
        };
        scanTree(*form);
        // The file being compared when Stop came is finished; nothing after it is examined.
        QCOMPARE(items(form.get(), "lstFound"), QStringList({rig->tree + "/a.exe"}));
        QCOMPARE(status(form.get()), QStringLiteral("Virus Found : 1"));
        QCOMPARE(rig->sound.played, QStringList({rig->app + "/" + shell::appfiles::FinishSound}));
        // The next run clears the stop request.
        rig->events.during = nullptr;
        form->IScanFolderb_Click();
        QCOMPARE(status(form.get()), QStringLiteral("Virus Found : 3"));
    }

    void clearList_data()
    {
        QTest::addColumn<bool>("clearOn");
        QTest::addColumn<int>("afterSecondScan");
        QTest::newRow("off: appended") << false << 4;
        QTest::newRow("on: emptied first") << true << 2;
    }
    void clearList()
    {
        QFETCH(bool, clearOn);
        QFETCH(int, afterSecondScan);
        writeTree();
        auto form = makeScreen();
        scanTree(*form);
        if (clearOn) {
            form->IscanClearLs_Click();
            QCOMPARE(rig->sound.played.last(), rig->app + "/" + shell::appfiles::ActivatedSound);
            QVERIFY(child<QWidget>(form.get(), "IscanClearLsb")->isVisibleTo(form.get()));
        }
        scanTree(*form);
        QCOMPARE(items(form.get(), "lstFound").size(), afterSecondScan);
        QCOMPARE(items(form.get(), "lstVirusFound").size(), afterSecondScan);
        QCOMPARE(status(form.get()), QStringLiteral("Virus Found : %1").arg(afterSecondScan));
        form->IscanClearLsb_Click();
        QVERIFY(child<QWidget>(form.get(), "IscanClearLs")->isVisibleTo(form.get()));
    }

    void fullMode_rewritesLineOneAndWidensTheScan()
    {
        writeTree();
        auto form = makeScreen();
        const QByteArray records
            = test::readFile(rig->database()).mid(QByteArray("50000;*.exe;Limits dan ekstensi\r\n").size());
        form->IScanFull_Click();
        QCOMPARE(rig->sound.played, QStringList({rig->app + "/" + shell::appfiles::ActivatedSound}));
        QCOMPARE(test::readFile(rig->database()), "100000;*.*;Limits dan ekstensi \r\n" + records);
        QCOMPARE(child<QLineEdit>(form.get(), "Text2")->text(), QStringLiteral("100000;*.*;Limits dan ekstensi"));
        scanTree(*form);
        QCOMPARE(items(form.get(), "lstFound"),
                 QStringList({rig->tree + "/a.exe", rig->tree + "/note.txt", rig->tree + "/Sub/c.exe"}));

        rig->sound.played.clear();
        form->IScanFullb_Click();
        QVERIFY(rig->sound.played.isEmpty());
        QCOMPARE(test::readFile(rig->database()), "50000;*.exe;Limits dan ekstensi\r\n" + records);
    }

    void fullMode_unwritableListKeepsTheOptionTruthful()
    {
        writeTree();
        auto form = makeScreen();
        const QByteArray before = test::readFile(rig->database());
        rig->files.refuseWrite = true;
        form->IScanFull_Click();
        QCOMPARE(test::readFile(rig->database()), before);
        QVERIFY(child<QWidget>(form.get(), "IScanFull")->isVisibleTo(form.get()));
        QVERIFY(!child<QWidget>(form.get(), "IScanFullb")->isVisibleTo(form.get()));
        QCOMPARE(rig->messages.styles.value(rig->messages.styles.size() - 1), platform::MessageBoxes::Style::Critical);
        QVERIFY(rig->messages.texts.last().contains("stays normal"));
        scanTree(*form);  // still the normal pattern
        QCOMPARE(items(form.get(), "lstFound"), QStringList({rig->tree + "/a.exe", rig->tree + "/Sub/c.exe"}));

        rig->files.refuseWrite = false;
        form->IScanFull_Click();
        rig->files.refuseWrite = true;
        form->IScanFullb_Click();
        QVERIFY(child<QWidget>(form.get(), "IScanFullb")->isVisibleTo(form.get()));
        QVERIFY(rig->messages.texts.last().contains("stays full scanning"));
        scanTree(*form);  // and the next scan is a full one, as the message says
        QCOMPARE(items(form.get(), "lstFound").mid(2),
                 QStringList({rig->tree + "/a.exe", rig->tree + "/note.txt", rig->tree + "/Sub/c.exe"}));
    }

    // Another program saves the list between the screen's reading and its rewrite: the save
    // is switched in turn, never overwritten; one that keeps saving is left alone, and the
    // option and the message say that the mode stayed.
    void fullMode_listSavedMeanwhile_data()
    {
        QTest::addColumn<int>("saves");
        QTest::addColumn<bool>("switched");
        QTest::newRow("saved once") << 1 << true;
        QTest::newRow("saved before every try") << 1000 << false;
    }
    void fullMode_listSavedMeanwhile()
    {
        QFETCH(int, saves);
        QFETCH(bool, switched);
        writeTree();
        auto form = makeScreen();
        const QByteArray normal = "50000;*.exe;Limits dan ekstensi\r\n";
        const QByteArray records = test::readFile(rig->database()).mid(normal.size());
        int saved = 0;
        rig->files.beforeRewrite = [&] {
            if (saved < saves)
                test::writeFile(rig->database(), normal + records + "Added." + QByteArray::number(++saved) + ";1\n");
        };
        const qsizetype messages = rig->messages.texts.size();
        form->IScanFull_Click();
        rig->files.beforeRewrite = nullptr;
        const QByteArray added = "Added." + QByteArray::number(saved) + ";1\n";
        if (switched) {
            QCOMPARE(test::readFile(rig->database()), "100000;*.*;Limits dan ekstensi \r\n" + records + added);
            QCOMPARE(rig->messages.texts.size(), messages);
        } else {
            QCOMPARE(test::readFile(rig->database()), normal + records + added);
            QVERIFY(!child<QWidget>(form.get(), "IScanFullb")->isVisibleTo(form.get()));
            QVERIFY(rig->messages.texts.last().contains("changed by another program"));
            QVERIFY(rig->messages.texts.last().contains("stays normal"));
        }
        QVERIFY(items(form.get(), "List1").contains(QString::fromLatin1(added.chopped(1))));
    }

    // A list already in normal mode needs no write to open: one that cannot be written opens
    // without a message and is left exactly as it was.
    void opening_unwritableNormalModeListIsLeftAlone_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("read-only file") << "file";
        QTest::newRow("write refused (disk full)") << "refused";
    }
    void opening_unwritableNormalModeListIsLeftAlone()
    {
        QFETCH(QString, fault);
        writeTree();
        const QByteArray before = test::readFile(rig->database());
        if (fault == "file")
            QVERIFY(QFile::setPermissions(rig->database(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        else
            rig->files.refuseWrite = true;
        rig->files.beforeRewrite = [] {
            QFAIL("a list already in normal mode was written");
        };
        auto form = makeScreen();
        rig->files.beforeRewrite = nullptr;
        QCOMPARE(rig->messages.texts, QStringList());
        QCOMPARE(test::readFile(rig->database()), before);
        QVERIFY(!form->fullMode());
        scanTree(*form);
        QCOMPARE(items(form.get(), "lstFound"), QStringList({rig->tree + "/a.exe", rig->tree + "/Sub/c.exe"}));
    }

    // A full-mode list that cannot be put back in normal mode: the screen shows every option
    // off, so it scans as normal mode does, and says once why the file stayed as it was.
    void opening_unwritableFullModeListScansInNormalMode_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("why");
        QTest::newRow("read-only file") << "file"
                                        << "the file is read-only";
        QTest::newRow("read-only folder") << "folder"
                                          << "there is no permission to write in its folder";
        QTest::newRow("write refused (disk full)") << "refused"
                                                   << "the write failed";
    }
    void opening_unwritableFullModeListScansInNormalMode()
    {
        QFETCH(QString, fault);
        QFETCH(QString, why);
        if (fault == "folder" && ::geteuid() == 0)
            QSKIP("root writes into a read-only folder");
        writeTree();
        QByteArray full = test::readFile(rig->database());
        full.replace("50000;*.exe;Limits dan ekstensi", "100000;*.*;Limits dan ekstensi ");
        test::writeFile(rig->database(), full);
        const QFile::Permissions writable = QFile::permissions(rig->app);
        if (fault == "file")
            QVERIFY(QFile::setPermissions(rig->database(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        else if (fault == "folder")
            QVERIFY(QFile::setPermissions(rig->app, QFile::ReadOwner | QFile::ExeOwner));
        else
            rig->files.refuseWrite = true;

        auto form = makeScreen();
        QCOMPARE(rig->messages.texts.size(), 1);
        QVERIFY2(rig->messages.texts[0].contains("could not be put back in normal mode")
                     && rig->messages.texts[0].contains(why),
                 qPrintable(rig->messages.texts[0]));
        QCOMPARE(test::readFile(rig->database()), full);
        QVERIFY(child<QWidget>(form.get(), "IScanFull")->isVisibleTo(form.get()));
        QVERIFY(!form->fullMode());
        scanTree(*form);  // note.txt is found only by *.*
        QCOMPARE(items(form.get(), "lstFound"), QStringList({rig->tree + "/a.exe", rig->tree + "/Sub/c.exe"}));

        // The file is in full mode already: the switch needs no write, and the next scan is
        // the full one that the option now shows.
        form->IScanFull_Click();
        QCOMPARE(rig->messages.texts.size(), 1);
        QVERIFY(child<QWidget>(form.get(), "IScanFullb")->isVisibleTo(form.get()));
        QVERIFY(form->fullMode());
        scanTree(*form);
        QCOMPARE(items(form.get(), "lstFound").size(), 5);
        QFile::setPermissions(rig->app, writable);
    }

    void hugeRecordName_isCutInTheResultLine()
    {
        const QByteArray name(2 * 1024 * 1024, 'N');
        test::writeFile(rig->database(),
                        "50000;*.exe;Limits dan ekstensi\r\n" + name + ';' + test::checksumOf(kVirusOne).toLatin1()
                            + "\r\n");
        test::writeFile(rig->tree + "/a.exe", kVirusOne);
        auto form = makeScreen();
        QCOMPARE(items(form.get(), "wName", true).value(0).size(), name.size());
        scanTree(*form);
        const QStringList lines = items(form.get(), "lstVirusFound");
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines[0].startsWith("File a.exe, detected as: NNN"));
        QVERIFY2(lines[0].size() <= 1100, qPrintable(QString::number(lines[0].size())));
    }

    // The result list is laid out, scroll bar included, by the time the run lets events run,
    // so that the round of events paints its new lines: a list left to lay itself out later
    // stays blank until the run returns (as seen on X11).
    void results_areLaidOutWhenEventsRun()
    {
        rig->writeDatabase({{"Worm.A", kVirusOne}});
        for (int i = 0; i < 40; ++i)
            test::writeFile(rig->tree + QStringLiteral("/f%1.exe").arg(i, 2, 10, QLatin1Char('0')), kVirusOne);
        auto form = makeScreen();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        auto* list = child<QListWidget>(form.get(), "lstVirusFound");
        int drawnWith = 0;  // results in the list when its lines were first seen drawn
        int scrollableAt = 0;  // results in the list when its scroll bar first had a range
        bool newestShown = true;
        rig->events.during = [&] {
            const int found = list->count();
            if (found == 0)
                return;
            if (drawnWith == 0) {
                const QImage shot = list->viewport()->grab().toImage();
                const QRgb background = shot.pixel(shot.width() - 2, shot.height() - 2);
                for (int y = 0; y < std::min(shot.height(), 14) && drawnWith == 0; ++y)
                    for (int x = 0; x < shot.width() / 2; ++x)
                        if (shot.pixel(x, y) != background) {
                            drawnWith = found;
                            break;
                        }
            }
            if (scrollableAt == 0 && list->verticalScrollBar()->maximum() > 0)
                scrollableAt = found;
            newestShown
                = newestShown && list->viewport()->rect().intersects(list->visualItemRect(list->item(found - 1)));
        };
        scanTree(*form);
        QCOMPARE(list->count(), 40);
        QCOMPARE(drawnWith, 1);
        QVERIFY2(scrollableAt > 0 && scrollableAt < 40, qPrintable(QString::number(scrollableAt)));
        QVERIFY(newestShown);
        QCOMPARE(list->verticalScrollBar()->value(), list->verticalScrollBar()->maximum());
    }

    // The date label: two spaces and the creation time in the locale's short date and time,
    // on one line, within its 129 x 17 area, whatever the locale's format.
    void date_fitsOnOneLine_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::newRow("C (day, month name, year, seconds)") << "C";
        QTest::newRow("en_US") << "en_US";
        QTest::newRow("de_DE") << "de_DE";
        QTest::newRow("en_GB") << "en_GB";
    }
    void date_fitsOnOneLine()
    {
        QFETCH(QString, locale);
        const QLocale before;
        QLocale::setDefault(QLocale(locale));
        rig->writeDatabase({});
        auto form = makeScreen();
        QLocale::setDefault(before);
        const auto* date = child<QLabel>(form.get(), "lblDate");
        const auto created = rig->files.creationTime(QFile::encodeName(rig->database()).toStdString());
        QVERIFY(created);
        const QDateTime when = QDateTime::fromSecsSinceEpoch(
            std::chrono::duration_cast<std::chrono::seconds>(created->time_since_epoch()).count());
        QCOMPARE(date->text(), "  " + QLocale(locale).toString(when, QLocale::ShortFormat));
        QCOMPARE(date->size(), QSize(129, 17));
        QVERIFY(!date->wordWrap());
        const QFontMetrics metrics(date->font());
        QVERIFY2(metrics.horizontalAdvance(date->text()) <= 129, qPrintable(date->text()));
        QVERIFY(metrics.height() <= 17);
    }

    void fullMode_switchedDuringARunKeepsThatRunsSettings()
    {
        writeTree();
        auto form = makeScreen();
        bool switched = false;
        rig->events.during = [&] {
            if (!walking(form.get()))
                return;
            if (!switched)
                form->IScanFull_Click();  // reloads the lists under the running scan
            switched = true;
        };
        scanTree(*form);
        QCOMPARE(items(form.get(), "lstFound"), QStringList({rig->tree + "/a.exe", rig->tree + "/Sub/c.exe"}));
    }

    void resultClick_showsThePath()
    {
        writeTree();
        auto form = makeScreen();
        auto* list = child<QListWidget>(form.get(), "lstVirusFound");
        form->lstVirusFound_Click();  // empty list: nothing happens
        QCOMPARE(status(form.get()), QStringLiteral("Please Browse and Select Folder To Scan"));
        scanTree(*form);
        list->setCurrentRow(1);
        form->lstVirusFound_Click();
        QCOMPARE(status(form.get()), rig->tree + "/Sub/c.exe");
    }

    void killProcess_data()
    {
        QTest::addColumn<bool>("optionOn");
        QTest::newRow("on: ended") << true;
        QTest::newRow("off: left running") << false;
    }
    void killProcess()
    {
        QFETCH(bool, optionOn);
        const QString exe = rig->tree + "/qvictim.exe";
        QVERIFY(QFile::copy("/bin/sleep", exe));
        rig->writeDatabase({{"Sleeper", test::readFile(exe)}});
        QProcess victim;
        victim.start(exe, {"30"});
        QVERIFY(victim.waitForStarted());
        auto form = makeScreen();
        if (optionOn)
            form->IscanKillProcess_Click();
        scanTree(*form);
        QCOMPARE(items(form.get(), "lstVirusFound"), QStringList({"File qvictim.exe, detected as: Sleeper"}));
        QCOMPARE(victim.waitForFinished(optionOn ? 5000 : 300), optionOn);
        victim.kill();
        victim.waitForFinished();
    }

    // ---- Delete and Quarantine ----------------------------------------------------------

    void delete_nothingSelected()
    {
        writeTree();
        auto form = makeScreen();
        scanTree(*form);
        form->IScanDeleteb_Click();
        QCOMPARE(rig->messages.texts, QStringList({"No file selected"}));
        QCOMPARE(rig->messages.styles.value(0), Style::Critical);
        QCOMPARE(items(form.get(), "lstFound").size(), 2);
        QVERIFY(QFile::exists(rig->tree + "/a.exe"));
    }

    void delete_oneOfFive_data()
    {
        QTest::addColumn<bool>("readOnlyHidden");
        QTest::newRow("plain") << false;
        QTest::newRow("read-only and hidden") << true;
    }
    void delete_oneOfFive()
    {
        QFETCH(bool, readOnlyHidden);
        rig->writeDatabase({{"Worm.A", kVirusOne}});
        for (int i = 1; i <= 5; ++i)
            test::writeFile(rig->tree + QStringLiteral("/v%1.exe").arg(i), kVirusOne);
        const std::string third = QFile::encodeName(rig->tree + "/v3.exe").toStdString();
        if (readOnlyHidden)
            QVERIFY(rig->files.setAttributes(third, platform::Attribute::ReadOnly | platform::Attribute::Hidden));
        auto form = makeScreen();
        scanTree(*form);
        child<QListWidget>(form.get(), "lstVirusFound")->setCurrentRow(2);
        form->IScanDeleteb_Click();
        QVERIFY(!QFile::exists(rig->tree + "/v3.exe"));
        QCOMPARE(
            items(form.get(), "lstFound"),
            QStringList({rig->tree + "/v1.exe", rig->tree + "/v2.exe", rig->tree + "/v4.exe", rig->tree + "/v5.exe"}));
        QCOMPARE(items(form.get(), "lstVirusFound"),
                 QStringList({"File v1.exe, detected as: Worm.A", "File v2.exe, detected as: Worm.A",
                              "File v4.exe, detected as: Worm.A", "File v5.exe, detected as: Worm.A"}));
        QCOMPARE(status(form.get()), QStringLiteral("Virus Found : 4"));
        QVERIFY(rig->messages.texts.isEmpty());
        // Nothing is left chosen, so a second click deletes nothing more.
        QVERIFY(child<QListWidget>(form.get(), "lstVirusFound")->selectedItems().isEmpty());
        form->IScanDeleteb_Click();
        QCOMPARE(rig->messages.texts, QStringList({"No file selected"}));
        QCOMPARE(items(form.get(), "lstFound").size(), 4);
        for (int i : {1, 2, 4, 5})
            QVERIFY(QFile::exists(rig->tree + QStringLiteral("/v%1.exe").arg(i)));
    }

    void delete_failureKeepsTheEntryAndNamesTheFile_data()
    {
        QTest::addColumn<bool>("fileStays");
        QTest::newRow("file cannot be deleted") << true;
        QTest::newRow("file already gone") << false;
    }
    void delete_failureKeepsTheEntryAndNamesTheFile()
    {
        QFETCH(bool, fileStays);
        writeTree();
        auto form = makeScreen();
        scanTree(*form);
        const QString a = rig->tree + "/a.exe";
        if (fileStays)
            rig->files.refuseRemove.insert(QFile::encodeName(a).toStdString());
        else
            QFile::remove(a);
        child<QListWidget>(form.get(), "lstVirusFound")->setCurrentRow(0);
        form->IScanDeleteb_Click();
        if (fileStays) {
            QVERIFY(QFile::exists(a));
            QCOMPARE(items(form.get(), "lstFound"), QStringList({a, rig->tree + "/Sub/c.exe"}));
            QCOMPARE(rig->messages.texts.size(), 1);
            QVERIFY(rig->messages.texts[0].contains(a));
            QCOMPARE(status(form.get()), QStringLiteral("Virus Found : 2"));
        } else {
            QCOMPARE(items(form.get(), "lstFound"), QStringList({rig->tree + "/Sub/c.exe"}));
            QVERIFY(rig->messages.texts.isEmpty());
            QCOMPARE(status(form.get()), QStringLiteral("Virus Found : 1"));
        }
    }

    void quarantine_movesAByteIdenticalCopyNamedFromTheClock()
    {
        writeTree();
        const QString a = rig->tree + "/a.exe";
        QFile::setPermissions(a, QFile::permissions(a) | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
        rig->clock.at = test::localTimeToday(9, 15, 30);
        auto form = makeScreen();
        scanTree(*form);
        child<QListWidget>(form.get(), "lstVirusFound")->setCurrentRow(0);
        form->IscanQuab_Click();

        const QString stored = rig->quarantine() + "/qnosecure144430.mal";
        QCOMPARE(test::readFile(stored), kVirusOne);
        QVERIFY(!QFile::exists(a));
        struct stat st { };
        QCOMPARE(::stat(QFile::encodeName(stored).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0111, 0u);
        QCOMPARE(items(form.get(), "lstFound"), QStringList({rig->tree + "/Sub/c.exe"}));
        QCOMPARE(status(form.get()), QStringLiteral("Virus Found : 1"));
        QVERIFY(rig->messages.texts.isEmpty());

        // A second file at the same time of day gets its own name; the first copy stays.
        child<QListWidget>(form.get(), "lstVirusFound")->setCurrentRow(0);
        form->IscanQuab_Click();
        QCOMPARE(test::readFile(stored), kVirusOne);
        QCOMPARE(test::readFile(rig->quarantine() + "/qnosecure144430_2.mal"), kVirusTwo);
        QVERIFY(items(form.get(), "lstFound").isEmpty());
    }

    void quarantine_failureLeavesFileAndEntry_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("why");
        QTest::newRow("copy refused") << "refuseCopy"
                                      << "could not be copied";
        QTest::newRow("copy differs") << "spoilCopy"
                                      << "did not match";
        QTest::newRow("original cannot be deleted") << "refuseRemove"
                                                    << "could not be deleted";
        QTest::newRow("quarantine folder is a file") << "folderIsFile"
                                                     << "could not be copied";
    }
    void quarantine_failureLeavesFileAndEntry()
    {
        QFETCH(QString, fault);
        QFETCH(QString, why);
        writeTree();
        const QString a = rig->tree + "/a.exe";
        rig->clock.at = test::localTimeToday(12, 0, 0);
        auto form = makeScreen();
        scanTree(*form);
        if (fault == "refuseCopy")
            rig->files.refuseCopy = true;
        else if (fault == "spoilCopy")
            rig->files.spoilCopy = true;
        else if (fault == "refuseRemove")
            rig->files.refuseRemove.insert(QFile::encodeName(a).toStdString());
        else {
            QDir(rig->quarantine()).removeRecursively();
            test::writeFile(rig->quarantine(), "not a folder");
        }
        child<QListWidget>(form.get(), "lstVirusFound")->setCurrentRow(0);
        form->IscanQuab_Click();
        QCOMPARE(test::readFile(a), kVirusOne);
        QCOMPARE(items(form.get(), "lstFound"), QStringList({a, rig->tree + "/Sub/c.exe"}));
        QCOMPARE(rig->messages.texts.size(), 1);
        QVERIFY2(rig->messages.texts[0].contains(a) && rig->messages.texts[0].contains(why),
                 qPrintable(rig->messages.texts[0]));
        // No half or spoilt copy is left behind to be taken for the file.
        QVERIFY(!QFile::exists(rig->quarantine() + "/qnosecure120000.mal"));
    }

    void quarantine_makesAMissingFolder()
    {
        writeTree();
        QVERIFY(QDir(rig->quarantine()).removeRecursively());
        rig->clock.at = test::localTimeToday(0, 0, 0);
        auto form = makeScreen();
        scanTree(*form);
        child<QListWidget>(form.get(), "lstVirusFound")->setCurrentRow(1);
        form->IscanQuab_Click();
        QCOMPARE(test::readFile(rig->quarantine() + "/qnosecure000000.mal"), kVirusTwo);
        QVERIFY(!QFile::exists(rig->tree + "/Sub/c.exe"));
        QCOMPARE(items(form.get(), "lstFound"), QStringList({rig->tree + "/a.exe"}));
    }

    void quarantine_fileAlreadyGoneLeavesSilently()
    {
        writeTree();
        auto form = makeScreen();
        scanTree(*form);
        QFile::remove(rig->tree + "/a.exe");
        child<QListWidget>(form.get(), "lstVirusFound")->setCurrentRow(0);
        form->IscanQuab_Click();
        QCOMPARE(items(form.get(), "lstFound"), QStringList({rig->tree + "/Sub/c.exe"}));
        QVERIFY(rig->messages.texts.isEmpty());
        QVERIFY(QDir(rig->quarantine()).isEmpty());
    }

    // ---- Closing and the one UI thread ----------------------------------------------------

    void close_duringAScanStopsItFirst_data()
    {
        QTest::addColumn<bool>("whileWalking");
        QTest::newRow("while the animation loads") << false;
        QTest::newRow("while the tree is walked") << true;
    }
    void close_duringAScanStopsItFirst()
    {
        QFETCH(bool, whileWalking);
        writeTree();
        scan::FormScan* raw = new scan::FormScan(rig->platform);
        raw->setYieldInterval(0);
        QPointer<scan::FormScan> form(raw);
        QString statusAtClose;
        QStringList examinedAfterClose;
        rig->events.during = [&] {
            if (!form)
                return;
            if (!statusAtClose.isNull()) {
                if (walking(form) && status(form) != statusAtClose)
                    examinedAfterClose << status(form);
                return;
            }
            if (whileWalking != walking(form))
                return;
            statusAtClose = status(form);
            QVERIFY(!form->close());  // refused while the run is below us
        };
        raw->show();
        child<QLineEdit>(raw, "txtPath")->setText(rig->tree);
        raw->IScanFolderb_Click();
        QVERIFY(!statusAtClose.isNull());
        QVERIFY2(examinedAfterClose.isEmpty(), qPrintable(examinedAfterClose.join(", ")));
        QTRY_VERIFY(form.isNull());
    }

    void destroy_duringAScanLeavesTheRunWithoutTouchingIt_data()
    {
        QTest::addColumn<bool>("whileWalking");
        QTest::newRow("while the animation loads") << false;
        QTest::newRow("while the tree is walked") << true;
    }
    void destroy_duringAScanLeavesTheRunWithoutTouchingIt()
    {
        QFETCH(bool, whileWalking);
        writeTree();
        for (int i = 0; i < 20; ++i)
            test::writeFile(rig->tree + QStringLiteral("/more/f%1.exe").arg(i), kVirusOne);
        scan::FormScan* raw = new scan::FormScan(rig->platform);
        raw->setYieldInterval(0);
        bool destroyed = false;
        int yieldsAfter = 0;
        rig->events.during = [&] {
            if (destroyed) {
                ++yieldsAfter;
                return;
            }
            if (whileWalking != walking(raw))
                return;
            destroyed = true;
            delete raw;  // as when the program ends while a scan lets events run
        };
        child<QLineEdit>(raw, "txtPath")->setText(rig->tree);
        raw->IScanFolderb_Click();
        QVERIFY(destroyed);
        QVERIFY(yieldsAfter <= 2);  // the loader's last frame at most; no further file
        QVERIFY(rig->sound.played.isEmpty());
    }

    // A message box lets events run: the screen may be destroyed under it, and the step
    // that showed it must then leave the screen alone.
    void destroy_duringAMessageLeavesTheScreenAlone_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("message");
        QTest::newRow("Delete with nothing selected") << "delete"
                                                      << "No file selected";
        QTest::newRow("Quarantine with nothing selected") << "quarantine"
                                                          << "No file selected";
        QTest::newRow("Scan of a path that is no folder") << "scan"
                                                          << "Path file not found";
    }
    void destroy_duringAMessageLeavesTheScreenAlone()
    {
        QFETCH(QString, step);
        QFETCH(QString, message);
        auto* raw = new scan::FormScan(rig->platform);
        raw->setYieldInterval(0);
        QPointer<scan::FormScan> form(raw);
        child<QLineEdit>(raw, "txtPath")->setText(QStringLiteral("not a full path"));
        rig->messages.whileShown = [&] {
            delete form.data();
        };
        if (step == QLatin1String("delete"))
            raw->IScanDeleteb_Click();
        else if (step == QLatin1String("quarantine"))
            raw->IscanQuab_Click();
        else
            raw->IScanFolderb_Click();
        QVERIFY(form.isNull());
        QCOMPARE(rig->messages.texts, QStringList{message});
        QVERIFY(rig->sound.played.isEmpty());
    }

    void database_unreadableIsReportedAndLeftAlone()
    {
        // A folder where the file should be: it exists but cannot be read as a file.
        QVERIFY(QDir().mkpath(rig->database()));
        test::writeFile(rig->database() + "/inside", "kept");
        auto form = makeScreen();
        QCOMPARE(rig->messages.texts.size(), 1);
        QVERIFY(rig->messages.texts[0].contains("database.db"));
        QVERIFY(rig->messages.texts[0].contains("cannot be read"));
        QVERIFY(QFileInfo(rig->database()).isDir());
        QCOMPARE(test::readFile(rig->database() + "/inside"), QByteArray("kept"));
        // The screen works: a scan runs (finding nothing) and the mode switch writes nothing.
        test::writeFile(rig->tree + "/a.exe", kVirusOne);
        scanTree(*form);
        QCOMPARE(status(form.get()), QStringLiteral("Virus Found : 0"));
        form->IScanFull_Click();
        QVERIFY(QFileInfo(rig->database()).isDir());
    }
};

QTEST_MAIN(TestFormScan)
#include "tst_formscan.moc"
