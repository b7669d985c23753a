// The registry repairs on a registry store in temporary folders, and the attribute
// restorer on real files.

#include "ToolsFixture.h"
#include "shell/Picture.h"
#include "tools/FormRegTools.h"
#include "tests/support/TestFiles.h"

#include <QPointer>
#include <QStandardPaths>
#include <QTest>

#include <sys/stat.h>

using namespace quenno;
using test::readFile;
using Style = platform::MessageBoxes::Style;
namespace Attribute = platform::Attribute;

namespace {

using Handler = void (tools::FormRegTools::*)();
const Handler handlers[] = {
    &tools::FormRegTools::IRegSysresb_Click, &tools::FormRegTools::IRegFolderb_Click,
    &tools::FormRegTools::IRegEditb_Click,   &tools::FormRegTools::IRegCMDb_Click,
    &tools::FormRegTools::IRegExtb_Click,    &tools::FormRegTools::IRegHiddenb_Click,
    &tools::FormRegTools::IRegTaskb_Click,   &tools::FormRegTools::IRegRunb_Click,
};
enum { Sysres, Folder, Edit, Cmd, Ext, Hidden, Task, Run };

const QString policies = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\";
const QString advanced = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced\\";
const QString machinePolicies = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\";
const QString sysres = "HKLM\\SOFTWARE\\Policies\\Microsoft\\Windows NT\\SystemRestore\\DisableConfig";

// "path=value" sets a dword; in expectations "path=-" means the value is absent.
void preset(platform::Registry& registry, const QStringList& values)
{
    for (const QString& spec : values) {
        const auto cut = spec.lastIndexOf('=');
        QVERIFY(registry.writeDword(spec.left(cut).toStdString(), spec.mid(cut + 1).toUInt()));
    }
}

void verifyState(platform::Registry& registry, const QStringList& values)
{
    for (const QString& spec : values) {
        const auto cut = spec.lastIndexOf('=');
        const auto value = registry.readValue(spec.left(cut).toStdString());
        if (spec.mid(cut + 1) == "-") {
            QVERIFY2(!value, qPrintable(spec));
        } else {
            QVERIFY2(value && value->type == platform::RegistryValue::Type::Dword, qPrintable(spec));
            QCOMPARE(value->dword, spec.mid(cut + 1).toUInt());
        }
    }
}

std::uint32_t attributesOf(test::ToolsPlatform& fixture, const QString& path)
{
    const auto entry = fixture.files.entry(test::bytes(path));
    return entry ? entry->attributes : 0xFFFFFFFF;
}

}  // namespace

class TestFormRegTools : public QObject {
    Q_OBJECT

    QString m_previousCurrent;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_previousCurrent = QDir::currentPath();
    }
    void cleanup() { QDir::setCurrent(m_previousCurrent); }

    void repairRow_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("message");
        QTest::newRow("System Restore") << int(Sysres) << QStringList{}
                                        << QStringList{"HKEY_LOCAL_MACHINE\\Software\\Policies\\Microsoft\\Windows "
                                                       "NT\\SystemRestore\\DisableConfig=1"}
                                        << "System Restore has been disabled";
        QTest::newRow("Folder Options") << int(
            Folder) << QStringList{policies + "Explorer\\NoFolderOptions=1", policies + "Explorer\\NoRun=1"}
                                        << QStringList{policies + "Explorer\\NoFolderOptions=-",
                                                       policies + "Explorer\\NoRun=1"}
                                        << "Folder Option has been enable";
        QTest::newRow("registry editor") << int(
            Edit) << QStringList{policies + "System\\DisableRegistryTools=1", policies + "System\\DisableRegedit=2"}
                                         << QStringList{policies + "System\\DisableRegistryTools=-",
                                                        policies + "System\\DisableRegedit=-"}
                                         << "Regedit has been enable";
        QTest::newRow("registry editor, nothing to delete")
            << int(Edit) << QStringList{} << QStringList{policies + "System\\DisableRegedit=-"}
            << "Regedit has been enable";
        QTest::newRow("command prompt") << int(
            Cmd) << QStringList{policies + "System\\DisableCMD=1", machinePolicies + "System\\DisableCMD=2"}
                                        << QStringList{policies + "System\\DisableCMD=-",
                                                       machinePolicies + "System\\DisableCMD=-"}
                                        << "Command Prompt has been enable";
        QTest::newRow("extensions stay present with 0")
            << int(Ext) << QStringList{advanced + "HideFileExt=1"} << QStringList{advanced + "HideFileExt=0"}
            << "Show Extension Files option has been enable";
        QTest::newRow("hidden files") << int(Hidden) << QStringList{advanced + "Hidden=2"}
                                      << QStringList{advanced + "Hidden=1", advanced + "ShowSuperHidden=1"}
                                      << "Show Hidden & Super Hidden Files option has been enable";
        QTest::newRow("Task Manager") << int(Task) << QStringList{policies + "System\\DisableTaskMgr=1"}
                                      << QStringList{policies + "System\\DisableTaskMgr=-"}
                                      << "Task Bar has been enable";
        QTest::newRow("Run command") << int(Run)
                                     << QStringList{policies + "Explorer\\NoRun=1", policies + "Explorer\\NoFind=1"}
                                     << QStringList{policies + "Explorer\\NoRun=-", policies + "Explorer\\NoFind=-"}
                                     << "Run Menu has been enable";
    }
    // Each repair's effect and message; a second click gives the same state and message.
    void repairRow()
    {
        QFETCH(int, button);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(QString, message);
        QTemporaryDir dir;
        test::ToolsPlatform fixture(dir.path());
        preset(fixture.registry, before);
        tools::FormRegTools form(fixture.platform);
        for (int click = 1; click <= 2; ++click) {
            (form.*handlers[button])();
            verifyState(fixture.registry, after);
            QCOMPARE(fixture.messages.texts.size(), click);
            QCOMPARE(fixture.messages.texts.last(), message);
            QCOMPARE(fixture.messages.styles.last(), Style::Information);
        }
    }

    // Without the rights for the machine-wide store (its folder cannot be made, which holds
    // for an administrator too) the machine-wide half changes nothing, silently.
    void machineWideHalfRefused()
    {
        QTemporaryDir dir;
        QVERIFY(test::writeFile(dir.filePath("etc"), "a file where the folder should be"));
        test::ToolsPlatform fixture(dir.path());
        preset(fixture.registry, {policies + "System\\DisableCMD=1"});
        tools::FormRegTools form(fixture.platform);
        form.IRegCMDb_Click();
        verifyState(fixture.registry, {policies + "System\\DisableCMD=-"});
        form.IRegSysresb_Click();
        verifyState(fixture.registry, {sysres + "=-"});
        QCOMPARE(fixture.messages.texts.size(), 2);
        QCOMPARE(fixture.messages.texts[0], QString("Command Prompt has been enable"));
        QCOMPARE(fixture.messages.texts[1], QString("System Restore has been disabled"));
    }

    // A store with a line it cannot read: told once, the line kept, the repair still runs.
    void unreadableLineToldOnce()
    {
        QTemporaryDir dir;
        const QString store = dir.filePath("config/QuennoAV/registry.reg");
        QVERIFY(test::writeFile(store, "not a registry file"));
        test::ToolsPlatform fixture(dir.path());
        tools::FormRegTools form(fixture.platform);
        form.IRegExtb_Click();
        QCOMPARE(fixture.messages.texts.size(), 2);
        QCOMPARE(fixture.messages.styles[0], Style::Critical);
        QVERIFY(fixture.messages.texts[0].contains(store));
        QVERIFY(fixture.messages.texts[0].contains("line 1: not a registry file"));
        QCOMPARE(fixture.messages.texts[1], QString("Show Extension Files option has been enable"));
        verifyState(fixture.registry, {advanced + "HideFileExt=0"});
        QVERIFY(readFile(store).contains("\nnot a registry file\r\n"));
        form.IRegHiddenb_Click();
        QCOMPARE(fixture.messages.texts.size(), 3);
        QCOMPARE(fixture.messages.styles[2], Style::Information);
    }

    // Every repair in turn over a store written by hand (a comment, a string with single
    // backslashes, a line it cannot read; LF and CR LF): the lines of the repaired values
    // change, every other byte stays.
    void repairsKeepAHandEditedStore_data()
    {
        QTest::addColumn<bool>("crlf");
        QTest::newRow("LF") << false;
        QTest::newRow("CR LF") << true;
    }
    void repairsKeepAHandEditedStore()
    {
        QFETCH(bool, crlf);
        const auto fixtureFile = [&](const char* name) {
            QByteArray bytes = readFile(QStringLiteral(QUENNO_TEST_DATA "/") + name);
            return crlf ? bytes.replace("\n", "\r\n") : bytes;
        };
        QTemporaryDir dir;
        const QString store = dir.filePath("config/QuennoAV/registry.reg");
        QVERIFY(test::writeFile(store, fixtureFile("registry-hand-edited-comment-backslash-unreadable.reg")));
        test::ToolsPlatform fixture(dir.path());
        tools::FormRegTools form(fixture.platform);
        for (int round = 1; round <= 2; ++round) {
            for (const Handler handler : handlers)
                (form.*handler)();
            QCOMPARE(readFile(store), fixtureFile("registry-hand-edited-after-every-repair.reg"));
        }
        // The store is first read by the second repair (the first one is machine-wide).
        QCOMPARE(fixture.messages.texts.size(), 1 + 2 * int(std::size(handlers)));
        QCOMPARE(fixture.messages.styles[1], Style::Critical);
        QVERIFY(fixture.messages.texts[1].contains("line 6: \"Other\"=DWORD:00000001"));
        verifyState(fixture.registry,
                    {policies + "System\\DisableCMD=-", policies + "System\\DisableTaskMgr=-", advanced + "Hidden=1",
                     advanced + "ShowSuperHidden=1", advanced + "HideFileExt=0"});
        const auto run
            = fixture.registry.readValue("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\QuennoAV");
        QCOMPARE(run->text, std::string("C:\\Tools\\QuennoAV.exe"));
    }

    void noRegistryStillConfirms()
    {
        QTemporaryDir dir;
        test::ToolsPlatform fixture(dir.path());
        fixture.platform.registry = nullptr;
        tools::FormRegTools form(fixture.platform);
        form.IRegRunb_Click();
        QCOMPARE(fixture.messages.texts.size(), 1);
        QCOMPARE(fixture.messages.texts[0], QString("Run Menu has been enable"));
    }

    // Every file of the folder, hidden and system ones included, gets normal attributes; a
    // dot-name stays hidden; a file gone since it was listed is skipped.
    void restoreAttributes()
    {
        QTemporaryDir dir;
        test::ToolsPlatform fixture(dir.path());
        const QString folder = dir.filePath("infected");
        const QList<QPair<QString, std::uint32_t>> files = {
            {"hidden.doc", Attribute::Hidden},
            {"system.doc", Attribute::System},
            {"both.doc", Attribute::Hidden | Attribute::System},
            {"readonly.doc", Attribute::ReadOnly},
            {"all.doc", Attribute::ReadOnly | Attribute::Hidden | Attribute::System | Attribute::Archive},
            {"vanishes.doc", Attribute::Hidden},
            {".dotted", Attribute::ReadOnly | Attribute::System},
        };
        for (const auto& [name, attributes] : files) {
            QVERIFY(test::writeFile(folder + "/" + name, "x"));
            QVERIFY(fixture.files.setAttributes(test::bytes(folder + "/" + name), attributes));
        }
        QVERIFY(QDir::setCurrent(folder));
        tools::FormRegTools form(fixture.platform);
        QCOMPARE(form.findChild<tools::FileList*>("File1")->count(), files.size());  // all shown
        QVERIFY(QFile::remove(folder + "/vanishes.doc"));

        form.IRegAttributb_Click();
        for (const auto& [name, attributes] : files) {
            if (name == "vanishes.doc")
                continue;
            const QString path = folder + "/" + name;
            const std::uint32_t expected = name.startsWith('.') ? Attribute::Hidden : Attribute::Normal;
            QCOMPARE(attributesOf(fixture, path), expected);
            QVERIFY2(QFileInfo(path).permissions() & QFile::WriteOwner, qPrintable(name));
        }
        QCOMPARE(fixture.messages.texts.size(), 1);
        QCOMPARE(fixture.messages.texts[0], QString("All Files on the folder has been process"));
        QCOMPARE(fixture.messages.styles[0], Style::Information);
        QCOMPARE(form.findChild<tools::FileList*>("File1")->count(), files.size());  // not refreshed
    }

    void restoreAttributesInEmptyFolder()
    {
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath("empty")));
        QVERIFY(QDir::setCurrent(dir.filePath("empty")));
        test::ToolsPlatform fixture(dir.path());
        tools::FormRegTools form(fixture.platform);
        form.RestoreAttributes();
        QCOMPARE(fixture.messages.texts.size(), 1);
        QCOMPARE(fixture.messages.texts[0], QString("All Files on the folder has been process"));
    }

    void buttonsLightAndClose()
    {
        QTemporaryDir dir;
        test::ToolsPlatform fixture(dir.path());
        auto* form = new tools::FormRegTools(fixture.platform);
        const QPointer<QObject> loaded(form);
        QCOMPARE(form->windowTitle(), QString("RegTools"));
        QCOMPARE(form->size(), QSize(456, 435));
        const QStringList pairs = {"IRegAttribut", "IRegSysres", "IRegFolder", "IRegEdit", "IRegCMD",
                                   "IRegExt",      "IRegHidden", "IRegTask",   "IRegRun",  "IRegClose"};
        for (const QString& name : pairs) {
            QVERIFY(!form->findChild<shell::Picture*>(name)->isHidden());
            QVERIFY(form->findChild<shell::Picture*>(name + "b")->isHidden());
        }
        form->IRegEdit_MouseMove();
        form->IRegTask_MouseMove();
        QVERIFY(!form->findChild<shell::Picture*>("IRegEditb")->isHidden());
        QVERIFY(form->findChild<shell::Picture*>("IRegTask")->isHidden());
        QCOMPARE(fixture.sound.played.size(), 2);
        form->Image1_MouseMove();
        for (const QString& name : pairs)
            QVERIFY(form->findChild<shell::Picture*>(name + "b")->isHidden());
        form->show();
        form->IRegCloseb_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(loaded.isNull());
    }
};

QTEST_MAIN(TestFormRegTools)
#include "tst_FormRegTools.moc"
