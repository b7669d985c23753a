// Failures of the real file system under the scan screen and the files it writes: a copy
// that stops half-way, a full disk, a deletion that is refused, a file that vanishes
// between the listing and the read, a folder that cannot be listed. The user gets a
// clear message or the usual result, and no file is lost or left half-written.
// The failures are made with the system's own means (a file size limit, a small memory
// file system, permissions), not by a stand-in file system.

#include "tests/support/WithoutPermissionOverride.h"
#include "detection/SignatureFile.h"
#include "platform/linux/LinuxAutostart.h"
#include "platform/linux/LinuxRegistry.h"
#include "platform/linux/LinuxRegistryFile.h"
#include "scan/FormScan.h"
#include "tests/scan/ScanRig.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

#include <sys/mount.h>
#include <sys/resource.h>

#include <csignal>

using namespace quenno;

namespace {

const QByteArray kVirus = "virus: harmless bytes that the reliability test database lists";
// Within the normal mode's size limit, but large enough for a copy to stop half-way.
const QByteArray kBigVirus = QByteArray(48000, 'v') + "the end of a large detected file";

// Writes past `bytes` fail with "file too large" while it lives, for this whole process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, m_saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};

// A memory file system of `kilobytes` mounted on folder while it lives (root only).
class SmallFileSystem {
public:
    SmallFileSystem(const QString& folder, int kilobytes) : m_folder(QFile::encodeName(folder))
    {
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        m_mounted = ::mount("tmpfs", m_folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) == 0;
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;
    bool mounted() const { return m_mounted; }
    // Fills what is left with one file.
    void fill() const
    {
        QFile filler(QFile::decodeName(m_folder) + "/filler");
        if (filler.open(QIODevice::WriteOnly)) {
            const QByteArray block(4096, 'f');
            while (filler.write(block) == block.size() && filler.flush()) { }
        }
    }

private:
    QByteArray m_folder;
    bool m_mounted = false;
};

enum class Fault { CopyStopsHalfWay, QuarantineDiskFull, DeletionRefused, QuarantineFolderReadOnly };

QStringList namesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

}  // namespace

class FaultInjection : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Rig> rig;

    std::unique_ptr<scan::FormScan> scannedScreen()
    {
        auto form = std::make_unique<scan::FormScan>(rig->platform);
        form->setAttribute(Qt::WA_DeleteOnClose, false);
        form->setYieldInterval(0);
        form->findChild<QLineEdit*>("txtPath")->setText(rig->tree);
        form->IScanFolderb_Click();
        return form;
    }
    static QStringList items(QWidget* form, const char* list)
    {
        QStringList out;
        auto* w = form->findChild<QListWidget*>(list);
        for (int i = 0; i < w->count(); ++i)
            out << w->item(i)->text();
        return out;
    }
    static bool permissionsHold(const QString& folder)
    {
        QFile::setPermissions(folder, QFileDevice::Permissions());
        const bool held = !QDir(folder).isReadable() || QDir(folder).entryList().isEmpty();
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return held;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { rig = std::make_unique<test::Rig>(); }
    void cleanup() { rig.reset(); }

    void quarantineFailureKeepsTheFile_data();
    void quarantineFailureKeepsTheFile();
    void refusedDeletionIsReported();
    void fileVanishingBeforeItsReadIsSkipped_data();
    void fileVanishingBeforeItsReadIsSkipped();
    void folderThatCannotBeListedIsSkipped();
    void rewriteOnAFullDiskKeepsTheOldContent_data();
    void rewriteOnAFullDiskKeepsTheOldContent();
    void actionAfterTheFileWasSwappedTouchesNothing_data();
    void actionAfterTheFileWasSwappedTouchesNothing();
};

enum class Swapped { FolderForLink, FolderForOutsideFolder, FileForCopy, FileRewritten };
Q_DECLARE_METATYPE(Swapped)

void FaultInjection::actionAfterTheFileWasSwappedTouchesNothing_data()
{
    QTest::addColumn<bool>("quarantine");
    QTest::addColumn<Swapped>("swapped");
    for (const bool quarantine : {false, true}) {
        const char* action = quarantine ? "Quarantine" : "Delete";
        QTest::addRow("%s, folder swapped for a link to an outside folder", action)
            << quarantine << Swapped::FolderForLink;
        QTest::addRow("%s, folder swapped for an outside folder", action)
            << quarantine << Swapped::FolderForOutsideFolder;
        QTest::addRow("%s, file replaced by a copy", action) << quarantine << Swapped::FileForCopy;
        QTest::addRow("%s, file rewritten in place", action) << quarantine << Swapped::FileRewritten;
    }
}

// After the scan, the detected file's folder or the file itself is swapped: the action
// deletes or moves nothing, neither the file now found at the path nor the detected one,
// and says why.
void FaultInjection::actionAfterTheFileWasSwappedTouchesNothing()
{
    QFETCH(bool, quarantine);
    QFETCH(Swapped, swapped);
    rig->platform.files = &rig->real;  // the real file system, handles and all
    rig->writeDatabase({{"Worm.A", kVirus}});
    const QString detected = rig->tree + "/Sub/a.exe";
    QVERIFY(test::writeFile(detected, kVirus));
    const QString outside = rig->dir.path() + "/outside";
    const QByteArray innocent = "an innocent file of the same name, outside the scanned tree";
    QVERIFY(test::writeFile(outside + "/a.exe", innocent));
    auto form = scannedScreen();
    QCOMPARE(items(form.get(), "lstFound"), QStringList{detected});

    QString left = detected;  // where the detected file is afterwards
    switch (swapped) {
    case Swapped::FolderForLink:
        QVERIFY(QDir(rig->tree).rename("Sub", "Sub.moved"));
        QVERIFY(QFile::link(outside, rig->tree + "/Sub"));
        left = rig->tree + "/Sub.moved/a.exe";
        break;
    case Swapped::FolderForOutsideFolder:
        QVERIFY(QDir(rig->tree).rename("Sub", "Sub.moved"));
        QVERIFY(QDir().rename(outside, rig->tree + "/Sub"));
        left = rig->tree + "/Sub.moved/a.exe";
        break;
    case Swapped::FileForCopy:
        QVERIFY(QFile::rename(detected, detected + ".moved"));
        QVERIFY(test::writeFile(detected, kVirus));  // same bytes, another file
        left = detected + ".moved";
        break;
    case Swapped::FileRewritten:
        QVERIFY(test::writeFile(detected, innocent));
        break;
    }
    const QString atPath = swapped == Swapped::FolderForOutsideFolder ? rig->tree + "/Sub/a.exe" : detected;
    const QByteArray atPathBefore = test::readFile(atPath);

    form->findChild<QListWidget*>("lstVirusFound")->setCurrentRow(0);
    if (quarantine)
        form->IscanQuab_Click();
    else
        form->IScanDeleteb_Click();

    QCOMPARE(test::readFile(atPath), atPathBefore);
    if (swapped != Swapped::FolderForOutsideFolder)
        QCOMPARE(test::readFile(outside + "/a.exe"), innocent);
    QVERIFY(QFile::exists(left));
    QVERIFY(namesIn(rig->quarantine()).isEmpty());
    QCOMPARE(items(form.get(), "lstFound"), QStringList{detected});
    QCOMPARE(rig->messages.texts,
             QStringList{"The file '" + detected + "' has changed since the scan, so it was left as it is."});
    QCOMPARE(rig->messages.styles, QList<platform::MessageBoxes::Style>{platform::MessageBoxes::Style::Critical});
}

void FaultInjection::quarantineFailureKeepsTheFile_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("copy stops half-way") << Fault::CopyStopsHalfWay << "could not be copied into the quarantine folder";
    QTest::newRow("quarantine disk full")
        << Fault::QuarantineDiskFull << "could not be copied into the quarantine folder";
    QTest::newRow("quarantine folder read-only")
        << Fault::QuarantineFolderReadOnly << "could not be copied into the quarantine folder";
    QTest::newRow("deletion refused") << Fault::DeletionRefused << "could not be deleted after it was copied";
}

void FaultInjection::quarantineFailureKeepsTheFile()
{
    QFETCH(Fault, fault);
    QFETCH(QString, message);
    rig->writeDatabase({{"Worm.Big", kBigVirus}});
    const QString detected = rig->tree + "/big.exe";
    QVERIFY(test::writeFile(detected, kBigVirus));
    auto form = scannedScreen();
    QCOMPARE(items(form.get(), "lstFound"), QStringList{detected});
    const QStringList storedBefore = namesIn(rig->quarantine());

    form->findChild<QListWidget*>("lstVirusFound")->setCurrentRow(0);
    {
        std::unique_ptr<FileSizeLimit> sizeLimit;
        std::unique_ptr<SmallFileSystem> smallDisk;
        std::unique_ptr<test::WithoutPermissionOverride> noOverride;
        switch (fault) {
        case Fault::CopyStopsHalfWay:
            sizeLimit = std::make_unique<FileSizeLimit>(kBigVirus.size() / 2);
            break;
        case Fault::QuarantineDiskFull:
            smallDisk = std::make_unique<SmallFileSystem>(rig->quarantine(), 16);
            if (!smallDisk->mounted())
                QSKIP("a small file system cannot be mounted here (needs root)");
            break;
        case Fault::QuarantineFolderReadOnly:
        case Fault::DeletionRefused: {
            noOverride = std::make_unique<test::WithoutPermissionOverride>();
            if (!permissionsHold(rig->tree))
                QSKIP("file permissions are not enforced for this process");
            const QString folder = fault == Fault::DeletionRefused ? rig->tree : rig->quarantine();
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            break;
        }
        }
        form->IscanQuab_Click();
        QFile::setPermissions(rig->tree, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile::setPermissions(rig->quarantine(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // The file stays, whole; its entry stays; the user is told why.
    QCOMPARE(test::readFile(detected), kBigVirus);
    QCOMPARE(items(form.get(), "lstFound"), QStringList{detected});
    QCOMPARE(rig->messages.texts.size(), 1);
    QVERIFY2(rig->messages.texts.front().contains(message), qPrintable(rig->messages.texts.front()));
    QCOMPARE(rig->messages.styles.front(), platform::MessageBoxes::Style::Critical);
    // Nothing half-written is left in the quarantine folder, not even hidden.
    QCOMPARE(namesIn(rig->quarantine()), storedBefore);
}

void FaultInjection::refusedDeletionIsReported()
{
    rig->writeDatabase({{"Worm.A", kVirus}});
    const QString detected = rig->tree + "/a.exe";
    QVERIFY(test::writeFile(detected, kVirus));
    auto form = scannedScreen();
    form->findChild<QListWidget*>("lstVirusFound")->setCurrentRow(0);
    {
        test::WithoutPermissionOverride noOverride;
        if (!permissionsHold(rig->tree))
            QSKIP("file permissions are not enforced for this process");
        QFile::setPermissions(rig->tree, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        form->IScanDeleteb_Click();
        QFile::setPermissions(rig->tree, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QCOMPARE(test::readFile(detected), kVirus);
    QCOMPARE(items(form.get(), "lstFound"), QStringList{detected});
    QCOMPARE(rig->messages.texts, QStringList{QStringLiteral("The file '%1' could not be deleted.").arg(detected)});
}

void FaultInjection::fileVanishingBeforeItsReadIsSkipped_data()
{
    QTest::addColumn<int>("cleanBefore");
    QTest::newRow("read by the workers") << 0;
    // Hundreds of files in memory before them: the scan's own thread reads these.
    QTest::newRow("read by the scan's thread") << 400;
}

void FaultInjection::fileVanishingBeforeItsReadIsSkipped()
{
    QFETCH(int, cleanBefore);
    rig->writeDatabase({{"Worm.A", kVirus}});
    for (int i = 0; i < cleanBefore; ++i)
        QVERIFY(test::writeFile(rig->tree + QStringLiteral("/clean%1.exe").arg(i, 4, 10, QChar('0')), "clean"));
    const QString at = cleanBefore > 0 ? rig->tree + "/Later" : rig->tree;
    for (const char* name : {"/a.exe", "/b.exe", "/c.exe", "/Sub/d.exe"})
        QVERIFY(test::writeFile(at + name, kVirus));
    // The engine shows each file's path, then lets events run, then reads it: b.exe goes
    // away in between, after the folder was listed.
    bool removed = false;
    auto form = std::make_unique<scan::FormScan>(rig->platform);
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    form->setYieldInterval(0);
    auto* status = form->findChild<QLabel*>("lblStatus");
    rig->events.during = [&] {
        if (!removed && status->text() == at + "/b.exe")
            removed = QFile::remove(at + "/b.exe");
    };
    form->findChild<QLineEdit*>("txtPath")->setText(rig->tree);
    form->IScanFolderb_Click();
    rig->events.during = nullptr;

    QVERIFY2(removed, "the scan never showed b.exe before reading it");
    QCOMPARE(items(form.get(), "lstFound"), QStringList({at + "/a.exe", at + "/c.exe", at + "/Sub/d.exe"}));
    QVERIFY(rig->messages.texts.isEmpty());
    QCOMPARE(status->text(), QStringLiteral("Virus Found : 3"));
}

void FaultInjection::folderThatCannotBeListedIsSkipped()
{
    rig->writeDatabase({{"Worm.A", kVirus}});
    for (const char* name : {"/a.exe", "/Closed/b.exe", "/Open/c.exe"})
        QVERIFY(test::writeFile(rig->tree + name, kVirus));
    test::WithoutPermissionOverride noOverride;
    if (!permissionsHold(rig->tree + "/Closed"))
        QSKIP("file permissions are not enforced for this process");
    QVERIFY(test::writeFile(rig->tree + "/locked.exe", kVirus));
    QFile::setPermissions(rig->tree + "/Closed", QFileDevice::Permissions());
    QFile::setPermissions(rig->tree + "/locked.exe", QFileDevice::WriteOwner);
    auto form = scannedScreen();
    QFile::setPermissions(rig->tree + "/Closed",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(rig->tree + "/locked.exe", QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    QCOMPARE(items(form.get(), "lstFound"), QStringList({rig->tree + "/a.exe", rig->tree + "/Open/c.exe"}));
    // Skipped, but never taken for clean: the count stays as it is, and the user is told.
    QCOMPARE(rig->messages.texts, QStringList({"1 file and 1 folder could not be read, so they were not scanned."}));
    QCOMPARE(rig->messages.styles, QList<platform::MessageBoxes::Style>({platform::MessageBoxes::Style::Information}));
    QCOMPARE(form->findChild<QLabel*>("lblStatus")->text(), QStringLiteral("Virus Found : 2"));
    QCOMPARE(test::readFile(rig->tree + "/Closed/b.exe"), kVirus);
}

void FaultInjection::rewriteOnAFullDiskKeepsTheOldContent_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<bool>("fullDisk");  // else a file size limit below the file's size
    for (const char* store : {"database.db", "registry store", "log-on entry"}) {
        QTest::addRow("%s, size limit", store) << store << false;
        QTest::addRow("%s, full disk", store) << store << true;
    }
}

void FaultInjection::rewriteOnAFullDiskKeepsTheOldContent()
{
    QFETCH(QString, store);
    QFETCH(bool, fullDisk);
    const bool registry = store == "registry store";
    const bool autostart = store == "log-on entry";
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath("disk");
    QVERIFY(QDir().mkpath(folder));
    std::unique_ptr<SmallFileSystem> disk;
    if (fullDisk) {
        disk = std::make_unique<SmallFileSystem>(folder, 64);
        if (!disk->mounted())
            QSKIP("a small file system cannot be mounted here (needs root)");
    }

    QByteArray old;
    for (int i = 0; i < 400; ++i)
        old += registry ? QByteArray()
                        : "Worm." + QByteArray::number(i) + ";" + QByteArray::number(0x1000 + i, 16).toUpper() + "\r\n";
    const QString file = folder
        + (registry        ? "/registry.reg"
               : autostart ? "/autostart/QuennoAV.desktop"
                           : "/database.db");
    const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder));
    const auto restoreConfigHome = qScopeGuard([&] {
        qputenv("XDG_CONFIG_HOME", configHome);
    });
    platform::LinuxAutostart logOn;
    if (autostart) {
        QVERIFY(logOn.enable("QuennoAV", "/opt/QuennoAV/QuennoAV"));
        old = test::readFile(file);
        old.append(QByteArray(4000, '#'));
        QVERIFY(test::writeFile(file, old));
    } else if (registry) {
        platform::regfile::Document document;
        for (int i = 0; i < 200; ++i)
            document.makeKey("HKEY_CURRENT_USER\\Software\\Kept\\K" + std::to_string(i))
                .values.push_back({"V", platform::regfile::Value::Kind::Dword, {}, static_cast<std::uint32_t>(i)});
        old = QByteArray::fromStdString(platform::regfile::write(document));
    } else {
        old.prepend(QByteArray(detection::kNormalSettings) + "\r\n");
    }
    QVERIFY(test::writeFile(file, old));

    bool written = true;
    {
        std::unique_ptr<FileSizeLimit> limit;
        if (fullDisk)
            disk->fill();
        else
            limit = std::make_unique<FileSizeLimit>(64);  // any new content is longer
        if (autostart) {
            written = logOn.enable("QuennoAV", "/opt/Another Folder/QuennoAV");
        } else if (registry) {
            platform::LinuxRegistry registryStore(QFile::encodeName(file).toStdString(),
                                                  QFile::encodeName(dir.filePath("machine.reg")).toStdString());
            written = registryStore.writeDword("HKCU\\Software\\Kept\\K7\\V", 12345);
        } else {
            platform::LinuxFileSystem files(QFile::encodeName(folder).toStdString());
            detection::SignatureFile db(files, files.inApplicationFolder(detection::kDatabaseName));
            db.LoadSignatures();
            db.LoadRecords();
            written = db.AllFiles();
            QCOMPARE(db.wName().size(), std::size_t{400});  // the list in use is still whole
        }
    }
    QCOMPARE(test::readFile(file), old);
    QVERIFY2(!written, "a write that could not be completed was reported as done");
    QStringList names = namesIn(QFileInfo(file).path());
    names.removeAll("filler");
    QCOMPARE(names, QStringList{QFileInfo(file).fileName()});
}

QTEST_MAIN(FaultInjection)
#include "tst_faultinjection.moc"
