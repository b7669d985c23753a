// Ending the processes of a detected file by image name.

#include "platform/linux/LinuxProcessTable.h"
#include "scan/mdlWinExit.h"
#include "tests/support/FakeProcessTable.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace quenno;
using test::FakeProcessTable;

namespace {

QList<std::uint32_t> attempted(const FakeProcessTable& processes)
{
    return QList<std::uint32_t>(processes.attempted.begin(), processes.attempted.end());
}

}  // namespace

class TestMdlWinExit : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void matching_data();
    void matching();
    void refusedProcessDoesNotStopTheWalk();
    void realProcesses();
};

void TestMdlWinExit::matching_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<std::uint32_t>>("terminated");
    // The table below: 10 virus.exe (first entry), 11 VIRUS.EXE, 12 myvirus.exe,
    // 13 virus.com, 14 data.exe, 15 explorer.exe.
    QTest::newRow("case ignored, substring, first entry too") << "Virus.EXE" << QList<std::uint32_t>{10, 11, 12};
    QTest::newRow("short name inside a longer one") << "a.exe" << QList<std::uint32_t>{14};
    QTest::newRow("no process of that name") << "worm.exe" << QList<std::uint32_t>{};
    QTest::newRow("empty name ends nothing") << "" << QList<std::uint32_t>{};
}

void TestMdlWinExit::matching()
{
    QFETCH(QString, name);
    QFETCH(QList<std::uint32_t>, terminated);
    FakeProcessTable processes;
    processes.entries = {{10, "virus.exe"}, {11, "VIRUS.EXE"}, {12, "myvirus.exe"},
                         {13, "virus.com"}, {14, "data.exe"},  {15, "explorer.exe"}};
    scan::KillProcessByName(processes, name.toStdString());
    QCOMPARE(attempted(processes), terminated);
}

void TestMdlWinExit::refusedProcessDoesNotStopTheWalk()
{
    FakeProcessTable processes;
    processes.entries = {{1, "virus.exe"}, {20, "virus.exe"}, {21, "virus.exe"}};
    processes.refused = {1, 20};
    scan::KillProcessByName(processes, "virus.exe");
    QCOMPARE(attempted(processes), (QList<std::uint32_t>{1, 20, 21}));
}

void TestMdlWinExit::realProcesses()
{
    // A token of our own keeps this test from touching processes it did not start.
    QString token;
    for (int i = 0; i < 8; ++i)
        token += QChar('a' + QRandomGenerator::global()->bounded(26));
    QTemporaryDir dir;
    const QStringList names{token + "virus.exe", "my" + token + "virus.exe", token + "virus.com",
                            (token + "VIRUS.EXE").toUpper()};
    const QList<bool> shouldEnd{true, true, false, true};
    std::vector<std::unique_ptr<QProcess>> children;
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        QVERIFY(QFile::copy("/bin/sleep", path));
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        auto child = std::make_unique<QProcess>();
        child->start(path, {"60"});
        QVERIFY2(child->waitForStarted(), qPrintable(child->errorString()));
        children.push_back(std::move(child));
    }

    platform::LinuxProcessTable processes;
    scan::KillProcessByName(processes, (token.left(3).toUpper() + token.mid(3) + "Virus.EXE").toStdString());

    for (std::size_t i = 0; i < children.size(); ++i) {
        const bool ended = children[i]->waitForFinished(shouldEnd[int(i)] ? 5000 : 300);
        QVERIFY2(ended == shouldEnd[int(i)], qPrintable(names[int(i)]));
    }
    for (auto& child : children) {
        child->kill();
        child->waitForFinished(5000);
    }
}

QTEST_GUILESS_MAIN(TestMdlWinExit)
#include "tst_mdlwinexit.moc"
