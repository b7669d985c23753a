// The Linux registry store: registry-export files for the per-user and machine-wide keys.

#include "platform/linux/LinuxRegistry.h"
#include "platform/linux/LinuxRegistryFile.h"

#include "platform/linux/LinuxFileSystem.h"
#include "tests/support/ForwardingFileSystem.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WithoutPermissionOverride.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using quenno::platform::LinuxRegistry;
using quenno::platform::RegistryValue;
namespace regfile = quenno::platform::regfile;

namespace {

// The DWORD a path reads, -1 for none.
int dwordAt(const LinuxRegistry& registry, const char* path)
{
    const auto value = registry.readValue(path);
    return value ? int(value->dword) : -1;
}

QByteArray utf16(const QString& text)
{
    QByteArray bytes("\xFF\xFE");
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return bytes;
}

QByteArray withCrLf(QByteArray text) { return text.replace("\n", "\r\n"); }

// A file system that lets a second program write the store right after each of the first
// `times` reads, the moment between our read and our write.
class InterruptedFiles final : public quenno::test::ForwardingFileSystem {
public:
    InterruptedFiles(int times, std::function<void()> otherProgram)
        : ForwardingFileSystem(m_real), m_times(times), m_otherProgram(std::move(otherProgram))
    {
    }
    std::optional<std::string> readWholeFile(const std::string& path) const override
    {
        auto content = ForwardingFileSystem::readWholeFile(path);
        if (m_times > 0) {
            --m_times;
            m_otherProgram();
        }
        return content;
    }

private:
    quenno::platform::LinuxFileSystem m_real{std::string()};
    mutable int m_times;
    std::function<void()> m_otherProgram;
};

const QString kRun = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
const QString kPolicies = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\";
const QString kAdvanced = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced\\";

}  // namespace

class TestLinuxRegistry : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString userFile() const { return m_dir.filePath("config/QuennoAV/registry.reg"); }
    QString machineFile() const { return m_dir.filePath("etc/QuennoAV/registry.reg"); }
    std::string userPath() const { return QFile::encodeName(userFile()).toStdString(); }
    std::string machinePath() const { return QFile::encodeName(machineFile()).toStdString(); }

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
        QTest::newRow("HKCU then long") << "HKCU\\Software\\Q\\V"
                                        << "HKEY_CURRENT_USER\\Software\\Q\\V" << false;
        QTest::newRow("long then HKCU") << "HKEY_CURRENT_USER\\Software\\Q\\V"
                                        << "HKCU\\Software\\Q\\V" << false;
        QTest::newRow("HKLM then long") << "HKLM\\Software\\Q\\V"
                                        << "HKEY_LOCAL_MACHINE\\Software\\Q\\V" << true;
        QTest::newRow("long then HKLM") << "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\\V"
                                        << "HKLM\\Software\\q\\v" << true;
        QTest::newRow("letter case of keys and names") << "hkcu\\SOFTWARE\\Q\\Value"
                                                       << "HKCU\\software\\q\\VALUE" << false;
    }
    void rootSpellingsNameTheSameKey()
    {
        QFETCH(QString, written);
        QFETCH(QString, read);
        QFETCH(bool, machine);
        LinuxRegistry registry(userPath(), machinePath());
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
        LinuxRegistry registry(userPath(), machinePath());
        QVERIFY(registry.writeString("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\QuennoAV",
                                     "C:\\Program Files\\Q \"AV\"\\QuennoAV.exe"));
        QVERIFY(registry.writeDword("HKCU\\Software\\Q\\Count", 0xA));
        QVERIFY(registry.writeDword("HKCU\\Software\\Q\\Count", 0xFFFFFFFF));
        QCOMPARE(quenno::test::readFile(userFile()),
                 QByteArray("Windows Registry Editor Version 5.00\r\n"
                            "\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
                            "\"QuennoAV\"=\"C:\\\\Program Files\\\\Q \\\"AV\\\"\\\\QuennoAV.exe\"\r\n"
                            "\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Q]\r\n"
                            "\"Count\"=dword:ffffffff\r\n"));
        // A fresh instance reads back exactly what was written.
        LinuxRegistry again(userPath(), machinePath());
        QCOMPARE(
            again.readValue("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\QuennoAV")->text,
            std::string("C:\\Program Files\\Q \"AV\"\\QuennoAV.exe"));
        QVERIFY(QDir(QFileInfo(userFile()).absolutePath()).entryList(QDir::Files) == QStringList{"registry.reg"});
    }

    // A file exported by the registry editor (UTF-16LE, comments, hex values over several
    // lines, removals) is read, and stays as it was, in its encoding, around a new value.
    void importsAnExportAndKeepsOtherValues()
    {
        const QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                                            "; exported\r\n"
                                            "[HKEY_CURRENT_USER\\Software\\Q]\r\n"
                                            "@=\"default\"\r\n"
                                            "\"Name\"=\"x \u00e9\U0001F600\"\r\n"
                                            "\"Gone\"=dword:1\r\n"
                                            "\"Gone\"=-\r\n"
                                            "\"Expand\"=hex(2):25,00,54,00,\\\r\n"
                                            "  45,00,00,00\r\n"
                                            "\r\n[-HKEY_CURRENT_USER\\Software\\Old]\r\n");
        QVERIFY(quenno::test::writeFile(userFile(), utf16(text)));

        LinuxRegistry registry(userPath(), machinePath());
        QCOMPARE(registry.readValue("HKCU\\Software\\Q\\Name")->text, std::string("x \u00e9\U0001F600"));
        QVERIFY(!registry.readValue("HKCU\\Software\\Q\\Gone"));
        QVERIFY(!registry.readValue("HKCU\\Software\\Q\\Expand"));  // kept, but not a string or dword
        QVERIFY(registry.writeDword("HKCU\\Software\\Q\\New", 1));
        QCOMPARE(registry.takeProblem(), std::string());
        QString expected = text;
        expected.replace("45,00,00,00\r\n", "45,00,00,00\r\n\"New\"=dword:00000001\r\n");
        QCOMPARE(quenno::test::readFile(userFile()), utf16(expected));
        QVERIFY(registry.deleteValue("HKCU\\Software\\Q\\New"));
        QCOMPARE(quenno::test::readFile(userFile()), utf16(text));
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
        LinuxRegistry registry(userPath(), machinePath());
        QVERIFY(!registry.writeDword(path.toStdString(), 1));
        QVERIFY(!registry.writeString(path.toStdString(), "x"));
        QVERIFY(!registry.deleteValue(path.toStdString()));
        QVERIFY(!registry.readValue(path.toStdString()));
        QVERIFY(!QFile::exists(userFile()));
        QVERIFY(!QFile::exists(machineFile()));
    }

    void stringWithLineBreakIsRefused()
    {
        LinuxRegistry registry(userPath(), machinePath());
        QVERIFY(registry.writeString("HKCU\\Software\\Q\\V", "kept"));
        QVERIFY(!registry.writeString("HKCU\\Software\\Q\\V", "a\r\n[HKEY_LOCAL_MACHINE\\X]"));
        QCOMPARE(registry.readValue("HKCU\\Software\\Q\\V")->text, std::string("kept"));
    }

    void deletingAMissingValueChangesNothing()
    {
        LinuxRegistry registry(userPath(), machinePath());
        QVERIFY(!registry.deleteValue("HKCU\\Software\\Q\\V"));
        QVERIFY(!QFile::exists(userFile()));
        QVERIFY(registry.writeDword("HKCU\\Software\\Q\\Other", 1));
        const QByteArray before = quenno::test::readFile(userFile());
        QVERIFY(!registry.deleteValue("HKCU\\Software\\Q\\V"));
        QCOMPARE(quenno::test::readFile(userFile()), before);
    }

    // The off click's removal tells a value that is not there from a store that refuses,
    // after one reading of the store.
    void removalSaysWhatHappened_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("valueLeft");
        using R = LinuxRegistry::Removal;
        QTest::newRow("value there") << "value" << int(R::Removed) << false;
        QTest::newRow("no store yet") << "" << int(R::NoneThere) << false;
        QTest::newRow("store without the value") << "other" << int(R::NoneThere) << false;
        QTest::newRow("value of a type it cannot read") << "hex value" << int(R::Removed) << false;
        QTest::newRow("a folder where the store should be") << "folder" << int(R::Refused) << false;
        QTest::newRow("store in a folder it cannot write") << "read-only" << int(R::Refused) << true;
    }
    void removalSaysWhatHappened()
    {
        QFETCH(QString, setup);
        QFETCH(int, expected);
        QFETCH(bool, valueLeft);
        const std::string at = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\QuennoAV";
        const QByteArray key = "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\n";
        QDir().mkpath(QFileInfo(userFile()).path());
        if (setup == "value" || setup == "read-only")
            QVERIFY(quenno::test::writeFile(userFile(), "REGEDIT4\n" + key + "\"QuennoAV\"=\"/opt/q\"\n"));
        else if (setup == "other")
            QVERIFY(quenno::test::writeFile(userFile(), "REGEDIT4\n" + key + "\"Editor\"=\"/opt/e\"\n"));
        else if (setup == "hex value")
            QVERIFY(quenno::test::writeFile(userFile(), "REGEDIT4\n" + key + "\"QuennoAV\"=hex:01,02\n"));
        else if (setup == "folder")
            QDir().mkpath(userFile());
        quenno::test::WithoutPermissionOverride unprivileged;
        if (setup == "read-only")
            QVERIFY(
                QFile::setPermissions(QFileInfo(userFile()).path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        LinuxRegistry registry(userPath(), machinePath());
        QCOMPARE(int(registry.removeValue(at)), expected);
        if (setup == "read-only")
            QVERIFY(QFile::setPermissions(QFileInfo(userFile()).path(),
                                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        if (setup != "folder")
            QCOMPARE(quenno::test::readFile(userFile()).contains("\"QuennoAV\""), valueLeft);
    }

    // Without the rights for the machine-wide file (here: its folder cannot be made, which
    // holds for an administrator too) the write is refused and the user's keys still work.
    void machineWideWriteRefused()
    {
        QVERIFY(quenno::test::writeFile(m_dir.filePath("etc"), "a file where a folder should be"));
        LinuxRegistry registry(userPath(), machinePath());
        QVERIFY(!registry.writeDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\X\\DisableConfig", 1));
        QVERIFY(!registry.readValue("HKLM\\SOFTWARE\\Policies\\X\\DisableConfig"));
        QVERIFY(registry.writeDword("HKCU\\Software\\Q\\V", 1));
        QCOMPARE(registry.takeProblem(), std::string());
    }

    // A line that cannot be read costs no other value: it is told once, by its number, and
    // stays where it is; the file is edited around it and never set aside.
    void unreadableLinesAreToldOnceAndKept_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("expected");  // after W is set to 8
        QTest::addColumn<QString>("told");  // part of the message
        QTest::addColumn<int>("v");  // what Q\V reads, -1 for nothing
        QTest::newRow("no header") << QByteArray("[HKEY_CURRENT_USER\\Q]\r\n\"V\"=dword:1\r\n")
                                   << QByteArray(
                                          "Windows Registry Editor Version "
                                          "5.00\r\n[HKEY_CURRENT_USER\\Q]\r\n\"V\"=dword:1\r\n\"W\"=dword:00000008\r\n")
                                   << "does not begin with" << 1;
        QTest::newRow("value outside a key")
            << QByteArray("REGEDIT4\n\"V\"=dword:1\n[HKEY_CURRENT_USER\\Q]\n\"V\"=dword:2\n")
            << QByteArray("REGEDIT4\n\"V\"=dword:1\n[HKEY_CURRENT_USER\\Q]\n\"V\"=dword:2\n\"W\"=dword:00000008\n")
            << "line 2: \"V\"=dword:1" << 2;
        QTest::newRow("unterminated string")
            << QByteArray("REGEDIT4\n[HKEY_CURRENT_USER\\Q]\n\"S\"=\"abc\n\"V\"=dword:3\n")
            << QByteArray("REGEDIT4\n[HKEY_CURRENT_USER\\Q]\n\"S\"=\"abc\n\"V\"=dword:3\n\"W\"=dword:00000008\n")
            << "line 3: \"S\"=\"abc" << 3;
        QTest::newRow("dword in capitals, too long")
            << QByteArray("REGEDIT4\n[HKEY_CURRENT_USER\\Q]\n\"V\"=dword:4\n\"X\"=DWORD:1\n\"Y\"=dword:123456789\n")
            << QByteArray("REGEDIT4\n[HKEY_CURRENT_USER\\Q]\n\"V\"=dword:4\n\"X\"=DWORD:1\n\"Y\"=dword:"
                          "123456789\n\"W\"=dword:00000008\n")
            << "2 lines that cannot be read (line 4: \"X\"=DWORD:1; line 5: \"Y\"=dword:123456789)" << 4;
        QTest::newRow("key line cut short, its values with it")
            << QByteArray("REGEDIT4\n[HKEY_CURRENT_USER\\Q\n\"V\"=dword:1\n")
            << QByteArray(
                   "REGEDIT4\n[HKEY_CURRENT_USER\\Q\n\"V\"=dword:1\n\n[HKEY_CURRENT_USER\\Q]\n\"W\"=dword:00000008\n")
            << "line 2: [HKEY_CURRENT_USER\\Q; line 3" << -1;
        QTest::newRow("stray backslash does not take the next value")
            << QByteArray("REGEDIT4\n[HKEY_CURRENT_USER\\Q]\n\"B\"=hex:01,\\\n\"V\"=dword:5")
            << QByteArray("REGEDIT4\n[HKEY_CURRENT_USER\\Q]\n\"B\"=hex:01,\\\n\"V\"=dword:5\n\"W\"=dword:00000008")
            << "line 3: \"B\"=hex:01,\\" << 5;
        QTest::newRow("binary, no line end")
            << QByteArray("\x00\x01\x02\xFF garbage", 12)
            << QByteArray("Windows Registry Editor Version 5.00\r\n") + QByteArray("\x00\x01\x02\xFF garbage", 12)
                + "\r\n\r\n[HKEY_CURRENT_USER\\Q]\r\n\"W\"=dword:00000008\r\n"
            << "line 1: ???\xEF\xBF\xBD garbage" << -1;
    }
    void unreadableLinesAreToldOnceAndKept()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, expected);
        QFETCH(QString, told);
        QFETCH(int, v);
        QVERIFY(quenno::test::writeFile(userFile(), content));
        LinuxRegistry registry(userPath(), machinePath());
        QCOMPARE(dwordAt(registry, "HKCU\\Q\\V"), v);
        const QString problem = QString::fromStdString(registry.takeProblem());
        QVERIFY2(problem.contains(told), qPrintable(problem));
        QVERIFY2(problem.contains(userFile()), qPrintable(problem));
        QVERIFY(registry.readValue("HKCU\\Q\\W") == std::nullopt);
        QCOMPARE(registry.takeProblem(), std::string());

        QVERIFY(registry.writeDword("HKCU\\Q\\W", 8));
        QCOMPARE(quenno::test::readFile(userFile()), expected);
        QCOMPARE(registry.readValue("HKCU\\Q\\W")->dword, 8u);
        QVERIFY(registry.deleteValue("HKCU\\Q\\W"));
        QCOMPARE(registry.takeProblem(), std::string());
        QCOMPARE(QDir(QFileInfo(userFile()).absolutePath()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"registry.reg"});
    }

    // A hand-written store, its lines end as the editor left them: a repair or the start-up
    // option changes the lines of its own value and not one other byte.
    void handEditedStoreKeepsEveryOtherByte_data()
    {
        QTest::addColumn<bool>("crlf");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("data");  // "-" deletes, "dword:N" a number, else a string
        QTest::addColumn<bool>("done");
        QTest::addColumn<QByteArray>("before");  // the lines that change, LF written
        QTest::addColumn<QByteArray>("after");
        struct Row {
            const char* name;
            QString path, data;
            bool done;
            QByteArray before, after;
        };
        const Row rows[] = {
            {"start-up on, over its old value", kRun + "QuennoAV", "/opt/Quenno AV/QuennoAV.exe", true,
             "\"QuennoAV\"=\"C:\\\\Tools\\\\QuennoAV.exe\"\n", "\"QuennoAV\"=\"/opt/Quenno AV/QuennoAV.exe\"\n"},
            {"start-up on, a new name", kRun + "Quenno2", "C:\\Quenno\\Quenno2.exe", true,
             "\"QuennoAV\"=\"C:\\\\Tools\\\\QuennoAV.exe\"\n",
             "\"QuennoAV\"=\"C:\\\\Tools\\\\QuennoAV.exe\"\n\"Quenno2\"=\"C:\\\\Quenno\\\\Quenno2.exe\"\n"},
            {"start-up off", kRun + "QuennoAV", "-", true, "\"QuennoAV\"=\"C:\\\\Tools\\\\QuennoAV.exe\"\n", ""},
            {"Task Manager", kPolicies + "System\\DisableTaskMgr", "-", true, "\"DisableTaskMgr\"=dword:00000001\n",
             ""},
            {"command prompt, an indented line", kPolicies + "System\\DisableCMD", "-", true,
             "  \"DisableCMD\" = dword:2\n", ""},
            {"hidden files, written over", kAdvanced + "Hidden", "dword:1", true, "\"Hidden\"=dword:00000002\n",
             "\"Hidden\"=dword:00000001\n"},
            {"extensions, beside the commented-out line", kAdvanced + "HideFileExt", "dword:0", true,
             "\"Hidden\"=dword:00000002\n", "\"Hidden\"=dword:00000002\n\"HideFileExt\"=dword:00000000\n"},
            {"Folder Options, nothing to delete", kPolicies + "Explorer\\NoFolderOptions", "-", false, "", ""},
            {"a value in a key of its own", kPolicies + "Explorer\\NoRun", "dword:1", true,
             ";\"HideFileExt\"=dword:1\n",
             ";\"HideFileExt\"=dword:1\n\n[HKEY_CURRENT_"
             "USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer]\n"
             "\"NoRun\"=dword:00000001\n"},
            {"the name of the unreadable line", kRun + "Other", "dword:5", true,
             "\"QuennoAV\"=\"C:\\\\Tools\\\\QuennoAV.exe\"\n",
             "\"QuennoAV\"=\"C:\\\\Tools\\\\QuennoAV.exe\"\n\"Other\"=dword:00000005\n"},
            {"the same data again changes nothing", kPolicies + "System\\DisableCMD", "dword:2", true, "", ""},
        };
        for (const bool crlf : {false, true})
            for (const Row& row : rows)
                QTest::addRow("%s, %s", crlf ? "CR LF" : "LF", row.name)
                    << crlf << row.path << row.data << row.done << row.before << row.after;
    }
    void handEditedStoreKeepsEveryOtherByte()
    {
        QFETCH(bool, crlf);
        QFETCH(QString, path);
        QFETCH(QString, data);
        QFETCH(bool, done);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFile fixture(QUENNO_TEST_DATA "/registry-hand-edited-comment-backslash-unreadable.reg");
        QVERIFY(fixture.open(QIODevice::ReadOnly));
        const QByteArray original = crlf ? withCrLf(fixture.readAll()) : fixture.readAll();
        QVERIFY(quenno::test::writeFile(userFile(), original));
        QByteArray expected = original;
        if (!before.isEmpty()) {
            if (crlf)
                before = withCrLf(before), after = withCrLf(after);
            QCOMPARE(original.count(before), 1);
            expected.replace(before, after);
        }

        LinuxRegistry registry(userPath(), machinePath());
        const std::string at = path.toStdString();
        bool result = false;
        if (data == "-")
            result = registry.deleteValue(at);
        else if (data.startsWith("dword:"))
            result = registry.writeDword(at, data.mid(6).toUInt());
        else
            result = registry.writeString(at, data.toStdString());
        QCOMPARE(result, done);
        QCOMPARE(quenno::test::readFile(userFile()), expected);

        const auto value = registry.readValue(at);
        if (data == "-")
            QVERIFY(!value);
        else if (data.startsWith("dword:"))
            QCOMPARE(value->dword, data.mid(6).toUInt());
        else
            QCOMPARE(value->text, data.toStdString());
        // The hand-written string means what its writer meant, single backslashes and all.
        QCOMPARE(registry.readValue(kRun.toStdString() + "Editor")->text,
                 std::string("C:\\Program Files\\X\\editor.exe"));
        const QString problem = QString::fromStdString(registry.takeProblem());
        QVERIFY2(problem.contains("line 6: \"Other\"=DWORD:00000001"), qPrintable(problem));
    }

    // Reading and editing do not go through every key for each key: a store of 40,000 keys
    // is handled at once (the time it takes is measured in bench/).
    void fortyThousandKeys()
    {
        QByteArray content = "Windows Registry Editor Version 5.00\n";
        for (int k = 0; k < 40000; ++k)
            content += "\n[HKEY_CURRENT_USER\\Software\\Many\\K" + QByteArray::number(k)
                + "]\n\"V\"=dword:" + QByteArray::number(k, 16) + "\n";
        QVERIFY(quenno::test::writeFile(userFile(), content));
        LinuxRegistry registry(userPath(), machinePath());
        QCOMPARE(registry.readValue("HKCU\\Software\\Many\\K39999\\V")->dword, 39999u);
        QVERIFY(registry.writeDword("HKCU\\Software\\Many\\K20000\\V", 7));
        QVERIFY(registry.writeString("HKCU\\Software\\Many\\K0\\S", "s"));
        QVERIFY(registry.deleteValue("HKCU\\Software\\Many\\K39999\\V"));
        QByteArray expected = content;
        expected.replace("K20000]\n\"V\"=dword:4e20\n", "K20000]\n\"V\"=dword:00000007\n");
        expected.replace("K0]\n\"V\"=dword:0\n", "K0]\n\"V\"=dword:0\n\"S\"=\"s\"\n");
        expected.replace("K39999]\n\"V\"=dword:9c3f\n", "K39999]\n");
        QCOMPARE(quenno::test::readFile(userFile()), expected);
        QCOMPARE(registry.readValue("HKCU\\Software\\Many\\K20001\\V")->dword, 20001u);
    }

    // What a file says is in effect when lines repeat or remove each other, and where an
    // edit goes so that it is what the file then says.
    void editsFollowWhatIsInEffect_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("data");  // what V is set to: "-" deletes, "" reads only
        QTest::addColumn<int>("read");  // what Q\V reads before, -1 for nothing
        QTest::addColumn<QByteArray>("expected");
        const QByteArray head = "REGEDIT4\n[HKEY_CURRENT_USER\\Q]\n";
        QTest::newRow("the later line wins and is the one written over")
            << head + "\"V\"=dword:1\n\"v\"=dword:2\n"
            << "9" << 2 << head + "\"V\"=dword:1\n\"v\"=dword:00000009\n";
        QTest::newRow("deleting takes every line that would give it")
            << head + "\"V\"=dword:1\n\"W\"=dword:3\n\"V\"=dword:2\n"
            << "-" << 2 << head + "\"W\"=dword:3\n";
        QTest::newRow("a removed value, set again after its removal")
            << head + "\"V\"=dword:1\n\"V\"=-\n\"W\"=dword:3\n"
            << "9" << -1 << head + "\"V\"=dword:1\n\"V\"=-\n\"W\"=dword:3\n\"V\"=dword:00000009\n";
        QTest::newRow("a removed value stays removed when deleted") << head + "\"V\"=dword:1\n\"V\"=-\n"
                                                                    << "-" << -1 << head + "\"V\"=dword:1\n\"V\"=-\n";
        QTest::newRow("a key removed after its values: a new part")
            << head + "\"V\"=dword:1\n[-HKEY_CURRENT_USER\\Q]\n"
            << "9" << -1
            << head + "\"V\"=dword:1\n[-HKEY_CURRENT_USER\\Q]\n\n[HKEY_CURRENT_USER\\Q]\n\"V\"=dword:00000009\n";
        QTest::newRow("the key above removed") << head + "\"V\"=dword:1\n[-HKEY_CURRENT_USER]\n"
                                               << "" << -1 << QByteArray();
        QTest::newRow("a key in two parts, short root: the last part")
            << QByteArray("REGEDIT4\n[HKCU\\Q]\n\"A\"=dword:1\n\n[hkey_current_user\\q]\n\"B\"=dword:2\n\n[HKEY_"
                          "CURRENT_USER\\R]\n")
            << "9" << -1
            << QByteArray("REGEDIT4\n[HKCU\\Q]\n\"A\"=dword:1\n\n[hkey_current_user\\q]\n\"B\"=dword:2\n\"V\"=dword:"
                          "00000009\n\n"
                          "[HKEY_CURRENT_USER\\R]\n");
        QTest::newRow("a hex value over lines, written over as one line")
            << head + "\"V\"=hex:01,\\\n  02\n\"W\"=dword:3"
            << "9" << -1 << head + "\"V\"=dword:00000009\n\"W\"=dword:3";
        QTest::newRow("last line without a line end") << head + "\"V\"=dword:1"
                                                      << "-" << 1 << head;
        QTest::newRow("a value deleted after a stray backslash leaves a blank line")
            << head + "\"B\"=hex:01,\\\n\"V\"=dword:1\n  02\n"
            << "-" << 1 << head + "\"B\"=hex:01,\\\n\n  02\n";
    }
    void editsFollowWhatIsInEffect()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, data);
        QFETCH(int, read);
        QFETCH(QByteArray, expected);
        QVERIFY(quenno::test::writeFile(userFile(), content));
        LinuxRegistry registry(userPath(), machinePath());
        QCOMPARE(dwordAt(registry, "HKCU\\Q\\V"), read);
        if (data.isEmpty())
            return;
        QCOMPARE(data == "-" ? registry.deleteValue("HKCU\\Q\\V") : registry.writeDword("HKCU\\Q\\V", data.toUInt()),
                 data != "-" || read != -1);
        QCOMPARE(quenno::test::readFile(userFile()), expected);
        QCOMPARE(dwordAt(registry, "HKCU\\Q\\V"), data == "-" ? -1 : data.toInt());
    }

    // Another program writes the store between our read and our write: its change is kept.
    void storeChangedMeanwhileKeepsTheOtherChange()
    {
        QVERIFY(quenno::test::writeFile(userFile(), "REGEDIT4\n[HKEY_CURRENT_USER\\Q]\n\"A\"=dword:1\n"));
        InterruptedFiles files(1, [&] {
            QVERIFY(quenno::test::writeFile(userFile(),
                                            "REGEDIT4\n[HKEY_CURRENT_USER\\Q]\n\"A\"=dword:2\n\"B\"=dword:3\n"));
        });
        LinuxRegistry registry(userPath(), machinePath(), &files);
        QVERIFY(registry.writeDword("HKCU\\Q\\C", 4));
        QCOMPARE(quenno::test::readFile(userFile()),
                 QByteArray("REGEDIT4\n[HKEY_CURRENT_USER\\Q]\n\"A\"=dword:2\n\"B\"=dword:3\n\"C\"=dword:00000004\n"));

        // A store that keeps changing under us is left to the other program.
        InterruptedFiles busy(100, [&, n = 0]() mutable {
            QVERIFY(quenno::test::writeFile(userFile(), "REGEDIT4\n; " + QByteArray::number(++n) + "\n"));
        });
        LinuxRegistry busyRegistry(userPath(), machinePath(), &busy);
        QVERIFY(!busyRegistry.writeDword("HKCU\\Q\\D", 5));
        QVERIFY(!quenno::test::readFile(userFile()).contains("\"D\""));
    }

    // A store reached through a symbolic link (a dotfiles folder): the file it names is
    // edited, the link stays.
    void storeBehindALinkIsEditedThere()
    {
        const QString real = m_dir.filePath("dotfiles/registry.reg");
        QVERIFY(quenno::test::writeFile(real, "REGEDIT4\n; mine\n"));
        QDir().mkpath(QFileInfo(userFile()).absolutePath());
        QVERIFY(QFile::link(real, userFile()));
        LinuxRegistry registry(userPath(), machinePath());
        QVERIFY(registry.writeDword("HKCU\\Q\\V", 1));
        QVERIFY(QFileInfo(userFile()).isSymLink());
        QCOMPARE(quenno::test::readFile(real),
                 QByteArray("REGEDIT4\n; mine\n\n[HKEY_CURRENT_USER\\Q]\n\"V\"=dword:00000001\n"));
    }

    void storeThatCannotBeReadIsNeverWrittenOver()
    {
        QDir().mkpath(userFile());  // a folder in the file's place
        LinuxRegistry registry(userPath(), machinePath());
        QVERIFY(!registry.writeDword("HKCU\\Software\\Q\\V", 1));
        QVERIFY(QFileInfo(userFile()).isDir());
    }
};

QTEST_GUILESS_MAIN(TestLinuxRegistry)
#include "tst_LinuxRegistry.moc"
