// The process manager, with a real child process and, for the path rules, a small table.

#include "ToolsFixture.h"
#include "shell/AppFiles.h"
#include "shell/Picture.h"
#include "tools/FormProcess.h"

#include <QApplication>
#include <QFocusEvent>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <map>

using namespace quenno;
using test::FakeProcessTable;

namespace {

// The screen's surroundings with the fake table in place of the system's.
struct FakeTableRig {
    FakeTableRig(const QString& dir, std::vector<platform::ProcessEntry> entries,
                 std::map<std::uint32_t, std::string> paths)
        : fixture(dir), table(fixture.processTable)
    {
        table.entries = std::move(entries);
        table.paths = std::move(paths);
        fixture.platform.processes = &table;
    }
    test::ToolsPlatform fixture;
    FakeProcessTable& table;
};

// Relative luminance and contrast ratio of the Web Content Accessibility Guidelines.
double luminance(QColor colour)
{
    const auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

double contrast(QColor a, QColor b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

int rowOfPid(QListWidget* pids, qint64 pid)
{
    const auto found = pids->findItems(QString::number(pid), Qt::MatchExactly);
    return found.size() == 1 ? pids->row(found.first()) : -1;
}

}  // namespace

class TestFormProcess : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_childProgram;

    QListWidget* list(tools::FormProcess& form, const char* name) { return form.findChild<QListWidget*>(name); }
    QString label(tools::FormProcess& form, const char* name) { return form.findChild<QLabel*>(name)->text(); }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        // A program of our own name, so that the list entry is unmistakably the child's.
        m_childProgram = m_dir.filePath(QStringLiteral("qchild%1").arg(QCoreApplication::applicationPid()));
        QVERIFY(QFile::copy("/bin/sleep", m_childProgram));
        QVERIFY(QFile::setPermissions(m_childProgram, QFile::permissions(m_childProgram) | QFile::ExeOwner));
    }

    // The lists show every process with its id beside it; picking the child shows its
    // path and size; Kill ends it and the next rebuild no longer lists it.
    void childListedShownAndKilled()
    {
        QProcess child;
        child.start(m_childProgram, {"60"});
        QVERIFY(child.waitForStarted());
        test::ToolsPlatform fixture(m_dir.path());
        tools::FormProcess form(fixture.platform);
        QListWidget* names = list(form, "List1");
        QListWidget* pids = list(form, "List2");
        QCOMPARE(names->count(), pids->count());
        const int row = rowOfPid(pids, child.processId());
        QVERIFY(row >= 0);
        QCOMPARE(names->item(row)->text(), QFileInfo(m_childProgram).fileName());
        QVERIFY(rowOfPid(pids, QCoreApplication::applicationPid()) >= 0);

        names->setCurrentRow(row);
        QCOMPARE(pids->currentRow(), row);
        QCOMPARE(label(form, "lblPath"), m_childProgram);
        QCOMPARE(label(form, "lblSize"), QString::number(QFileInfo(m_childProgram).size()) + " bytes");

        form.IProcessKillb_Click();
        QVERIFY(child.waitForFinished(5000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QCOMPARE(label(form, "lblPath"), m_childProgram);  // the labels keep their text
        form.Timer1_Timer();
        QCOMPARE(rowOfPid(pids, child.processId()), -1);
        QCOMPARE(names->currentRow(), -1);
        QCOMPARE(names->count(), pids->count());
    }

    void killWithoutSelectionOrOnItselfEndsNothing()
    {
        QProcess child;
        child.start(m_childProgram, {"60"});
        QVERIFY(child.waitForStarted());
        test::ToolsPlatform fixture(m_dir.path());
        tools::FormProcess form(fixture.platform);
        form.IProcessKillb_Click();
        QVERIFY(!child.waitForFinished(300));
        QVERIFY(rowOfPid(list(form, "List2"), child.processId()) >= 0);  // rebuilt, still there

        list(form, "List1")->setCurrentRow(rowOfPid(list(form, "List2"), QCoreApplication::applicationPid()));
        form.IProcessKillb_Click();  // refused: we are still here
        QVERIFY(rowOfPid(list(form, "List2"), QCoreApplication::applicationPid()) >= 0);
        child.kill();
        child.waitForFinished();
    }

    void pathAndSizeOfTheSelection_data()
    {
        QTest::addColumn<QString>("reported");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("size");
        const QString program = m_dir.filePath("qchild%1").arg(QCoreApplication::applicationPid());
        QTest::newRow("readable") << program << program << QString::number(QFileInfo(program).size()) + " bytes";
        QTest::newRow("cannot be read") << ""
                                        << ""
                                        << "";
        QTest::newRow("file gone") << m_dir.filePath("gone.exe") << m_dir.filePath("gone.exe") << "";
        QTest::newRow("native SystemRoot form") << "\\SystemRoot\\System32\\smss.exe"
                                                << ""
                                                << "";
        QTest::newRow("native device form") << "\\??\\C:\\Windows\\system32\\csrss.exe"
                                            << ""
                                            << "";
    }
    void pathAndSizeOfTheSelection()
    {
        QFETCH(QString, reported);
        QFETCH(QString, path);
        QFETCH(QString, size);
        test::ToolsPlatform fixture(m_dir.path());
        FakeProcessTable table;
        table.entries = {{4, "System"}, {700, "target.exe"}};
        table.paths[700] = reported.toStdString();
        fixture.platform.processes = &table;
        tools::FormProcess form(fixture.platform);
        list(form, "List1")->setCurrentRow(1);
        QCOMPARE(label(form, "lblPath"), path);
        QCOMPARE(label(form, "lblSize"), size);
    }

    // Picking an id directly selects its process, so Kill ends the process whose path shows.
    void pickedIdSelectsItsProcess()
    {
        test::ToolsPlatform fixture(m_dir.path());
        FakeProcessTable table;
        table.entries = {{4, "System"}, {700, "a.exe"}, {900, "b.exe"}};
        table.paths = {{700, "/a"}, {900, "/b"}};
        fixture.platform.processes = &table;
        tools::FormProcess form(fixture.platform);
        list(form, "List1")->setCurrentRow(1);
        list(form, "List2")->setCurrentRow(2);
        QCOMPARE(list(form, "List1")->currentRow(), 2);
        QCOMPARE(label(form, "lblPath"), QString("/b"));
        form.IProcessKillb_Click();
        QCOMPARE(table.attempted, std::vector<std::uint32_t>{900});
    }

    // A Ctrl+click on the selected entry of either list clears both selections: no path
    // of a process that is no longer picked stays selectable, and Kill ends nothing.
    void unselectingClearsBothLists_data()
    {
        QTest::addColumn<QString>("clicked");
        QTest::newRow("name list") << "List1";
        QTest::newRow("id list") << "List2";
    }
    void unselectingClearsBothLists()
    {
        QFETCH(QString, clicked);
        FakeTableRig rig(m_dir.path(), {{4, "System"}, {700, "a.exe"}, {900, "b.exe"}}, {{700, "/a"}, {900, "/b"}});
        tools::FormProcess form(rig.fixture.platform);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QListWidget* target = list(form, clicked.toLatin1().constData());
        const QPoint spot = target->visualItemRect(target->item(2)).center();
        QTest::mouseClick(target->viewport(), Qt::LeftButton, {}, spot);
        QCOMPARE(list(form, "List1")->selectedItems().size(), 1);
        QCOMPARE(list(form, "List2")->selectedItems().size(), 1);
        QCOMPARE(label(form, "lblPath"), QString("/b"));

        QTest::mouseClick(target->viewport(), Qt::LeftButton, Qt::ControlModifier, spot);
        QVERIFY(list(form, "List1")->selectedItems().isEmpty());
        QVERIFY(list(form, "List2")->selectedItems().isEmpty());
        form.IProcessKillb_Click();
        QVERIFY(rig.table.attempted.empty());
    }

    // The path and size are read on the fields drawn for them: every background pixel under
    // each label keeps the contrast ratio of readable text (4.5:1) with the label's colour.
    void pathAndSizeAreReadable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("path") << "lblPath";
        QTest::newRow("size") << "lblSize";
    }
    void pathAndSizeAreReadable()
    {
        QFETCH(QString, name);
        FakeTableRig rig(m_dir.path(), {}, {});
        tools::FormProcess form(rig.fixture.platform);
        auto* background = form.findChild<shell::Picture*>("Image1");
        auto* shown = form.findChild<QLabel*>(name);
        QVERIFY(background && shown);
        const QImage field = background->pixmap().toImage();
        QVERIFY(!field.isNull());
        const QColor text = shown->palette().color(QPalette::WindowText);
        const QRect area = shown->geometry().translated(-background->pos());
        double worst = 100;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x)
                worst = std::min(worst, contrast(text, field.pixelColor(x, y)));
        }
        QVERIFY2(worst >= 4.5, qPrintable(QString("contrast %1:1").arg(worst)));
    }

    // Entering a list by the keyboard puts the focus frame on its first entry; that is no
    // selection, so no path shows and Kill ends nothing.
    void focusOnAListSelectsNothing()
    {
        test::ToolsPlatform fixture(m_dir.path());
        FakeProcessTable table;
        table.entries = {{4, "System"}, {700, "a.exe"}};
        table.paths = {{4, "/system"}, {700, "/a"}};
        fixture.platform.processes = &table;
        tools::FormProcess form(fixture.platform);
        for (const char* name : {"List1", "List2"}) {
            QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
            QApplication::sendEvent(list(form, name), &in);
        }
        QCOMPARE(label(form, "lblPath"), QString());
        form.IProcessKillb_Click();
        QVERIFY(table.attempted.empty());
    }

    void timerRefreshesEvery35Seconds()
    {
        test::ToolsPlatform fixture(m_dir.path());
        FakeProcessTable table;
        table.entries = {{4, "System"}, {700, "a.exe"}};
        table.paths = {{700, "/a"}};
        fixture.platform.processes = &table;
        tools::FormProcess form(fixture.platform);
        auto* timer = form.findChild<QTimer*>("Timer1");
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 35000);
        list(form, "List1")->setCurrentRow(1);
        table.entries.push_back({800, "new.exe"});
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));  // a tick
        QCOMPARE(list(form, "List1")->count(), 3);
        QCOMPARE(list(form, "List2")->item(2)->text(), QString("800"));
        QCOMPARE(list(form, "List1")->currentRow(), -1);
        QCOMPARE(label(form, "lblPath"), QString("/a"));
    }

    void closeUnloadsAndButtonsLight()
    {
        test::ToolsPlatform fixture(m_dir.path());
        FakeProcessTable table;
        fixture.platform.processes = &table;
        auto* form = new tools::FormProcess(fixture.platform);
        const QPointer<QObject> loaded(form);
        QCOMPARE(form->windowTitle(), QString("Process Manager"));
        QCOMPARE(form->size(), QSize(326, 433));
        auto* kill = form->findChild<shell::Picture*>("IProcessKill");
        auto* killLit = form->findChild<shell::Picture*>("IProcessKillb");
        QVERIFY(!kill->isHidden() && killLit->isHidden());
        form->IProcessKill_MouseMove();
        QVERIFY(kill->isHidden() && !killLit->isHidden());
        QCOMPARE(fixture.sound.played.size(), 1);
        QVERIFY(fixture.sound.played.first().endsWith(QStringLiteral("/") + shell::appfiles::MenuCommandSound));
        form->Image1_MouseMove();
        QVERIFY(!kill->isHidden() && killLit->isHidden());

        form->show();
        form->IProcessDeleteb_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(loaded.isNull());
    }
};

QTEST_MAIN(TestFormProcess)
#include "tst_FormProcess.moc"
