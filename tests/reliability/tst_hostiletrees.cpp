// Hostile folder trees for the scan engine. The first group runs the real engine in a
// child process with a time limit, so a hang or a crash fails the test instead of stopping
// the suite; the second changes the tree while the engine walks it.

#include "EscapedPath.h"
#include "ScratchTree.h"
#include "VictimProcess.h"
#include "tests/support/WithoutPermissionOverride.h"
#include "detection/DateRule.h"
#include "detection/mdlFindFile.h"
#include "platform/linux/LinuxDosAttrib.h"
#include "platform/linux/LinuxFileSystem.h"
#include "tests/support/ForwardingFileSystem.h"

#include <QStandardPaths>
#include <QTest>

#include <sys/socket.h>
#include <sys/xattr.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>

#include <climits>
#include <functional>
#include <map>
#include <set>

using namespace quenno;
using namespace std::chrono_literals;
using test::ScratchTree;

namespace {

struct Expectation {
    std::vector<std::string> found;  // full paths, each reported exactly once
    std::vector<std::string> neverExamined;  // full paths the engine must not touch
    QString skip;  // why the tree could not be built here
};

using TreeBuilder = std::function<Expectation(const ScratchTree&)>;

Expectation symbolicLinkLoops(const ScratchTree& t)
{
    t.folder("sub");
    t.folder("sub/deeper");
    t.file("sub/infected.exe");
    ::symlink(".", t.path("sub/self").c_str());
    ::symlink("..", t.path("sub/up").c_str());
    ::symlink("../..", t.path("sub/deeper/back").c_str());
    ::symlink(t.root().c_str(), t.path("root").c_str());
    ::symlink("/", t.path("slash").c_str());
    ::symlink("missing.exe", t.path("dangling.exe").c_str());
    ::symlink("sub/infected.exe", t.path("link.exe").c_str());
    ::symlink("a.exe", t.path("b.exe").c_str());
    ::symlink("b.exe", t.path("a.exe").c_str());
    return {{t.path("sub/infected.exe")}, {t.path("link.exe"), t.path("dangling.exe"), t.path("a.exe")}, {}};
}

Expectation fifoAndSocket(const ScratchTree& t)
{
    t.file("infected.exe");
    ::mkfifo(t.path("fifo.exe").c_str(), 0644);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = t.path("socket.exe");
    if (socketPath.size() < sizeof address.sun_path) {
        std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
        ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }
    ::close(fd);
    return {{t.path("infected.exe")}, {t.path("fifo.exe"), t.path("socket.exe")}, {}};
}

Expectation deviceNodes(const ScratchTree& t)
{
    t.file("infected.exe");
    // A zero device never ends and a null device is always empty: opening either as a file
    // would hang the scan or report an empty file.
    if (::mknod(t.path("zero.exe").c_str(), S_IFCHR | 0666, makedev(1, 5)) != 0
        || ::mknod(t.path("null.exe").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        return {{}, {}, QStringLiteral("device nodes need root here: %1").arg(qt_error_string(errno))};
    return {{t.path("infected.exe")}, {t.path("zero.exe"), t.path("null.exe")}, {}};
}

Expectation fiftyThousandSubfolders(const ScratchTree& t)
{
    char name[16];
    for (int i = 0; i < 50000; ++i) {
        std::snprintf(name, sizeof name, "f%05d", i);
        t.folder(name);
    }
    t.file("f00000/infected.exe");
    t.file("f49999/infected.exe");
    return {{t.path("f00000/infected.exe"), t.path("f49999/infected.exe")}, {}, {}};
}

// Folders of the longest names down to a file whose full path is one byte short of the
// system's limit; below it, a folder and a file that only relative calls can reach, which
// are scanned all the same.
Expectation nearThePathLimit(const ScratchTree& t)
{
    const std::string longName(NAME_MAX, 'd');
    std::string relative;
    // Bytes of the full path still free (the final NUL counts against the limit).
    const auto left = [&] {
        return PATH_MAX - 1 - static_cast<int>(t.path(relative).size());
    };
    while (left() > 2 * NAME_MAX + 2) {
        relative += (relative.empty() ? "" : "/") + longName;
        t.folder(relative);
    }
    // One folder of the length that leaves room for exactly one name of the longest kind.
    relative += "/" + std::string(static_cast<std::size_t>(std::max(1, left() - NAME_MAX - 2)), 'e');
    t.folder(relative);
    std::string fileName(static_cast<std::size_t>(std::min(NAME_MAX, left() - 1)) - 4, 'n');
    fileName += ".exe";
    t.file(relative + "/" + fileName);
    const std::string nearLimit = t.path(relative + "/" + fileName);

    // Past the limit: one folder more and a file in it, made relative to the last folder.
    const int fd = ::open(t.path(relative).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::mkdirat(fd, longName.c_str(), 0755);
    const int beyond = ::openat(fd, longName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int file = ::openat(beyond, "beyond.exe", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    (void)!::write(file, test::kInfected.data(), test::kInfected.size());
    ::close(file);
    ::close(beyond);
    ::close(fd);
    if (nearLimit.size() != PATH_MAX - 1)
        return {{}, {}, QStringLiteral("could not build a path of %1 bytes").arg(PATH_MAX - 1)};
    return {{nearLimit, t.path(relative + "/" + longName + "/beyond.exe")}, {}, {}};
}

// One-letter folders nested as deep as paths allow, and deeper through relative calls.
Expectation deepNesting(const ScratchTree& t)
{
    int fd = ::open(t.root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::string relative;
    for (int depth = 0; depth < 3000; ++depth) {
        ::mkdirat(fd, "d", 0755);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
        relative += relative.empty() ? "d" : "/d";
        if (depth == 1500) {
            const int file = ::openat(fd, "infected.exe", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            (void)!::write(file, test::kInfected.data(), test::kInfected.size());
            ::close(file);
            t.file(relative + "/../infected.exe");  // one level up as well, by path
        }
    }
    ::close(fd);
    std::string at1500;
    for (int depth = 0; depth <= 1500; ++depth)
        at1500 += depth ? "/d" : "d";
    const std::string at1499 = at1500.substr(0, at1500.size() - 2);
    return {{t.path(at1499 + "/infected.exe"), t.path(at1500 + "/infected.exe")}, {}, {}};
}

// 3,000 folders of long names: every path below the 240th is past the system's limit, and
// the planted files are found at every depth all the same.
Expectation deepPastThePathLimit(const ScratchTree& t)
{
    const std::string name(16, 'p');
    const std::set<int> planted = {1, 1000, 2999, 3000};
    Expectation expect;
    int fd = ::open(t.root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::string relative;
    for (int depth = 1; depth <= 3000 && fd >= 0; ++depth) {
        ::mkdirat(fd, name.c_str(), 0755);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
        relative += (relative.empty() ? "" : "/") + name;
        if (planted.contains(depth)) {
            const int file = ::openat(fd, "infected.exe", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            (void)!::write(file, test::kInfected.data(), test::kInfected.size());
            ::close(file);
            expect.found.push_back(t.path(relative + "/infected.exe"));
        }
    }
    if (fd < 0)
        return {{}, {}, QStringLiteral("could not build the tree: %1").arg(qt_error_string(errno))};
    ::close(fd);
    return expect;
}

Expectation oddNames(const ScratchTree& t)
{
    const std::vector<std::string> names = {
        "new\nline.exe",      "\xFF\xFE.exe", "caf\xE9.exe", "back\\slash.exe", "tab\tand\rreturn.exe",
        " leading space.exe", "-dash.exe",    "*.exe",       "?.exe",           "dir\nwith\xC0\x80 breaks/x.exe",
    };
    t.folder("dir\nwith\xC0\x80 breaks");
    Expectation expect;
    for (const std::string& name : names) {
        t.file(name);
        expect.found.push_back(t.path(name));
    }
    return expect;
}

const std::map<QString, TreeBuilder>& builders()
{
    static const std::map<QString, TreeBuilder> all = {
        {"symbolic link loops", symbolicLinkLoops},
        {"FIFO and socket", fifoAndSocket},
        {"device nodes", deviceNodes},
        {"50,000 subfolders", fiftyThousandSubfolders},
        {"path near the length limit", nearThePathLimit},
        {"3,000 nested folders", deepNesting},
        {"3,000 nested folders past the path limit", deepPastThePathLimit},
        {"newlines and bytes that are not UTF-8", oddNames},
    };
    return all;
}

QSet<QByteArray> linesWith(const QByteArray& output, const QByteArray& prefix, QList<QByteArray>* all = nullptr)
{
    QSet<QByteArray> set;
    for (const QByteArray& line : output.split('\n')) {
        if (line.startsWith(prefix)) {
            set.insert(line.mid(prefix.size()));
            if (all)
                all->append(line.mid(prefix.size()));
        }
    }
    return set;
}

QByteArray escaped(const std::string& path) { return QByteArray::fromStdString(test::escapedPath(path)); }

// The engine's view for scans inside this process.
class RecordingView final : public detection::ScanView {
public:
    std::function<void(const std::string&)> onExamine;
    std::vector<std::string> examined;
    std::vector<std::string> found;

    bool stopRequested() const override { return false; }
    void setStatus(const std::string& fullPath) override
    {
        examined.push_back(fullPath);
        if (onExamine)
            onExamine(fullPath);
    }
    void addResult(const std::string& fullPath, const std::string&) override { found.push_back(fullPath); }
    bool killProcessOn() const override { return false; }
    void killProcessesNamed(const std::string&) override { }
    void letEventsRun() override { }
};

// readAhead false: each step waits for the one before, for a test that changes the tree
// while one file is examined and expects the walk to meet the change at the next.
void scanHere(const platform::FileSystem& files, const std::string& folder, RecordingView& view, bool readAhead = true)
{
    platform::NoEventPump events;
    detection::CRC crc(files, events);
    const detection::SignatureIndex signatures({"Test.Hostile"}, {test::infectedChecksum()});
    detection::FindAndMatch(files, folder, "*.*", signatures, 100000, crc, view, readAhead);
}

// Changes a file on disk each time the engine has read a block of it, the way another
// program writing it at the same time would.
class ChangingFileSystem final : public quenno::test::ForwardingFileSystem {
public:
    using Change = std::function<void(const std::string& path, int readsSoFar)>;
    ChangingFileSystem(platform::FileSystem& inner, std::string victim, Change change)
        : ForwardingFileSystem(inner), m_victim(std::move(victim)), m_change(std::move(change))
    {
    }
    mutable std::uint64_t bytesRead = 0;

    std::unique_ptr<platform::FileReader> openRead(const std::string& path) const override
    {
        auto inner = m_inner.openRead(path);
        if (!inner || path != m_victim)
            return inner;
        return std::make_unique<Reader>(std::move(inner), path, *this);
    }

private:
    class Reader final : public platform::FileReader {
    public:
        Reader(std::unique_ptr<platform::FileReader> inner, std::string path, const ChangingFileSystem& owner)
            : m_inner(std::move(inner)), m_path(std::move(path)), m_owner(owner)
        {
        }
        std::int64_t read(std::span<std::uint8_t> buffer) override
        {
            // A reader that never reaches the end would hang the scan: stop it and let the
            // test say so.
            if (m_owner.bytesRead > 64ull * 1024 * 1024)
                return -1;
            const std::int64_t got = m_inner->read(buffer);
            if (got > 0)
                m_owner.bytesRead += static_cast<std::uint64_t>(got);
            m_owner.m_change(m_path, ++m_reads);
            return got;
        }
        std::uint64_t length() const override { return m_inner->length(); }

    private:
        std::unique_ptr<platform::FileReader> m_inner;
        std::string m_path;
        const ChangingFileSystem& m_owner;
        int m_reads = 0;
    };

    std::string m_victim;
    Change m_change;
};

}  // namespace

class HostileTrees : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void scanFinishesAndReportsWhatItCouldCheck_data();
    void scanFinishesAndReportsWhatItCouldCheck();
    void filesChangingSizeWhileRead_data();
    void filesChangingSizeWhileRead();
    void permissionsChangingMidScan();
    void hostileCreationTimeRecord_data();
    void hostileCreationTimeRecord();
};

void HostileTrees::scanFinishesAndReportsWhatItCouldCheck_data()
{
    QTest::addColumn<QString>("tree");
    for (const auto& [name, builder] : builders())
        QTest::newRow(qPrintable(name)) << name;
}

void HostileTrees::scanFinishesAndReportsWhatItCouldCheck()
{
    QFETCH(QString, tree);
    ScratchTree t;
    QVERIFY(t.valid());
    const Expectation expect = builders().at(tree)(t);
    if (!expect.skip.isEmpty())
        QSKIP(qPrintable(expect.skip));

    const auto run = test::runVictim({"scan", QString::fromLocal8Bit(t.root().c_str()), "*.*", "100000",
                                      QString::fromStdString(test::infectedChecksum())},
                                     120s);
    QVERIFY2(!run.hung, "the scan did not finish within two minutes");
    QVERIFY2(!run.killed, "the scan crashed");
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.output.endsWith("done\n"));

    QList<QByteArray> foundLines;
    const QSet<QByteArray> found = linesWith(run.output, "found ", &foundLines);
    const QSet<QByteArray> examined = linesWith(run.output, "examined ");
    for (const std::string& path : expect.found)
        QVERIFY2(foundLines.count(escaped(path)) == 1, escaped(path).constData());
    QCOMPARE(foundLines.size(), static_cast<qsizetype>(expect.found.size()));
    for (const std::string& path : expect.neverExamined)
        QVERIFY2(!examined.contains(escaped(path)), escaped(path).constData());
    qInfo("%lld files examined, %lld found", static_cast<long long>(examined.size()),
          static_cast<long long>(found.size()));
}

void HostileTrees::filesChangingSizeWhileRead_data()
{
    QTest::addColumn<int>("change");
    QTest::newRow("grows by a block after every read") << 0;
    QTest::newRow("cut to nothing after the first read") << 1;
    QTest::newRow("replaced by a shorter file after the first read") << 2;
    QTest::newRow("becomes the infected content after the first read") << 3;
}

void HostileTrees::filesChangingSizeWhileRead()
{
    QFETCH(int, change);
    ScratchTree t;
    QVERIFY(t.valid());
    t.file("a-changing.exe", std::string(90000, 'x'));
    t.file("b-stable.exe");
    t.folder("sub");
    t.file("sub/c-stable.exe");

    platform::LinuxFileSystem real;
    ChangingFileSystem files(real, t.path("a-changing.exe"), [&](const std::string& path, int reads) {
        switch (change) {
        case 0: {
            const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
            const std::string block(64 * 1024, 'g');
            (void)!::write(fd, block.data(), block.size());
            ::close(fd);
            break;
        }
        case 1:
            if (reads == 1)
                (void)!::truncate(path.c_str(), 0);
            break;
        case 2:
            if (reads == 1)
                t.file("a-changing.exe", "short");
            break;
        case 3:
            if (reads == 1)
                t.file("a-changing.exe");
            break;
        }
    });
    RecordingView view;
    scanHere(files, t.root(), view);

    QVERIFY2(files.bytesRead <= 64ull * 1024 * 1024, "the checksum kept reading a growing file without end");
    const std::vector<std::string> expected = {t.path("b-stable.exe"), t.path("sub/c-stable.exe")};
    QCOMPARE(view.found, expected);
    QCOMPARE(view.examined.size(), std::size_t{3});
}

void HostileTrees::permissionsChangingMidScan()
{
    ScratchTree t;
    QVERIFY(t.valid());
    t.file("a1.exe");
    t.file("a2.exe");
    t.folder("b");
    t.file("b/x.exe");
    t.folder("c");
    t.file("c/y.exe");

    test::WithoutPermissionOverride permissionsHold;
    ::chmod(t.path("c").c_str(), 0);
    const int probe = ::open(t.path("c/y.exe").c_str(), O_RDONLY | O_CLOEXEC);
    const bool enforced = probe < 0;
    if (probe >= 0)
        ::close(probe);
    ::chmod(t.path("c").c_str(), 0755);
    if (!enforced)
        QSKIP("file permissions are not enforced for this process");

    platform::LinuxFileSystem files;
    RecordingView view;
    // Once the walk has listed the top folder: its second file and the first subfolder
    // lose every permission.
    view.onExamine = [&](const std::string& path) {
        if (path == t.path("a1.exe")) {
            ::chmod(t.path("a2.exe").c_str(), 0);
            ::chmod(t.path("b").c_str(), 0);
        }
    };
    scanHere(files, t.root(), view, false);
    ::chmod(t.path("a2.exe").c_str(), 0644);
    ::chmod(t.path("b").c_str(), 0755);

    const std::vector<std::string> found = {t.path("a1.exe"), t.path("c/y.exe")};
    QCOMPARE(view.found, found);
    const std::vector<std::string> examined = {t.path("a1.exe"), t.path("a2.exe"), t.path("c/y.exe")};
    QCOMPARE(view.examined, examined);
}

void HostileTrees::hostileCreationTimeRecord_data()
{
    // Windows file times (100 ns since 1601) in the user.DOSATTRIB record of database.db,
    // whose creation time the scan screen shows and ages.
    QTest::addColumn<quint64>("fileTime");
    QTest::addColumn<bool>("taken");
    QTest::newRow("2026-12-02 23:59 UTC") << Q_UINT64_C(134407295400000000) << true;
    QTest::newRow("largest time the clock holds")
        << Q_UINT64_C(116444736000000000) + Q_UINT64_C(92233720368547758) << true;
    QTest::newRow("one tick beyond") << Q_UINT64_C(116444736000000000) + Q_UINT64_C(92233720368547759) << false;
    QTest::newRow("all bits set") << ~Q_UINT64_C(0) << false;
    QTest::newRow("before 1970") << Q_UINT64_C(1) << false;
}

void HostileTrees::hostileCreationTimeRecord()
{
    QFETCH(quint64, fileTime);
    QFETCH(bool, taken);
    ScratchTree t;
    QVERIFY(t.valid());
    const std::string path = t.path("database.db");
    QVERIFY(t.file("database.db", "50000;*.exe;Limits dan ekstensi\r\n"));
    const std::string record = platform::linux_fs::encodeDosAttrib({0x20, fileTime});
    if (::setxattr(path.c_str(), platform::linux_fs::kDosAttribName, record.data(), record.size(), 0) != 0)
        QSKIP("this file system keeps no user attributes");

    platform::LinuxFileSystem files;
    const auto created = files.creationTime(path);
    QVERIFY(created.has_value());
    const auto now = std::chrono::system_clock::now();
    if (taken) {
        const auto ticks = static_cast<std::int64_t>(fileTime - Q_UINT64_C(116444736000000000));
        QCOMPARE(created->time_since_epoch().count(),
                 std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::nanoseconds(ticks) * 100)
                     .count());
    } else {
        // The record is passed over: the file system's own time, that is just now.
        QVERIFY(*created > now - std::chrono::hours(1) && *created <= now + std::chrono::hours(1));
    }
    (void)detection::DateIsOld(*created, now);
}

QTEST_GUILESS_MAIN(HostileTrees)
#include "tst_hostiletrees.moc"
