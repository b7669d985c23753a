// The Linux process table on real child processes.

#include "platform/linux/LinuxProcessTable.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace quenno::platform;

class TestProcessTable : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    LinuxProcessTable m_table;

    static std::optional<ProcessEntry> find(const std::vector<ProcessEntry>& entries, std::uint32_t pid)
    {
        for (const auto& e : entries) {
            if (e.pid == pid)
                return e;
        }
        return std::nullopt;
    }

private slots:
    void imageName_data()
    {
        QTest::addColumn<QByteArray>("exe");
        QTest::addColumn<QByteArray>("cmdline");
        QTest::addColumn<QByteArray>("comm");
        QTest::addColumn<QString>("expected");
        QTest::newRow("executable") << QByteArray("/usr/bin/bash") << QByteArray("-bash\0", 6) << QByteArray()
                                    << "bash";
        QTest::newRow("deleted executable")
            << QByteArray("/tmp/x/virus.exe (deleted)") << QByteArray() << QByteArray() << "virus.exe";
        QTest::newRow("windows program") << QByteArray("/usr/lib/wine/wine64-preloader")
                                         << QByteArray("C:\\windows\\system32\\Notepad.exe\0/a\0", 34) << QByteArray()
                                         << "Notepad.exe";
        QTest::newRow("windows program, unix path")
            << QByteArray("/usr/bin/wine") << QByteArray("/home/u/.wine/drive_c/virus.exe\0", 32) << QByteArray()
            << "virus.exe";
        QTest::newRow("loader without program")
            << QByteArray("/usr/bin/wine-preloader") << QByteArray() << QByteArray() << "wine-preloader";
        QTest::newRow("no executable: comm")
            << QByteArray() << QByteArray("sshd: user@pts/0\0", 17) << QByteArray("sshd\n") << "sshd";
        QTest::newRow("no executable: cut comm completed")
            << QByteArray() << QByteArray("/opt/averyverylongname.bin\0--x\0", 31) << QByteArray("averyverylongna\n")
            << "averyverylongname.bin";
        QTest::newRow("no executable, no comm")
            << QByteArray() << QByteArray("/sbin/init splash\0", 18) << QByteArray() << "init";
    }
    void imageName()
    {
        QFETCH(QByteArray, exe);
        QFETCH(QByteArray, cmdline);
        QFETCH(QByteArray, comm);
        QFETCH(QString, expected);
        const std::string name = imageNameFrom(std::string_view(exe.constData(), std::size_t(exe.size())),
                                               std::string_view(cmdline.constData(), std::size_t(cmdline.size())),
                                               std::string_view(comm.constData(), std::size_t(comm.size())));
        QCOMPARE(QString::fromStdString(name), expected);
    }

    void childAppearsAndIsTerminated_data()
    {
        QTest::addColumn<bool>("deleteExecutable");
        QTest::newRow("running copy") << false;
        QTest::newRow("executable deleted after start") << true;
    }
    void childAppearsAndIsTerminated()
    {
        QFETCH(bool, deleteExecutable);
        QVERIFY(m_tmp.isValid());
        const QString program = m_tmp.filePath(deleteExecutable ? "gone-sleeper.exe" : "Quenno Sleeper.exe");
        QFile::remove(program);
        QVERIFY(QFile::copy("/bin/sleep", program));
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QProcess child;
        child.start(program, {"60"});
        QVERIFY(child.waitForStarted());
        const auto pid = static_cast<std::uint32_t>(child.processId());
        if (deleteExecutable)
            QVERIFY(QFile::remove(program));

        const auto entries = m_table.snapshot();
        QVERIFY(std::is_sorted(entries.begin(), entries.end(), [](const ProcessEntry& a, const ProcessEntry& b) {
            return a.pid < b.pid;
        }));
        const auto entry = find(entries, pid);
        QVERIFY(entry);
        QCOMPARE(QString::fromStdString(entry->imageName), QFileInfo(program).fileName());
        QCOMPARE(QString::fromStdString(m_table.imagePath(pid)), program);
        QVERIFY(find(entries, static_cast<std::uint32_t>(::getpid())));

        QVERIFY(m_table.terminate(pid));
        QVERIFY(child.waitForFinished(5000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QVERIFY(!find(m_table.snapshot(), pid));
        QCOMPARE(m_table.imagePath(pid), std::string());
    }

    void terminateRefuses_data()
    {
        QTest::addColumn<quint32>("pid");
        QTest::newRow("own process") << quint32(::getpid());
        QTest::newRow("init") << quint32(1);
        QTest::newRow("zero: own process group") << quint32(0);
        QTest::newRow("all ones: every process") << quint32(0xFFFFFFFF);
        QTest::newRow("negative pid: a group") << quint32(0x80000001);
    }
    void terminateRefuses()
    {
        QFETCH(quint32, pid);
        QVERIFY(!m_table.terminate(pid));
    }
};

QTEST_GUILESS_MAIN(TestProcessTable)
#include "tst_processtable.moc"
