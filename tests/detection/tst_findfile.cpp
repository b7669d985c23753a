// The scan engine: walk order, selection, matching, stop requests and awkward entries.

#include "detection/mdlFindFile.h"
#include "platform/linux/LinuxFileSystem.h"
#include "tests/support/FailingReadFileSystem.h"
#include "tests/support/ForwardingFileSystem.h"
#include "tests/support/WithoutPermissionOverride.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

using namespace quenno;

namespace {

// Every call the engine makes on the screen, paths relative to the scanned folder.
class RecordingView final : public detection::ScanView {
public:
    explicit RecordingView(std::string root) : m_root(std::move(root)) { }

    bool stopRequested() const override { return stopAfterStatus >= 0 && m_statuses >= stopAfterStatus; }
    void setStatus(const std::string& fullPath) override
    {
        ++m_statuses;
        log << "status " + relative(fullPath);
        if (onStatus)
            onStatus(relative(fullPath));
    }
    void addResult(const std::string& fullPath, const std::string& resultLine) override
    {
        ++m_results;
        log << "found " + relative(fullPath) + " | " + QString::fromStdString(resultLine);
    }
    void addDetection(const detection::Detection& detection) override
    {
        detections.push_back(detection);
        ScanView::addDetection(detection);
    }
    void addUnreadable(const std::string& fullPath, bool isFolder) override
    {
        log << QString(isFolder ? "unreadable folder " : "unreadable file ") + relative(fullPath);
    }
    bool killProcessOn() const override { return killOnAfterResults >= 0 && m_results >= killOnAfterResults; }
    void killProcessesNamed(const std::string& bareName) override { log << "kill " + QString::fromStdString(bareName); }
    void letEventsRun() override { ++yields; }

    QStringList log;
    std::vector<detection::Detection> detections;
    // Runs as the engine shows a file (relative path): the tree may be changed there.
    std::function<void(const QString&)> onStatus;
    int stopAfterStatus = -1;  // asks to stop once this many statuses were shown
    int killOnAfterResults = -1;  // the kill option is switched on after this many results
    int yields = 0;

private:
    QString relative(const std::string& path) const
    {
        const QString full = QString::fromStdString(path);
        const QString prefix = QString::fromStdString(m_root) + '/';
        if (full == prefix)
            return "/";
        return full.startsWith(prefix) ? full.mid(prefix.size()) : "OUTSIDE " + full;
    }

    std::string m_root;
    int m_statuses = 0;
    int m_results = 0;
};

// Listing fails for every folder whose path contains the marker; listings may get
// entries that do not exist.
class BrokenListingFileSystem final : public test::ForwardingFileSystem {
public:
    using ForwardingFileSystem::ForwardingFileSystem;
    std::optional<std::vector<platform::DirEntry>> listFolder(const std::string& folder) const override
    {
        if (folder.find("Broken") != std::string::npos)
            return std::nullopt;
        auto listing = ForwardingFileSystem::listFolder(folder);
        if (listing && !ghost.empty())
            listing->insert(listing->begin(), platform::DirEntry{ghost, platform::EntryKind::File, 9, 0});
        return listing;
    }
    std::string ghost;
};

const std::vector<std::string> kNames{"Trojan.B", "Virus.C", "Dup.B", "Worm.AE"};
const std::vector<std::string> kSigns{"CBF43926", "E8B7BE43", "CBF43926", "E7DDCE"};

}  // namespace

class TestFindFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void walk_data();
    void walk();
    void folderArgument_data();
    void folderArgument();
    void sizeLimit_data();
    void sizeLimit();
    void attributes();
    void stop_data();
    void stop();
    void killOptionReadAtEachMatch();
    void linksAndFifosAreNeverFollowed();
    void failingEntriesContributeNothing();
    void indexMatchesTextExactly_data();
    void indexMatchesTextExactly();
    void foldersSwappedDuringTheWalk_data();
    void foldersSwappedDuringTheWalk();
    void foldersSwappedWhileReadingAhead_data() { foldersSwappedDuringTheWalk_data(); }
    void foldersSwappedWhileReadingAhead();
    void deepTreeKeepsFewFoldersOpen();
    void unreadablePartsAreNamed_data();
    void unreadablePartsAreNamed();
    void failedReadIsNamed_data();
    void failedReadIsNamed();
    void detectionsCarryTheirIdentity();

private:
    void makeFile(const QString& path, const QByteArray& content);
    QStringList scan(const QString& root, const std::string& pattern, std::int64_t limit, RecordingView& view,
                     const platform::FileSystem* files = nullptr, bool readAhead = true);
    void makeWalkTree(const QString& root);
    // A tree with a deep chain and an outside folder holding some of the same names.
    void makeSwapTree(const QString& root, const QString& outside);

    platform::LinuxFileSystem m_files;
};

void TestFindFile::makeFile(const QString& path, const QByteArray& content)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

QStringList TestFindFile::scan(const QString& root, const std::string& pattern, std::int64_t limit, RecordingView& view,
                               const platform::FileSystem* files, bool readAhead)
{
    const platform::FileSystem& fs = files ? *files : m_files;
    platform::NoEventPump events;
    detection::CRC crc(fs, events);
    const detection::SignatureIndex index(kNames, kSigns);
    detection::FindAndMatch(fs, root.toStdString(), pattern, index, limit, crc, view, readAhead);
    return view.log;
}

void TestFindFile::makeWalkTree(const QString& root)
{
    makeFile(root + "/a.exe", "123456789");  // two records
    makeFile(root + "/b.txt", "a");
    makeFile(root + "/C.EXE", "ae");
    makeFile(root + "/clean.exe", "clean");
    makeFile(root + "/zz.exe", "a");  // listed after Sub, examined before it
    makeFile(root + "/Sub/b.exe", "a");
    makeFile(root + "/Sub/Deeper/c.exe", "123456789");
    QVERIFY(QDir(root).mkpath("Sub/Empty"));
}

void TestFindFile::walk_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("expected");
    const QStringList exeFiles{
        "status a.exe",
        "found a.exe | File a.exe, detected as: Trojan.B",
        "found a.exe | File a.exe, detected as: Dup.B",
        "status C.EXE",
        "found C.EXE | File C.EXE, detected as: Worm.AE",
        "status clean.exe",
        "status zz.exe",
        "found zz.exe | File zz.exe, detected as: Virus.C",
        "status Sub/b.exe",
        "found Sub/b.exe | File b.exe, detected as: Virus.C",
        "status Sub/Deeper/c.exe",
        "found Sub/Deeper/c.exe | File c.exe, detected as: Trojan.B",
        "found Sub/Deeper/c.exe | File c.exe, detected as: Dup.B",
    };
    QTest::newRow("normal mode pattern") << "*.exe" << exeFiles;
    QStringList all = exeFiles;
    all.insert(3, "status b.txt");
    all.insert(4, "found b.txt | File b.txt, detected as: Virus.C");
    QTest::newRow("full mode pattern") << "*.*" << all;
    QTest::newRow("no file matches") << "*.com" << QStringList();
}

void TestFindFile::walk()
{
    QFETCH(QString, pattern);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    makeWalkTree(dir.path());
    RecordingView view(dir.path().toStdString());
    QCOMPARE(scan(dir.path(), pattern.toStdString(), 50000, view), expected);
    // Once per examined file.
    QCOMPARE(view.yields, int(expected.filter(QRegularExpression("^status ")).size()));
}

void TestFindFile::folderArgument_data()
{
    QTest::addColumn<QString>("suffix");  // appended to the temporary folder; "-" alone: empty path
    QTest::addColumn<bool>("finds");
    QTest::addColumn<QString>("unreadable");  // what the engine says it could not scan
    QTest::newRow("without separator") << "" << true << "";
    QTest::newRow("with separator, not doubled") << "/" << true << "";
    QTest::newRow("empty path") << "-" << false << "";
    QTest::newRow("missing folder") << "/nowhere" << false << "unreadable folder nowhere/";
    QTest::newRow("a file, not a folder") << "/a.exe" << false << "unreadable folder a.exe/";
}

void TestFindFile::folderArgument()
{
    QFETCH(QString, suffix);
    QFETCH(bool, finds);
    QFETCH(QString, unreadable);
    QTemporaryDir dir;
    makeFile(dir.filePath("a.exe"), "a");
    RecordingView view(dir.path().toStdString());
    const QString folder = suffix == "-" ? QString() : dir.path() + suffix;
    QStringList expected
        = finds ? QStringList{"status a.exe", "found a.exe | File a.exe, detected as: Virus.C"} : QStringList();
    if (!unreadable.isEmpty())
        expected << unreadable;
    QCOMPARE(scan(folder, "*.exe", 50000, view), expected);
}

void TestFindFile::sizeLimit_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<bool>("compared");
    QTest::newRow("one byte under") << 99 << qint64(100) << true;
    QTest::newRow("exactly the limit") << 100 << qint64(100) << true;
    QTest::newRow("one byte over") << 101 << qint64(100) << false;
    QTest::newRow("beyond 16 bits") << 70000 << qint64(100000) << true;
    QTest::newRow("negative limit compares nothing") << 1 << qint64(-1) << false;
}

void TestFindFile::sizeLimit()
{
    QFETCH(int, length);
    QFETCH(qint64, limit);
    QFETCH(bool, compared);
    QTemporaryDir dir;
    const QByteArray content(length, 'q');
    makeFile(dir.filePath("x.exe"), content);
    const auto crc = detection::CRC::ComputeCrc(
        {reinterpret_cast<const std::uint8_t*>(content.constData()), static_cast<std::size_t>(length)});
    const detection::SignatureIndex index({"Sized"}, {detection::ChecksumText(crc)});
    RecordingView view(dir.path().toStdString());
    platform::NoEventPump events;
    detection::CRC checksums(m_files, events);
    detection::FindAndMatch(m_files, dir.path().toStdString(), "*.exe", index, limit, checksums, view);
    QStringList expected{"status x.exe"};  // shown even when too large
    if (compared)
        expected << "found x.exe | File x.exe, detected as: Sized";
    QCOMPARE(view.log, expected);
}

void TestFindFile::attributes()
{
    using namespace platform::Attribute;
    QTemporaryDir dir;
    const QString root = dir.path();
    const struct {
        const char* path;
        std::uint32_t attributes;
    } entries[] = {
        {"hidden.exe", Hidden},      {"readonly.exe", ReadOnly},  {"system.exe", System},
        {"HiddenDir/h.exe", Normal}, {"SystemDir/s.exe", Normal}, {"BothDir/b.exe", Normal},
    };
    for (const auto& e : entries)
        makeFile(root + '/' + e.path, "a");
    for (const auto& e : entries) {
        if (e.attributes != Normal)
            QVERIFY(m_files.setAttributes((root + '/' + e.path).toStdString(), e.attributes));
    }
    QVERIFY(m_files.setAttributes((root + "/HiddenDir").toStdString(), Directory | Hidden));
    QVERIFY(m_files.setAttributes((root + "/SystemDir").toStdString(), Directory | System));
    QVERIFY(m_files.setAttributes((root + "/BothDir").toStdString(), Directory | Hidden | System));

    RecordingView view(root.toStdString());
    const QStringList found = scan(root, "*.exe", 50000, view).filter(QRegularExpression("^found "));
    QCOMPARE(found,
             (QStringList{
                 "found hidden.exe | File hidden.exe, detected as: Virus.C",
                 "found readonly.exe | File readonly.exe, detected as: Virus.C",
                 "found system.exe | File system.exe, detected as: Virus.C",
                 "found HiddenDir/h.exe | File h.exe, detected as: Virus.C",
             }));
}

void TestFindFile::stop_data()
{
    QTest::addColumn<int>("statuses");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("before the first file") << 0 << QStringList();
    QTest::newRow("during the first file: its records still reported")
        << 1
        << QStringList{"status a.exe", "found a.exe | File a.exe, detected as: Trojan.B",
                       "found a.exe | File a.exe, detected as: Dup.B"};
    QTest::newRow("in a subfolder: no deeper folder entered")
        << 5
        << QStringList{"status a.exe",
                       "found a.exe | File a.exe, detected as: Trojan.B",
                       "found a.exe | File a.exe, detected as: Dup.B",
                       "status C.EXE",
                       "found C.EXE | File C.EXE, detected as: Worm.AE",
                       "status clean.exe",
                       "status zz.exe",
                       "found zz.exe | File zz.exe, detected as: Virus.C",
                       "status Sub/b.exe",
                       "found Sub/b.exe | File b.exe, detected as: Virus.C"};
}

void TestFindFile::stop()
{
    QFETCH(int, statuses);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    makeWalkTree(dir.path());
    makeFile(dir.filePath("Sub/later.exe"), "a");
    makeFile(dir.filePath("Zlast/z.exe"), "a");
    RecordingView view(dir.path().toStdString());
    view.stopAfterStatus = statuses;
    QCOMPARE(scan(dir.path(), "*.exe", 50000, view), expected);
    QVERIFY(!view.log.join('\n').contains("Zlast"));
    QVERIFY(!view.log.join('\n').contains("Deeper"));
}

void TestFindFile::killOptionReadAtEachMatch()
{
    QTemporaryDir dir;
    makeFile(dir.filePath("a.exe"), "123456789");
    makeFile(dir.filePath("b.exe"), "a");
    RecordingView view(dir.path().toStdString());
    view.killOnAfterResults = 1;  // switched on by the user after the first result
    QCOMPARE(scan(dir.path(), "*.exe", 50000, view),
             (QStringList{"status a.exe", "found a.exe | File a.exe, detected as: Trojan.B", "kill a.exe",
                          "found a.exe | File a.exe, detected as: Dup.B", "status b.exe", "kill b.exe",
                          "found b.exe | File b.exe, detected as: Virus.C"}));
}

void TestFindFile::linksAndFifosAreNeverFollowed()
{
    QTemporaryDir dir;
    QTemporaryDir outside;
    const QString root = dir.path();
    makeFile(root + "/a.exe", "a");
    makeFile(outside.filePath("far.exe"), "a");
    QVERIFY(QFile::link(root, root + "/loop"));  // a folder link back to the root
    QVERIFY(QFile::link(outside.path(), root + "/outsideLink"));  // a folder link leaving the tree
    QVERIFY(QFile::link(root + "/a.exe", root + "/link.exe"));  // a file link
    QCOMPARE(mkfifo(QFile::encodeName(root + "/pipe.exe").constData(), 0644), 0);  // opening it would block
    RecordingView view(root.toStdString());
    QCOMPARE(scan(root, "*.*", 50000, view),
             (QStringList{"status a.exe", "found a.exe | File a.exe, detected as: Virus.C"}));
}

void TestFindFile::failingEntriesContributeNothing()
{
    QTemporaryDir dir;
    const QString root = dir.path();
    makeFile(root + "/Broken/x.exe", "a");
    makeFile(root + "/Later/y.exe", "a");
    BrokenListingFileSystem files(m_files);
    files.ghost = "ghost.exe";  // listed, but gone before it is read
    RecordingView view(root.toStdString());
    QCOMPARE(scan(root, "*.exe", 50000, view, &files),
             (QStringList{"status ghost.exe", "unreadable folder Broken/", "status Later/ghost.exe",
                          "status Later/y.exe", "found Later/y.exe | File y.exe, detected as: Virus.C"}));
}

// The index looks checksums up by value; a record whose text differs from the computed
// text in any way (case, leading zeros, spaces) must still never match.
void TestFindFile::indexMatchesTextExactly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("positions");
    QTest::newRow("every exact record, in list order") << "CBF43926" << QList<int>{0, 5};
    QTest::newRow("zero") << "0" << QList<int>{3};
    QTest::newRow("short text") << "E7DDCE" << QList<int>{7};
    QTest::newRow("lower case is no checksum text") << "cbf43926" << QList<int>{};
    QTest::newRow("leading zero is no checksum text") << "0E7DDCE" << QList<int>{};
    QTest::newRow("empty") << "" << QList<int>{};
    QTest::newRow("not listed") << "1234" << QList<int>{};
}

void TestFindFile::indexMatchesTextExactly()
{
    QFETCH(QString, text);
    QFETCH(QList<int>, positions);
    const std::vector<std::string> names{"A", "B", "C", "D", "E", "F", "G", "H", "I"};
    const std::vector<std::string> signs{"CBF43926", "cbf43926",  "0CBF43926", "0",      "00",
                                         "CBF43926", "CBF43926 ", "E7DDCE",    "0E7DDCE"};
    const detection::SignatureIndex index(names, signs);
    QList<int> found;
    for (const std::size_t j : index.find(text.toStdString()))
        found << static_cast<int>(j);
    QCOMPARE(found, positions);
    for (const int j : found)
        QCOMPARE(index.name(static_cast<std::size_t>(j)), std::string_view(names[static_cast<std::size_t>(j)]));
}

namespace {

// A chain of folders "d" this deep below Q, longer than the walk keeps open, so that the
// walk has to find its way back to Q by names.
constexpr int kChain = 40;

QString chainPath()
{
    QStringList parts;
    for (int i = 0; i < kChain; ++i)
        parts << "d";
    return "P/Q/chain/" + parts.join('/');
}

enum class Swap { Nothing, LinkToOutside, OutsideMovedIn };

// Puts the outside folder (or a link to it) where the folder of the tree was.
void swapFolder(const QString& root, const QString& folder, const QString& outside, Swap how)
{
    QVERIFY(QDir(root).rename(folder, folder + ".moved"));
    if (how == Swap::LinkToOutside)
        QVERIFY(QFile::link(outside, root + '/' + folder));
    else
        QVERIFY(QDir().rename(outside, root + '/' + folder));
}

int openDescriptors()
{
    return static_cast<int>(
        QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

}  // namespace

void TestFindFile::foldersSwappedDuringTheWalk_data()
{
    QTest::addColumn<QString>("when");  // the file being examined when the swap is made
    QTest::addColumn<QString>("folder");  // the folder of the tree that is swapped
    QTest::addColumn<int>("how");
    QTest::addColumn<QStringList>("expected");
    const QString deep = chainPath() + "/deep.exe";
    const QStringList head{"status a.exe", "found a.exe | File a.exe, detected as: Virus.C", "status " + deep,
                           "found " + deep + " | File deep.exe, detected as: Virus.C"};
    const QStringList later{"status P/Q/later/x.exe", "found P/Q/later/x.exe | File x.exe, detected as: Virus.C"};
    const QStringList sub{"status Sub/b.exe", "found Sub/b.exe | File b.exe, detected as: Virus.C"};

    QTest::newRow("nothing swapped: found again by names after the deep chain")
        << "a.exe"
        << "" << int(Swap::Nothing) << head + later + sub;
    QTest::newRow("subfolder swapped for a link once its parent was listed")
        << "a.exe"
        << "Sub" << int(Swap::LinkToOutside) << head + later + QStringList{"unreadable folder Sub/"};
    QTest::newRow("subfolder swapped for an outside folder once its parent was listed")
        << "a.exe"
        << "Sub" << int(Swap::OutsideMovedIn) << head + later + QStringList{"unreadable folder Sub/"};
    QTest::newRow("ancestor swapped for a link while the walk is deep below it")
        << deep << "P" << int(Swap::LinkToOutside) << head + QStringList{"unreadable folder P/Q/later/"} + sub;
    QTest::newRow("ancestor swapped for an outside folder while the walk is deep below it")
        << deep << "P" << int(Swap::OutsideMovedIn) << head + QStringList{"unreadable folder P/Q/later/"} + sub;
}

void TestFindFile::makeSwapTree(const QString& root, const QString& outside)
{
    makeFile(root + "/a.exe", "a");
    makeFile(root + '/' + chainPath() + "/deep.exe", "a");
    makeFile(root + "/P/Q/later/x.exe", "a");
    makeFile(root + "/Sub/b.exe", "a");
    // The outside folder holds the same names, so a walk led there would report them.
    makeFile(outside + "/b.exe", "a");
    makeFile(outside + "/Q/later/x.exe", "a");
}

// Whatever is put in place of a folder during the walk, nothing outside the tree is examined.
// Each step waits for the one before here, so the swap comes at a known point of the walk.
void TestFindFile::foldersSwappedDuringTheWalk()
{
    QFETCH(QString, when);
    QFETCH(QString, folder);
    QFETCH(int, how);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    QTemporaryDir outsideDir;
    const QString root = dir.path();
    const QString outside = outsideDir.filePath("outside");
    makeSwapTree(root, outside);

    RecordingView view(root.toStdString());
    view.onStatus = [&](const QString& file) {
        if (file == when && how != int(Swap::Nothing))
            swapFolder(root, folder, outside, Swap(how));
    };
    QCOMPARE(scan(root, "*.exe", 50000, view, nullptr, false), expected);
}

// Reading ahead, the walk may have entered a folder before it is swapped, or come to it
// after: either way every file examined is one of the tree's own, never an outside one.
void TestFindFile::foldersSwappedWhileReadingAhead()
{
    QFETCH(QString, when);
    QFETCH(QString, folder);
    QFETCH(int, how);
    QTemporaryDir dir;
    QTemporaryDir outsideDir;
    const QString root = dir.path();
    const QString outside = outsideDir.filePath("outside");
    makeSwapTree(root, outside);
    std::vector<std::uint64_t> outsideInodes;
    for (const QString& name : {QString("/b.exe"), QString("/Q/later/x.exe")}) {
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(outside + name).constData(), &st), 0);
        outsideInodes.push_back(st.st_ino);
    }

    RecordingView view(root.toStdString());
    view.onStatus = [&](const QString& file) {
        if (file == when && how != int(Swap::Nothing))
            swapFolder(root, folder, outside, Swap(how));
    };
    const QStringList log = scan(root, "*.exe", 50000, view);
    QVERIFY2(log.filter("OUTSIDE").isEmpty(), qPrintable(log.join('\n')));
    QVERIFY(log.contains("found a.exe | File a.exe, detected as: Virus.C"));
    for (const auto& found : view.detections) {
        QVERIFY(found.identity.known);
        QVERIFY2(std::find(outsideInodes.begin(), outsideInodes.end(), found.identity.inode) == outsideInodes.end(),
                 found.fullPath.c_str());
    }
}

void TestFindFile::deepTreeKeepsFewFoldersOpen()
{
    QTemporaryDir dir;
    const QString root = dir.path();
    QString path = root;
    for (int depth = 1; depth <= 300; ++depth) {
        path += "/d";
        if (depth % 100 == 0)
            makeFile(path + "/z/side.exe", "a");  // entered only after the deeper chain
    }
    makeFile(path + "/bottom.exe", "a");
    const int before = openDescriptors();
    int most = before;
    RecordingView view(root.toStdString());
    view.onStatus = [&](const QString&) {
        most = std::max(most, openDescriptors());
    };
    const QStringList found = scan(root, "*.exe", 50000, view).filter(QRegularExpression("^found "));
    QCOMPARE(found.size(), 4);
    QVERIFY(found[0].contains("/bottom.exe |"));
    QVERIFY(found[1].endsWith("File side.exe, detected as: Virus.C"));
    QCOMPARE(found[3].count("d/"), 100);  // the shallowest side folder comes last
    QVERIFY2(most - before <= 40, qPrintable(QString("%1 descriptors open").arg(most - before)));
}

void TestFindFile::unreadablePartsAreNamed_data()
{
    QTest::addColumn<QString>("locked");  // made unreadable for an ordinary user
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("expected");
    const QStringList first{"status a.exe", "found a.exe | File a.exe, detected as: Virus.C"};
    const QStringList last{"status Z/z.exe", "found Z/z.exe | File z.exe, detected as: Virus.C"};
    QTest::newRow("folder without any permission")
        << "Locked" << 0 << first + QStringList{"unreadable folder Locked/"} + last;
    QTest::newRow("folder that can be passed but not listed")
        << "Locked" << 0111 << first + QStringList{"unreadable folder Locked/"} + last;
    QTest::newRow("file without read permission")
        << "a.exe" << 0200
        << QStringList{"status a.exe", "unreadable file a.exe", "status Locked/l.exe",
                       "found Locked/l.exe | File l.exe, detected as: Virus.C"}
            + last;
    QTest::newRow("unreadable file over the size limit was not to be read anyway") << "Locked/big.exe" << 0200
                                                                                   << first
            + QStringList{"status Locked/big.exe", "status Locked/l.exe",
                          "found Locked/l.exe | File l.exe, detected as: Virus.C"}
            + last;
}

// A tree with parts that an ordinary user cannot read is never reported as clean.
void TestFindFile::unreadablePartsAreNamed()
{
    QFETCH(QString, locked);
    QFETCH(int, mode);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const QString root = dir.path();
    makeFile(root + "/a.exe", "a");
    makeFile(root + "/Locked/l.exe", "a");
    if (locked.endsWith("big.exe"))
        makeFile(root + "/Locked/big.exe", QByteArray(60, 'b'));
    makeFile(root + "/Z/z.exe", "a");
    const QByteArray target = QFile::encodeName(root + '/' + locked);

    test::WithoutPermissionOverride permissionsHold;
    QCOMPARE(::chmod(target.constData(), static_cast<mode_t>(mode)), 0);
    const int probe = ::open(target.constData(), O_RDONLY | O_CLOEXEC);
    if (probe >= 0)
        ::close(probe);
    if (probe >= 0) {
        ::chmod(target.constData(), 0755);
        QSKIP("file permissions are not enforced for this process");
    }
    RecordingView view(root.toStdString());
    const QStringList log = scan(root, "*.exe", 50, view);
    ::chmod(target.constData(), 0755);
    QCOMPARE(log, expected);
}

void TestFindFile::failedReadIsNamed_data()
{
    QTest::addColumn<int>("failAfter");  // reads that succeed first
    QTest::addColumn<bool>("readAhead");
    QTest::newRow("first read fails, read ahead") << 0 << true;
    QTest::newRow("fails part-way, read ahead") << 1 << true;
    QTest::newRow("first read fails, one file at a time") << 0 << false;
    QTest::newRow("fails part-way, one file at a time") << 1 << false;
}

// A file whose reading fails, at once or after its first block, was not scanned, and the
// scan says so, as for a file that cannot be opened; the files after it are scanned.
void TestFindFile::failedReadIsNamed()
{
    QFETCH(int, failAfter);
    QFETCH(bool, readAhead);
    QTemporaryDir dir;
    const QString root = dir.path();
    makeFile(root + "/a.exe", "a");
    makeFile(root + "/failing.exe", QByteArray(600 * 1024, 'x'));  // longer than one block
    makeFile(root + "/z.exe", "a");
    test::FailingReadFileSystem files(m_files, "failing", failAfter);
    RecordingView view(root.toStdString());
    const QStringList log = scan(root, "*.exe", 1 << 20, view, &files, readAhead);
    QCOMPARE(
        log,
        (QStringList{"status a.exe", "found a.exe | File a.exe, detected as: Virus.C", "status failing.exe",
                     "unreadable file failing.exe", "status z.exe", "found z.exe | File z.exe, detected as: Virus.C"}));
}

void TestFindFile::detectionsCarryTheirIdentity()
{
    QTemporaryDir dir;
    makeFile(dir.filePath("Sub/a.exe"), "123456789");
    RecordingView view(dir.path().toStdString());
    scan(dir.path(), "*.exe", 50000, view);
    QCOMPARE(view.detections.size(), std::size_t{2});  // two records of one file
    struct stat file;
    struct stat folder;
    QCOMPARE(::lstat(QFile::encodeName(dir.filePath("Sub/a.exe")).constData(), &file), 0);
    QCOMPARE(::lstat(QFile::encodeName(dir.filePath("Sub")).constData(), &folder), 0);
    for (const auto& d : view.detections) {
        QCOMPARE(d.checksumText, std::string("CBF43926"));
        QVERIFY(d.identity.known);
        QCOMPARE(d.identity.device, static_cast<std::uint64_t>(file.st_dev));
        QCOMPARE(d.identity.inode, static_cast<std::uint64_t>(file.st_ino));
        QCOMPARE(d.identity.size, std::uint64_t{9});
        QCOMPARE(d.identity.changeTimeNs, std::int64_t(file.st_ctim.tv_sec) * 1000000000 + file.st_ctim.tv_nsec);
        QVERIFY(d.folderIdentity.known);
        QCOMPARE(d.folderIdentity.inode, static_cast<std::uint64_t>(folder.st_ino));
    }
}

QTEST_GUILESS_MAIN(TestFindFile)
#include "tst_findfile.moc"
