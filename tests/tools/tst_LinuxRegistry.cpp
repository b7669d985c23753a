// The Linux registry store: registry-export files for the per-user and machine-wide keys.

#include "platform/linux/LinuxRegistry.h"
#include "platform/linux/LinuxRegistryFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using quenno::platform::LinuxRegistry;
using quenno::platform::RegistryValue;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestLinuxRegistry : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString userFile() const { return m_dir.filePath("config/QuennoAV/registry.reg"); }
    QString machineFile() const { return m_dir.filePath("etc/QuennoAV/registry.reg"); }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    void rootSpellingsNameTheSameKey_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("read");
        QTest::addColumn<bool>("machine");
        QTest::newRow("HKCU then long") << "HKCU\\Software\\Q\\V" << "HKEY_CURRENT_USER\\Software\\Q\\V" << false;
        QTest::newRow("long then HKCU") << "HKEY_CURRENT_USER\\Software\\Q\\V" << "HKCU\\Software\\Q\\V" << false;
        QTest::newRow("HKLM then long") << "HKLM\\Software\\Q\\V" << "HKEY_LOCAL_MACHINE\\Software\\Q\\V" << true;
        QTest::newRow("long then HKLM") << "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\\V" << "HKLM\\Software\\q\\v" << true;
        QTest::newRow("letter case of keys and names") << "hkcu\\SOFTWARE\\Q\\Value" << "HKCU\\software\\q\\VALUE" << false;
    }
    void rootSpellingsNameTheSameKey()
    {
        QFETCH(QString, written);
        QFETCH(QString, read);
        QFETCH(bool, machine);
        LinuxRegistry registry(userFile(), machineFile());
        QVERIFY(registry.writeDword(written.toStdString(), 10));
        const auto value = registry.readValue(read.toStdString());
        QVERIFY(value);
        QCOMPARE(value->type, RegistryValue::Type::Dword);
        QCOMPARE(value->dword, 10u);
        QCOMPARE(QFile::exists(machineFile()), machine);
        QCOMPARE(QFile::exists(userFile()), !machine);
        QVERIFY(registry.deleteValue(read.toStdString()));
        QVERIFY(!registry.readValue(written.toStdString()));
    }

    // What the Windows registry editor imports: header, long roots, escaped strings, dwords.
    void fileIsARegistryExport()
    {
        LinuxRegistry registry(userFile(), machineFile());
        QVERIFY(registry.writeString("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\QuennoAV",
                                     "C:\\Program Files\\Q \"AV\"\\QuennoAV.exe"));
        QVERIFY(registry.writeDword("HKCU\\Software\\Q\\Count", 0xA));
        QVERIFY(registry.writeDword("HKCU\\Software\\Q\\Count", 0xFFFFFFFF));
        QCOMPARE(readAll(userFile()),
                 QByteArray("Windows Registry Editor Version 5.00\r\n"
                            "\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
                            "\"QuennoAV\"=\"C:\\\\Program Files\\\\Q \\\"AV\\\"\\\\QuennoAV.exe\"\r\n"
                            "\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Q]\r\n"
                            "\"Count\"=dword:ffffffff\r\n"));
        // A fresh instance reads back exactly what was written.
        LinuxRegistry again(userFile(), machineFile());
        QCOMPARE(again.readValue("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\QuennoAV")->text,
                 std::string("C:\\Program Files\\Q \"AV\"\\QuennoAV.exe"));
        QVERIFY(QDir(QFileInfo(userFile()).absolutePath()).entryList(QDir::Files) == QStringList{"registry.reg"});
    }

    // A file exported by the registry editor (UTF-16LE, comments, hex values over several
    // lines, removals) is read, and what we do not understand is kept when we write.
    void importsAnExportAndKeepsOtherValues()
    {
        const QString text = QStringLiteral(
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "; exported\r\n"
            "[HKEY_CURRENT_USER\\Software\\Q]\r\n"
            "@=\"default\"\r\n"
            "\"Name\"=\"x\"\r\n"
            "\"Gone\"=dword:1\r\n"
            "\"Gone\"=-\r\n"
            "\"Expand\"=hex(2):25,00,54,00,\\\r\n"
            "  45,00,00,00\r\n"
            "\r\n[-HKEY_CURRENT_USER\\Software\\Old]\r\n");
        QByteArray bytes("\xFF\xFE");
        bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        writeAll(userFile(), bytes);

        LinuxRegistry registry(userFile(), machineFile());
        QCOMPARE(registry.readValue("HKCU\\Software\\Q\\Name")->text, std::string("x"));
        QVERIFY(!registry.readValue("HKCU\\Software\\Q\\Gone"));
        QVERIFY(!registry.readValue("HKCU\\Software\\Q\\Expand"));  // kept, but not a string or dword
        QVERIFY(registry.writeDword("HKCU\\Software\\Q\\New", 1));
        QCOMPARE(registry.takeProblem(), std::string());
        const QByteArray after = readAll(userFile());
        QVERIFY(after.contains("@=\"default\"\r\n"));
        QVERIFY(after.contains("\"Name\"=\"x\"\r\n"));
        QVERIFY(after.contains("\"Expand\"=hex(2):25,00,54,00,45,00,00,00\r\n\"New\"=dword:00000001\r\n"));
    }

    void refusedPathsWriteNothing_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("no key") << "HKCU";
        QTest::newRow("ends in a backslash") << "HKCU\\Software\\Q\\";
        QTest::newRow("unknown root") << "HKEY_NOWHERE\\Software\\Q\\V";
        QTest::newRow("other root") << "HKCR\\.txt\\V";
        QTest::newRow("empty key name") << "HKCU\\Software\\\\Q\\V";
        QTest::newRow("line break in a name") << "HKCU\\Software\\Q\\V\n[HKEY_LOCAL_MACHINE\\X]";
    }
    void refusedPathsWriteNothing()
    {
        QFETCH(QString, path);
        LinuxRegistry registry(userFile(), machineFile());
        QVERIFY(!registry.writeDword(path.toStdString(), 1));
        QVERIFY(!registry.writeString(path.toStdString(), "x"));
        QVERIFY(!registry.deleteValue(path.toStdString()));
        QVERIFY(!registry.readValue(path.toStdString()));
        QVERIFY(!QFile::exists(userFile()));
        QVERIFY(!QFile::exists(machineFile()));
    }

    void stringWithLineBreakIsRefused()
    {
        LinuxRegistry registry(userFile(), machineFile());
        QVERIFY(registry.writeString("HKCU\\Software\\Q\\V", "kept"));
        QVERIFY(!registry.writeString("HKCU\\Software\\Q\\V", "a\r\n[HKEY_LOCAL_MACHINE\\X]"));
        QCOMPARE(registry.readValue("HKCU\\Software\\Q\\V")->text, std::string("kept"));
    }

    void deletingAMissingValueChangesNothing()
    {
        LinuxRegistry registry(userFile(), machineFile());
        QVERIFY(!registry.deleteValue("HKCU\\Software\\Q\\V"));
        QVERIFY(!QFile::exists(userFile()));
        QVERIFY(registry.writeDword("HKCU\\Software\\Q\\Other", 1));
        const QByteArray before = readAll(userFile());
        QVERIFY(!registry.deleteValue("HKCU\\Software\\Q\\V"));
        QCOMPARE(readAll(userFile()), before);
    }

    // Without the rights for the machine-wide file (here: its folder cannot be made, which
    // holds for an administrator too) the write is refused and the user's keys still work.
    void machineWideWriteRefused()
    {
        writeAll(m_dir.filePath("etc"), "a file where a folder should be");
        LinuxRegistry registry(userFile(), m_dir.filePath("etc/QuennoAV/registry.reg"));
        QVERIFY(!registry.writeDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\X\\DisableConfig", 1));
        QVERIFY(!registry.readValue("HKLM\\SOFTWARE\\Policies\\X\\DisableConfig"));
        QVERIFY(registry.writeDword("HKCU\\Software\\Q\\V", 1));
        QCOMPARE(registry.takeProblem(), std::string());
    }

    void damagedFileIsReportedOnceAndKept_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("no header") << QByteArray("[HKEY_CURRENT_USER\\Software\\Q]\r\n\"V\"=dword:1\r\n");
        QTest::newRow("value outside a key") << QByteArray("REGEDIT4\n\"V\"=dword:1\n");
        QTest::newRow("unterminated string") << QByteArray("REGEDIT4\n[HKEY_CURRENT_USER\\Q]\n\"V\"=\"abc\n");
        QTest::newRow("dword too long") << QByteArray("REGEDIT4\n[HKEY_CURRENT_USER\\Q]\n\"V\"=dword:123456789\n");
        QTest::newRow("line without meaning") << QByteArray("REGEDIT4\n[HKEY_CURRENT_USER\\Q]\nhello\n");
        QTest::newRow("binary") << QByteArray("\x00\x01\x02\xFF garbage", 12);
    }
    void damagedFileIsReportedOnceAndKept()
    {
        QFETCH(QByteArray, content);
        writeAll(userFile(), content);
        LinuxRegistry registry(userFile(), machineFile());
        QVERIFY(!registry.readValue("HKCU\\Q\\V"));
        const std::string problem = registry.takeProblem();
        QVERIFY(problem.find("damaged") != std::string::npos);
        QVERIFY(!registry.readValue("HKCU\\Q\\V"));
        QCOMPARE(registry.takeProblem(), std::string());

        QVERIFY(registry.writeDword("HKCU\\Software\\Q\\V", 7));
        QCOMPARE(readAll(userFile() + ".damaged"), content);
        QCOMPARE(registry.readValue("HKCU\\Software\\Q\\V")->dword, 7u);
        QVERIFY(registry.writeDword("HKCU\\Software\\Q\\W", 8));
        QVERIFY(!QFile::exists(userFile() + ".damaged.2"));
        QCOMPARE(registry.takeProblem(), std::string());
    }

    void earlierCopiesOfDamagedFilesAreNotReplaced()
    {
        writeAll(userFile(), "first damage");
        writeAll(userFile() + ".damaged", "older copy");
        LinuxRegistry registry(userFile(), machineFile());
        QVERIFY(registry.writeDword("HKCU\\Software\\Q\\V", 1));
        QCOMPARE(readAll(userFile() + ".damaged"), QByteArray("older copy"));
        QCOMPARE(readAll(userFile() + ".damaged.2"), QByteArray("first damage"));
    }

    void storeThatCannotBeReadIsNeverWrittenOver()
    {
        QDir().mkpath(userFile());  // a folder in the file's place
        LinuxRegistry registry(userFile(), machineFile());
        QVERIFY(!registry.writeDword("HKCU\\Software\\Q\\V", 1));
        QVERIFY(QFileInfo(userFile()).isDir());
    }
};

QTEST_GUILESS_MAIN(TestLinuxRegistry)
#include "tst_LinuxRegistry.moc"
