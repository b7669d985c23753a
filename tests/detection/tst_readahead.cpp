// Reading ahead of the scan: results in the order the files were queued whatever the order
// the workers finish in, nothing of what was dropped comes back, the bounds on bytes and
// open files hold, failures give what the caller's own read gives, and a file is opened
// in the folder that was listed.

#include "detection/ReadAhead.h"
#include "detection/WalkAhead.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <thread>

using namespace quenno;
using Outcome = detection::ReadAheadResult::Outcome;

namespace {

// What every fake reader of one test reports to: how many workers hold open, and how many
// bytes workers read of files the test has not yet taken. The test's own reads (of files
// left to it) are not reading ahead and are left out of both.
struct Counters {
    std::mutex mutex;
    const std::thread::id caller = std::this_thread::get_id();
    int openNow = 0;
    int peakOpen = 0;
    std::uint64_t startedBytes = 0;
    std::uint64_t peakStartedBytes = 0;
    std::map<std::string, int> opens;
    std::map<std::string, bool> started;
    std::map<std::string, std::uint64_t> lengths;
    int liveFolders = 0;
    int peakFolders = 0;
    std::map<std::string, bool> readByCaller;  // bytes of it were read on the caller's thread
    std::map<std::string, bool> readByWorker;

    void taken(const std::string& name)
    {
        const std::lock_guard lock(mutex);
        if (started[name])
            startedBytes -= lengths[name];
        started[name] = false;
    }
};

// A gate that holds reads until it is opened.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = true;
    void wait()
    {
        std::unique_lock lock(mutex);
        opened.wait(lock, [this] {
            return open;
        });
    }
    void release()
    {
        {
            const std::lock_guard lock(mutex);
            open = true;
        }
        opened.notify_all();
    }
};

struct FakeFile {
    std::string content;
    int delayMicroseconds = 0;  // before every read: workers finish out of order
    std::int64_t failAt = -1;  // a read at or past this offset fails
    std::int64_t endsAt = -1;  // the file seems to end here (it shrank)
    bool opens = true;
    bool gated = false;
    std::uint64_t inode = 0;
    std::int64_t wouldWaitFrom = -1;  // from here on its bytes are not in memory
};

class FakeReader final : public platform::FileReader {
public:
    FakeReader(std::string name, const FakeFile& file, Counters& counters, Gate& gate)
        : m_name(std::move(name)), m_file(file), m_counters(counters), m_gate(gate)
    {
        const std::lock_guard lock(m_counters.mutex);
        ++m_counters.opens[m_name];
        m_counters.lengths[m_name] = m_file.content.size();
        if (m_byWorker)
            m_counters.peakOpen = std::max(m_counters.peakOpen, ++m_counters.openNow);
    }
    ~FakeReader() override
    {
        const std::lock_guard lock(m_counters.mutex);
        if (m_byWorker)
            --m_counters.openNow;
    }
    std::int64_t readIfInMemory(std::span<std::uint8_t> buffer) override
    {
        if (m_file.wouldWaitFrom < 0)
            return read(buffer);
        const auto inMemory = static_cast<std::uint64_t>(m_file.wouldWaitFrom);
        if (m_position >= inMemory)
            return kWouldWait;
        return read(
            buffer.first(static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), inMemory - m_position))));
    }
    std::int64_t read(std::span<std::uint8_t> buffer) override
    {
        {
            const std::lock_guard lock(m_counters.mutex);
            (m_byWorker ? m_counters.readByWorker : m_counters.readByCaller)[m_name] = true;
        }
        if (m_position == 0 && std::this_thread::get_id() != m_counters.caller) {
            const std::lock_guard lock(m_counters.mutex);
            if (!m_counters.started[m_name]) {
                m_counters.started[m_name] = true;
                m_counters.startedBytes += m_file.content.size();
                m_counters.peakStartedBytes = std::max(m_counters.peakStartedBytes, m_counters.startedBytes);
            }
        }
        if (m_file.gated)
            m_gate.wait();
        if (m_file.delayMicroseconds > 0)
            std::this_thread::sleep_for(std::chrono::microseconds(m_file.delayMicroseconds));
        if (m_file.failAt >= 0 && static_cast<std::int64_t>(m_position) >= m_file.failAt)
            return -1;
        std::uint64_t end = m_file.content.size();
        if (m_file.endsAt >= 0)
            end = std::min<std::uint64_t>(end, static_cast<std::uint64_t>(m_file.endsAt));
        if (m_file.failAt >= 0)
            end = std::min<std::uint64_t>(end, static_cast<std::uint64_t>(m_file.failAt));
        const std::size_t n
            = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), end - std::min(end, m_position)));
        std::copy_n(m_file.content.data() + m_position, n, buffer.data());
        m_position += n;
        return static_cast<std::int64_t>(n);
    }
    std::uint64_t length() const override { return m_file.content.size(); }
    std::uint64_t position() const override { return m_position; }
    platform::FileIdentity identity() const override { return {1, m_file.inode, m_file.content.size(), 0, true}; }

private:
    std::string m_name;
    const FakeFile& m_file;
    Counters& m_counters;
    Gate& m_gate;
    const bool m_byWorker = std::this_thread::get_id() != m_counters.caller;
    std::uint64_t m_position = 0;
};

// One folder of fake files; each file's identity is its index in the folder.
class FakeFolder final : public platform::OpenFolder {
public:
    FakeFolder(std::map<std::string, FakeFile> files, Counters& counters, Gate& gate)
        : m_files(std::move(files)), m_counters(counters), m_gate(gate)
    {
        const std::lock_guard lock(m_counters.mutex);
        m_counters.peakFolders = std::max(m_counters.peakFolders, ++m_counters.liveFolders);
    }
    ~FakeFolder() override
    {
        const std::lock_guard lock(m_counters.mutex);
        --m_counters.liveFolders;
    }
    FakeFolder(const FakeFolder&) = delete;
    FakeFolder& operator=(const FakeFolder&) = delete;
    platform::FileIdentity identity() const override { return {}; }
    std::optional<std::vector<platform::DirEntry>> listForWalk() override { return std::nullopt; }
    std::optional<platform::DirEntry> entry(std::string_view) const override { return std::nullopt; }
    std::unique_ptr<platform::OpenFolder> openFolder(std::string_view) const override { return nullptr; }
    std::unique_ptr<platform::FileReader> openRead(std::string_view name) const override
    {
        const auto it = m_files.find(std::string(name));
        if (it == m_files.end() || !it->second.opens)
            return nullptr;
        return std::make_unique<FakeReader>(it->first, it->second, m_counters, m_gate);
    }

private:
    std::map<std::string, FakeFile> m_files;
    Counters& m_counters;
    Gate& m_gate;
};

std::string checksumOf(const std::string& content)
{
    return detection::ChecksumText(
        detection::CRC::ComputeCrc(std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size())));
}

std::string fileName(int i) { return "f" + std::to_string(1000 + i) + ".exe"; }

// Files named fileName(0), fileName(1), ... as make gives them; their names in that order.
std::vector<std::string> addFiles(std::map<std::string, FakeFile>& fakes, int count,
                                  const std::function<FakeFile(int)>& make)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.push_back(fileName(i));
        fakes[names.back()] = make(i);
    }
    return names;
}

// One folder of fake files, with what its readers report to.
struct Stage {
    explicit Stage(const std::map<std::string, FakeFile>& fakes)
        : folder(std::make_shared<const FakeFolder>(fakes, counters, gate))
    {
    }
    Counters counters;
    Gate gate;
    std::shared_ptr<const FakeFolder> folder;
    platform::LinuxFileSystem files;
};

// What the caller gets for one file: the worker's checksum, or its own read as it reads
// without reading ahead.
struct Taken {
    std::string name;
    Outcome outcome;
    std::string checksumText;
    platform::FileIdentity identity;
};

Taken takeOne(detection::ReadAhead& ahead, const std::shared_ptr<const platform::OpenFolder>& folder,
              const std::string& name, detection::CRC& crc, Counters& counters)
{
    auto result = ahead.take([] {});
    counters.taken(name);
    Taken taken{name, result.outcome, result.checksumText, result.identity};
    if (result.outcome == Outcome::ReadByCaller) {
        if (result.reader) {
            taken.identity = result.reader->identity();
            taken.checksumText = crc.FromReader(*result.reader);
        } else if (auto reader = folder->openRead(name)) {
            taken.identity = reader->identity();
            taken.checksumText = crc.FromReader(*reader);
        } else
            taken.checksumText = "unreadable";
    }
    return taken;
}

// Queues the names as a walk does, up to sixteen ahead of the one taken, and takes them
// all in order.
std::vector<Taken> walkAll(detection::ReadAhead& ahead, const std::shared_ptr<const platform::OpenFolder>& folder,
                           const std::vector<std::string>& names, Counters& counters)
{
    platform::NoEventPump events;
    platform::LinuxFileSystem files;
    detection::CRC crc(files, events);
    std::vector<Taken> out;
    std::size_t pushed = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        while (pushed < names.size() && ahead.queued() < 16)
            ahead.push({folder, names[pushed++]});
        out.push_back(takeOne(ahead, folder, names[i], crc, counters));
    }
    return out;
}

}  // namespace

class TestReadAhead : public QObject {
    Q_OBJECT

private slots:
    void resultsKeepTheirOrder_data();
    void resultsKeepTheirOrder();
    void failuresGiveWhatTheCallerWouldGet_data();
    void failuresGiveWhatTheCallerWouldGet();
    void boundsHold_data();
    void boundsHold();
    void droppedWorkNeverComesBack();
    void callerReadsWhileFilesAreInMemory_data();
    void callerReadsWhileFilesAreInMemory();
    void waitingLetsEventsRun();
    void filesAreOpenedInTheListedFolder();
    void walkStepsKeepTheirOrder_data();
    void walkStepsKeepTheirOrder();
    void stoppingEndsTheWalk();
};

void TestReadAhead::resultsKeepTheirOrder_data()
{
    QTest::addColumn<unsigned>("seed");
    QTest::addColumn<unsigned>("workers");
    QTest::addColumn<int>("fileCount");
    QTest::addColumn<int>("longestDelay");  // microseconds
    QTest::newRow("no threads: the caller reads everything") << 1u << 0u << 120 << 400;
    QTest::newRow("one worker") << 2u << 1u << 120 << 400;
    QTest::newRow("three workers, seed 3") << 3u << 3u << 120 << 400;
    QTest::newRow("eight workers, seed 4") << 4u << 8u << 120 << 400;
    QTest::newRow("eight workers, seed 5") << 5u << 8u << 120 << 400;
    // Files read at once and now and then slowly: workers are added and let go again.
    QTest::newRow("many quick files, a few slow") << 6u << 8u << 3000 << 0;
}

// Random lengths and delays make the workers finish out of order; empty files, files over
// the size limit and files long enough to be left to the caller's parts are among them.
void TestReadAhead::resultsKeepTheirOrder()
{
    QFETCH(unsigned, seed);
    QFETCH(unsigned, workers);
    QFETCH(int, fileCount);
    QFETCH(int, longestDelay);
    constexpr std::uint64_t kSizeLimit = 3000;
    constexpr std::uint64_t kWholeFrom = 2500;
    std::mt19937 rng(seed);
    std::map<std::string, FakeFile> fakes;
    const auto names = addFiles(fakes, fileCount, [&](int i) {
        FakeFile f;
        const std::size_t length = rng() % 3500;
        for (std::size_t k = 0; k < length; ++k)
            f.content.push_back(static_cast<char>(rng()));
        f.delayMicroseconds = longestDelay > 0 ? static_cast<int>(rng() % static_cast<unsigned>(longestDelay))
            : i % 500 == 499                   ? 2000
                                               : 0;
        return f;
    });
    Stage stage(fakes);
    detection::ReadAhead::Limits limits;
    limits.workers = workers;
    limits.wholeFrom = kWholeFrom;
    detection::ReadAhead ahead(stage.files, kSizeLimit, limits);
    const auto taken = walkAll(ahead, stage.folder, names, stage.counters);

    QCOMPARE(taken.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto& content = fakes[names[i]].content;
        QCOMPARE(taken[i].name, names[i]);
        if (content.size() > kSizeLimit) {
            // Over the limit: never checksummed, whoever looked at it first.
            QVERIFY2(taken[i].outcome == Outcome::TooLong || taken[i].outcome == Outcome::ReadByCaller,
                     names[i].c_str());
            continue;
        }
        QVERIFY2(taken[i].outcome != Outcome::TooLong, names[i].c_str());
        if (content.size() >= kWholeFrom)
            QVERIFY2(taken[i].outcome == Outcome::ReadByCaller, names[i].c_str());
        QCOMPARE(taken[i].checksumText, checksumOf(content));
    }
    // Read ahead once: the caller opens a file itself only where no worker did.
    for (const auto& name : names)
        QVERIFY2(stage.counters.opens[name] <= 1, name.c_str());
}

void TestReadAhead::failuresGiveWhatTheCallerWouldGet_data()
{
    QTest::addColumn<qint64>("failAt");
    QTest::addColumn<qint64>("endsAt");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QString>("expected");  // "content": the checksum of the whole content
    QTest::newRow("first read fails") << qint64(0) << qint64(-1) << true << "0";
    QTest::newRow("a read after the first block fails") << qint64(600 * 1024) << qint64(-1) << true << "0";
    QTest::newRow("shrank after opening: what it still holds")
        << qint64(-1) << qint64(700 * 1024) << true << "first 700 KiB";
    QTest::newRow("cannot be opened: left to the caller") << qint64(-1) << qint64(-1) << false << "unreadable";
    QTest::newRow("reads well") << qint64(-1) << qint64(-1) << true << "content";
}

// The caller's engine gives "0" for a file whose read fails and the checksum of what a
// shrunken file still holds; a file that cannot be opened is the caller's to report.
void TestReadAhead::failuresGiveWhatTheCallerWouldGet()
{
    QFETCH(qint64, failAt);
    QFETCH(qint64, endsAt);
    QFETCH(bool, opens);
    QFETCH(QString, expected);
    FakeFile f;
    f.content.assign(1024 * 1024, 'q');
    for (std::size_t i = 0; i < f.content.size(); i += 7)
        f.content[i] = static_cast<char>(i);
    f.failAt = failAt;
    f.endsAt = endsAt;
    f.opens = opens;
    f.inode = 77;
    const std::string contentText = checksumOf(f.content);
    const std::string shrunkText = checksumOf(f.content.substr(0, 700 * 1024));
    Counters counters;
    Gate gate;
    auto folder = std::make_shared<const FakeFolder>(std::map<std::string, FakeFile>{{"x.exe", f}}, counters, gate);
    platform::LinuxFileSystem files;
    detection::ReadAhead::Limits limits;
    limits.workers = 1;
    detection::ReadAhead ahead(files, 2u << 20, limits);
    ahead.push({folder, "x.exe"});
    platform::NoEventPump events;
    detection::CRC crc(files, events);
    const Taken taken = takeOne(ahead, folder, "x.exe", crc, counters);

    const std::string want = expected == "content" ? contentText
        : expected == "first 700 KiB"              ? shrunkText
                                                   : expected.toStdString();
    QCOMPARE(taken.checksumText, want);
    QCOMPARE(taken.outcome, opens ? Outcome::Checksummed : Outcome::ReadByCaller);
    QVERIFY(!opens || taken.identity.sameObject({1, 77, 0, 0, true}));
    // What the caller's own checksum component gives for the same reader.
    if (auto reader = folder->openRead("x.exe"); reader && opens)
        QCOMPARE(taken.checksumText, crc.FromReader(*reader));
}

void TestReadAhead::boundsHold_data()
{
    QTest::addColumn<unsigned>("workers");
    QTest::addColumn<int>("openFiles");
    QTest::addColumn<int>("bytesAhead");
    QTest::newRow("open files bound below the thread count") << 8u << 3 << (64 << 20);
    QTest::newRow("bytes bound of four files") << 8u << 16 << 4 * 20000;
    QTest::newRow("bytes bound below one file") << 4u << 16 << 1000;
}

void TestReadAhead::boundsHold()
{
    QFETCH(unsigned, workers);
    QFETCH(int, openFiles);
    QFETCH(int, bytesAhead);
    std::mt19937 rng(workers * 31 + static_cast<unsigned>(openFiles));
    std::map<std::string, FakeFile> fakes;
    std::uint64_t longest = 0;
    const auto names = addFiles(fakes, 80, [&](int) {
        FakeFile f;
        f.content.assign(5000 + rng() % 15000, 'b');
        f.delayMicroseconds = static_cast<int>(rng() % 300);
        longest = std::max<std::uint64_t>(longest, f.content.size());
        return f;
    });
    Stage stage(fakes);
    detection::ReadAhead::Limits limits;
    limits.workers = workers;
    limits.openFiles = static_cast<std::size_t>(openFiles);
    limits.bytesAhead = static_cast<std::uint64_t>(bytesAhead);
    {
        detection::ReadAhead ahead(stage.files, 1u << 20, limits);
        const auto taken = walkAll(ahead, stage.folder, names, stage.counters);
        QCOMPARE(taken.size(), names.size());
        for (std::size_t i = 0; i < names.size(); ++i)
            QCOMPARE(taken[i].checksumText, checksumOf(fakes[names[i]].content));
    }
    QVERIFY2(stage.counters.peakOpen <= openFiles, qPrintable(QString::number(stage.counters.peakOpen)));
    // The file the caller waits for is read whatever its length, and the caller lets a
    // file's bytes go a moment after the stage does: two files over the bound at most.
    QVERIFY2(stage.counters.peakStartedBytes <= static_cast<std::uint64_t>(bytesAhead) + 2 * longest,
             qPrintable(QString::number(stage.counters.peakStartedBytes)));
    QCOMPARE(stage.counters.openNow, 0);
}

// After a stop nothing queued is opened any more, nothing read ahead is given, and what
// is queued afterwards comes back as itself.
void TestReadAhead::droppedWorkNeverComesBack()
{
    constexpr unsigned kWorkers = 4;
    std::map<std::string, FakeFile> fakes;
    const auto names = addFiles(fakes, 60, [](int i) {
        FakeFile f;
        f.content = "content of " + fileName(i);
        f.gated = i >= 2;
        return f;
    });
    for (int i = 0; i < 3; ++i)
        fakes["after" + std::to_string(i)] = FakeFile{"after the stop " + std::to_string(i)};
    Counters counters;
    Gate gate;
    gate.open = false;
    auto folder = std::make_shared<const FakeFolder>(fakes, counters, gate);
    platform::LinuxFileSystem files;
    platform::NoEventPump events;
    detection::CRC crc(files, events);
    detection::ReadAhead::Limits limits;
    limits.workers = kWorkers;
    detection::ReadAhead ahead(files, 1u << 20, limits);
    for (const auto& name : names)
        ahead.push({folder, name});
    for (int i = 0; i < 2; ++i)
        QCOMPARE(takeOne(ahead, folder, names[i], crc, counters).checksumText, checksumOf(fakes[names[i]].content));

    ahead.dropAll();
    QCOMPARE(ahead.queued(), std::size_t{0});
    gate.release();
    for (int i = 0; i < 3; ++i)
        ahead.push({folder, "after" + std::to_string(i)});
    for (int i = 0; i < 3; ++i) {
        const std::string name = "after" + std::to_string(i);
        QCOMPARE(takeOne(ahead, folder, name, crc, counters).checksumText, checksumOf(fakes[name].content));
    }
    const std::lock_guard lock(counters.mutex);
    int droppedOpened = 0;
    for (std::size_t i = 2; i < names.size(); ++i)
        droppedOpened += counters.opens[names[i]];
    // Only the files the workers held when the stop came were ever opened.
    QVERIFY2(droppedOpened <= static_cast<int>(kWorkers), qPrintable(QString::number(droppedOpened)));
}

void TestReadAhead::callerReadsWhileFilesAreInMemory_data()
{
    QTest::addColumn<QList<int>>("waitingFiles");
    QTest::addColumn<qint64>("wouldWaitFrom");
    QTest::addColumn<bool>("backToWorkers");
    QTest::newRow("every file in memory") << QList<int>{} << qint64(-1) << false;
    QTest::newRow("one file not in memory") << QList<int>{40} << qint64(0) << false;
    // The caller has read part of it when the device is in the way: the worker that takes
    // it over starts again from its first byte.
    QTest::newRow("one file in memory only in part") << QList<int>{40} << qint64(3000) << false;
    QTest::newRow("two files not in memory close together") << QList<int>{40, 50} << qint64(0) << true;
    QTest::newRow("two files not in memory far apart") << QList<int>{35, 105} << qint64(0) << false;
}

// Files the workers found in memory, one after another, make the caller read the next ones
// itself. A file that would wait for the device is fetched by a worker; a second one soon
// after hands the files after it back to the workers. Every checksum is that of the whole
// file, in order.
void TestReadAhead::callerReadsWhileFilesAreInMemory()
{
    QFETCH(QList<int>, waitingFiles);
    QFETCH(qint64, wouldWaitFrom);
    QFETCH(bool, backToWorkers);
    constexpr int kFiles = 140;
    constexpr std::size_t kInARow = 8;
    std::map<std::string, FakeFile> fakes;
    const auto names = addFiles(fakes, kFiles, [&](int i) {
        FakeFile f;
        for (int k = 0; k < 5000 + i; ++k)
            f.content.push_back(static_cast<char>(k * 31 + i));
        if (waitingFiles.contains(i))
            f.wouldWaitFrom = wouldWaitFrom;
        return f;
    });
    Stage stage(fakes);
    detection::ReadAhead::Limits limits;
    limits.workers = 4;
    limits.inMemoryBeforeCallerReads = kInARow;
    limits.missesApart = 20;
    detection::ReadAhead ahead(stage.files, 1u << 20, limits);
    const auto taken = walkAll(ahead, stage.folder, names, stage.counters);

    QCOMPARE(taken.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        QCOMPARE(taken[i].name, names[i]);
        QCOMPARE(taken[i].outcome, Outcome::Checksummed);
        QCOMPARE(taken[i].checksumText, checksumOf(fakes[names[i]].content));
    }
    const std::lock_guard lock(stage.counters.mutex);
    const auto byCaller = [&](int i) {
        return stage.counters.readByCaller[names[i]] && !stage.counters.readByWorker[names[i]];
    };
    // The first files are the workers'; after kInARow of them, and the sixteen queued
    // meanwhile, the caller's.
    QVERIFY(stage.counters.readByWorker[names[0]] && !stage.counters.readByCaller[names[0]]);
    for (int i = static_cast<int>(kInARow) + 17; i < 35; ++i)
        QVERIFY2(byCaller(i), names[i].c_str());
    for (const int i : waitingFiles)
        QVERIFY2(stage.counters.readByWorker[names[i]], names[i].c_str());
    if (backToWorkers) {
        QVERIFY(stage.counters.readByWorker[names[waitingFiles.back() + 1]]);
        QVERIFY(!stage.counters.readByCaller[names[waitingFiles.back() + 1]]);
    } else if (!waitingFiles.isEmpty()) {
        // The worker fetches that one file; the caller reads the next ones.
        for (int i = waitingFiles.front() + 1; i < waitingFiles.front() + 20; ++i)
            QVERIFY2(byCaller(i), names[i].c_str());
    }
    QVERIFY(byCaller(kFiles - 1));
}

// A file that takes long to read keeps the caller waiting with events running; here the
// events are what let the read go on.
void TestReadAhead::waitingLetsEventsRun()
{
    FakeFile f;
    f.content = "slow to come";
    f.gated = true;
    Counters counters;
    Gate gate;
    gate.open = false;
    auto folder = std::make_shared<const FakeFolder>(std::map<std::string, FakeFile>{{"slow.exe", f}}, counters, gate);
    platform::LinuxFileSystem files;
    detection::ReadAhead::Limits limits;
    limits.workers = 2;
    detection::ReadAhead ahead(files, 1u << 20, limits);
    ahead.push({folder, "slow.exe"});
    int yields = 0;
    const auto result = ahead.take([&] {
        if (++yields == 3)
            gate.release();
    });
    QCOMPARE(result.outcome, Outcome::Checksummed);
    QCOMPARE(result.checksumText, checksumOf("slow to come"));
    QVERIFY(yields >= 3);
}

// The folder is renamed away and another put in its place, and a file is swapped for a
// link, after the listing: the worker reads the listed folder's file and never follows the
// link.
void TestReadAhead::filesAreOpenedInTheListedFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString listed = dir.filePath("listed");
    QVERIFY(QDir().mkpath(listed));
    auto write = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
    };
    write(listed + "/x.exe", "the listed x");
    write(listed + "/y.exe", "the listed y");
    write(dir.filePath("elsewhere"), "never to be read");
    const auto listedX = platform::LinuxFileSystem().listFolder(listed.toStdString());

    platform::LinuxFileSystem files;
    std::shared_ptr<const platform::OpenFolder> folder = files.openFolder(listed.toStdString());
    QVERIFY(folder);

    QVERIFY(QDir().rename(listed, dir.filePath("moved")));
    QVERIFY(QDir().mkpath(listed));
    write(listed + "/x.exe", "a stranger put in its place");
    QVERIFY(QFile::remove(dir.filePath("moved/y.exe")));
    QVERIFY(QFile::link(dir.filePath("elsewhere"), dir.filePath("moved/y.exe")));

    detection::ReadAhead::Limits limits;
    limits.workers = 2;
    detection::ReadAhead ahead(files, 1u << 20, limits);
    ahead.push({folder, "x.exe"});
    ahead.push({folder, "y.exe"});
    platform::NoEventPump events;
    detection::CRC crc(files, events);
    Counters counters;
    const Taken x = takeOne(ahead, folder, "x.exe", crc, counters);
    QCOMPARE(x.checksumText, checksumOf("the listed x"));
    // The very file the listing saw, by device and inode.
    QVERIFY(listedX && !listedX->empty());
    const auto& seen = listedX->front();
    QCOMPARE(seen.name, std::string("x.exe"));
    QVERIFY(x.identity.known);
    QCOMPARE(x.identity.device, seen.device);
    QCOMPARE(x.identity.inode, seen.inode);
    const Taken y = takeOne(ahead, folder, "y.exe", crc, counters);
    QCOMPARE(y.outcome, Outcome::ReadByCaller);
    QCOMPARE(y.checksumText, std::string("unreadable"));
}

namespace {

// A tree of fake folders, each with its own files; some folders cannot be listed. The
// folders are made as the walk comes to them and let go once their files are queued, as a
// walk does, so the live count shows how many the queue holds open.
struct FakeTree {
    struct Folder {
        std::string path;
        bool listable = true;
        std::map<std::string, FakeFile> files;
    };
    std::vector<Folder> folders;
    int folderStarts = 0;  // folders the walk began

    void traverse(detection::WalkSink& sink, Counters& counters, Gate& gate)
    {
        for (const auto& f : folders) {
            if (sink.stopped())
                return;
            sink.beforeFolder();  // as a walk does before it opens a folder
            ++folderStarts;
            if (!f.listable) {
                sink.unreadable(f.path, true);
                continue;
            }
            std::shared_ptr<const platform::OpenFolder> open
                = std::make_shared<const FakeFolder>(f.files, counters, gate);
            for (const auto& [name, file] : f.files) {
                if (sink.stopped())
                    return;
                platform::DirEntry entry;
                entry.name = name;
                entry.kind = platform::EntryKind::File;
                sink.file(open, f.path, entry, {});
            }
        }
    }

    // Every step, in walk order, as "file PATH NAME CHECKSUM" or "unreadable PATH".
    std::vector<std::string> expected() const
    {
        std::vector<std::string> out;
        for (const auto& f : folders) {
            if (!f.listable) {
                out.push_back("unreadable " + f.path);
                continue;
            }
            for (const auto& [name, file] : f.files)
                out.push_back("file " + f.path + name + " " + checksumOf(file.content));
        }
        return out;
    }
};

FakeTree randomTree(unsigned seed, int folderCount)
{
    std::mt19937 rng(seed);
    FakeTree tree;
    for (int i = 0; i < folderCount; ++i) {
        FakeTree::Folder f;
        f.path = "/t/" + std::to_string(i) + "/";
        f.listable = rng() % 9 != 0;
        const int files = static_cast<int>(rng() % 6);
        for (int k = 0; k < files; ++k) {
            FakeFile file;
            file.content.assign(rng() % 3000, static_cast<char>('a' + k));
            file.delayMicroseconds = static_cast<int>(rng() % 300);
            f.files[fileName(k)] = std::move(file);
        }
        tree.folders.push_back(std::move(f));
    }
    return tree;
}

std::string describe(const detection::WalkStep& step, detection::ReadAhead& ahead, detection::CRC& crc,
                     Counters& counters)
{
    if (step.kind == detection::WalkStep::Kind::Unreadable)
        return "unreadable " + step.path;
    const Taken taken = takeOne(ahead, step.folder, step.entry.name, crc, counters);
    return "file " + step.path + step.entry.name + " " + taken.checksumText;
}

}  // namespace

void TestReadAhead::walkStepsKeepTheirOrder_data()
{
    QTest::addColumn<unsigned>("seed");
    QTest::addColumn<int>("folderLimit");
    QTest::newRow("seed 7, four folders held") << 7u << 4;
    QTest::newRow("seed 8, one folder held") << 8u << 1;
    QTest::newRow("seed 9, thirty-two folders held") << 9u << 32;
}

// Files and unreadable folders reach the examining thread in the walk's order, each file
// with its own checksum, while the walk runs ahead by no more folders than allowed.
void TestReadAhead::walkStepsKeepTheirOrder()
{
    QFETCH(unsigned, seed);
    QFETCH(int, folderLimit);
    FakeTree tree = randomTree(seed, 150);
    Counters counters;
    Gate gate;
    platform::LinuxFileSystem files;
    platform::NoEventPump events;
    detection::CRC crc(files, events);
    std::vector<std::string> seen;
    {
        detection::ReadAhead ahead(files, 1u << 20, detection::ReadAhead::Limits{});
        detection::WalkAhead::Limits limits;
        limits.steps = 24;
        limits.folders = static_cast<std::size_t>(folderLimit);
        detection::WalkAhead walk(
            [&](detection::WalkSink& sink) {
                tree.traverse(sink, counters, gate);
            },
            ahead, limits);
        QVERIFY(walk.started());
        while (const auto step = walk.next([] {}))
            seen.push_back(describe(*step, ahead, crc, counters));
    }
    const auto expected = tree.expected();
    QCOMPARE(seen.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        QCOMPARE(seen[i], expected[i]);
    // Beside those the queue holds: the walk's own folder waiting for room, and the folder
    // of the file being examined.
    QVERIFY2(counters.peakFolders <= folderLimit + 2, qPrintable(QString::number(counters.peakFolders)));
    QCOMPARE(counters.liveFolders, 0);
}

// Once the examining thread stops, no step comes any more, the walk does not go on into
// further folders, and nothing it queued stays open.
void TestReadAhead::stoppingEndsTheWalk()
{
    FakeTree tree = randomTree(11, 400);
    Counters counters;
    Gate gate;
    platform::LinuxFileSystem files;
    platform::NoEventPump events;
    detection::CRC crc(files, events);
    const auto expected = tree.expected();
    constexpr std::size_t kBeforeStop = 20;
    std::vector<std::string> seen;
    {
        detection::ReadAhead ahead(files, 1u << 20, detection::ReadAhead::Limits{});
        detection::WalkAhead::Limits limits;
        limits.steps = 16;
        limits.folders = 8;
        detection::WalkAhead walk(
            [&](detection::WalkSink& sink) {
                tree.traverse(sink, counters, gate);
            },
            ahead, limits);
        while (seen.size() < kBeforeStop) {
            const auto step = walk.next([] {});
            QVERIFY(step);
            seen.push_back(describe(*step, ahead, crc, counters));
        }
        walk.stop();
        QVERIFY(!walk.next([] {}));
        QCOMPARE(ahead.queued(), std::size_t{0});
    }
    for (std::size_t i = 0; i < seen.size(); ++i)
        QCOMPARE(seen[i], expected[i]);
    // It ran ahead by a bounded amount only: nowhere near the end of the tree.
    QVERIFY2(tree.folderStarts < 200, qPrintable(QString::number(tree.folderStarts)));
    QCOMPARE(counters.liveFolders, 0);
    QCOMPARE(counters.openNow, 0);
}

QTEST_GUILESS_MAIN(TestReadAhead)
#include "tst_readahead.moc"
