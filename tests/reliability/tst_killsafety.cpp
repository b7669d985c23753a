// Crash safety: the program is killed with SIGKILL at random moments while it rewrites
// database.db, writes the registry store or moves detected files into the quarantine
// folder. Each file must then hold its old or its new content, never a part, and every
// detected file must survive as itself or as a complete copy in the quarantine folder.
//
// The random moments come from a seed printed at the start; QUENNO_KILL_SEED repeats one.

#include "VictimProcess.h"
#include "detection/SignatureFile.h"
#include "platform/linux/LinuxRegistry.h"
#include "platform/linux/LinuxRegistryFile.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <set>

using namespace quenno;
using namespace std::chrono_literals;

namespace {

constexpr int kInterruptions = 200;

// Kills fall uniformly within a span measured first on this machine and build: a few
// rounds of the worker's own work.
std::chrono::microseconds killSpan(test::VictimServer& victim, int rounds)
{
    const auto span = std::max<std::chrono::microseconds>(victim.timeRounds(rounds), 1ms);
    qInfo("%d rounds of the work took %lld us: kills fall within that span", rounds,
          static_cast<long long>(span.count()));
    return span;
}

// The files live in memory where the system offers it: every write is flushed to the disk
// before its rename, and on a disk a killed process first waits for its flush, which would
// make each kill cost tens of milliseconds. Whether a kill leaves the old or the new
// content does not depend on the disk.
QString scratchFolder()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return shm.isDir() && shm.isWritable() ? shm.filePath() + "/quenno-kill-XXXXXX"
                                           : QDir::tempPath() + "/quenno-kill-XXXXXX";
}

// Removes what a write cut short leaves beside its target and tells how many there were.
int removeLeftovers(const QString& folder, const QStringList& keep)
{
    int count = 0;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (keep.contains(name))
            continue;
        QFile::remove(dir.filePath(name));
        ++count;
    }
    return count;
}

}  // namespace

class KillSafety : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void databaseRewriteKeepsOldOrNewContent();
    void registryWriteKeepsOldOrNewContent();
    void quarantineKeepsFileOrCompleteCopy();

private:
    std::chrono::microseconds randomDelay(std::chrono::microseconds most)
    {
        return std::chrono::microseconds(m_random.bounded(static_cast<quint64>(most.count()) + 1));
    }

    QRandomGenerator64 m_random;
};

void KillSafety::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    const quint64 seed = qEnvironmentVariableIsSet("QUENNO_KILL_SEED")
        ? qEnvironmentVariable("QUENNO_KILL_SEED").toULongLong()
        : QRandomGenerator::system()->generate64();
    qInfo("kill moments from QUENNO_KILL_SEED=%llu", static_cast<unsigned long long>(seed));
    m_random.seed(seed);
}

void KillSafety::databaseRewriteKeepsOldOrNewContent()
{
    QTemporaryDir app(scratchFolder());
    QVERIFY(app.isValid());
    // Enough records that a rewrite takes a while, with the bytes a rewrite must keep.
    QByteArray records;
    for (int i = 0; i < 3000; ++i)
        records += "Worm.Sample" + QByteArray::number(i) + ",\"q\" \xE9;"
            + QByteArray::number(0x10000000u + i, 16).toUpper() + "\r\n";
    records += "\r\nlast line; no checksum \r\n";
    const QByteArray normal = QByteArray(detection::kNormalSettings) + "\r\n" + records;
    const QByteArray full = QByteArray(detection::kFullSettings) + "\r\n" + records;
    const QString db = app.filePath(detection::kDatabaseName);
    QVERIFY(test::writeFile(db, normal));

    test::VictimServer victim({"db", app.path()});
    const auto span = killSpan(victim, 2);
    int interrupted = 0, midWrite = 0, normalSeen = 0, fullSeen = 0;
    for (int round = 0; round < kInterruptions; ++round) {
        const auto run = victim.killAfter(randomDelay(span));
        QVERIFY2(run.started, "the victim did not start");
        QVERIFY2(run.killed, qPrintable("the victim ended by itself with " + QString::number(run.exitCode)));
        ++interrupted;
        const QByteArray after = test::readFile(db);
        QVERIFY2(
            after == normal || after == full,
            qPrintable(
                QStringLiteral("round %1: database.db holds %2 bytes of neither mode").arg(round).arg(after.size())));
        (after == normal ? normalSeen : fullSeen)++;
        midWrite += removeLeftovers(app.path(), {detection::kDatabaseName});
    }
    qInfo("%d interruptions: %d left normal mode, %d full mode; %d cut a write short", interrupted, normalSeen,
          fullSeen, midWrite);
    QVERIFY2(midWrite > 0, "no kill landed inside a write: the test shows nothing");
}

void KillSafety::registryWriteKeepsOldOrNewContent()
{
    QTemporaryDir home(scratchFolder());
    QVERIFY(home.isValid());
    const QString folder = home.filePath("QuennoAV");
    QVERIFY(QDir().mkpath(folder));
    const QString store = folder + "/registry.reg";
    const QString machine = home.filePath("machine/registry.reg");

    // Values the writes must never lose, in a store large enough that a write takes a while.
    platform::regfile::Document ballast;
    for (int k = 0; k < 40; ++k) {
        auto& key = ballast.makeKey("HKEY_CURRENT_USER\\Software\\Ballast\\Key" + std::to_string(k));
        for (int v = 0; v < 10; ++v)
            key.values.push_back({"Value" + std::to_string(v), platform::regfile::Value::Kind::String,
                                  "C:\\Program Files\\Ballast \"" + std::to_string(k * 10 + v) + "\"", 0});
    }
    const std::string ballastText = platform::regfile::write(ballast);
    QVERIFY(test::writeFile(store, QByteArray::fromStdString(ballastText)));

    test::VictimServer victim({"registry", store, machine});
    const auto span = killSpan(victim, 5);
    QVERIFY(test::writeFile(store, QByteArray::fromStdString(ballastText)));
    int midWrite = 0, counterSeen = 0;
    std::set<std::uint32_t> counters;
    for (int round = 0; round < kInterruptions; ++round) {
        const auto run = victim.killAfter(randomDelay(span));
        QVERIFY2(run.started, "the victim did not start");
        QVERIFY2(run.killed, qPrintable("the victim ended by itself with " + QString::number(run.exitCode)));

        const QByteArray bytes = test::readFile(store);
        auto document
            = platform::regfile::parse(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        QVERIFY2(
            document,
            qPrintable(QStringLiteral("round %1: the store no longer parses (%2 bytes)").arg(round).arg(bytes.size())));
        // The counter is the only change; without it the store is the ballast again.
        if (auto* counterKey = document->findKey("HKEY_CURRENT_USER\\Software\\QuennoTest")) {
            const auto* counter = platform::regfile::findValue(*counterKey, "Counter");
            QVERIFY(counter && counter->kind == platform::regfile::Value::Kind::Dword);
            counters.insert(counter->dword);
            ++counterSeen;
            std::erase_if(document->keys, [](const auto& key) {
                return key.path == "HKEY_CURRENT_USER\\Software\\QuennoTest";
            });
        }
        QVERIFY2(platform::regfile::write(*document) == ballastText,
                 qPrintable(QStringLiteral("round %1: a ballast value changed").arg(round)));

        platform::LinuxRegistry registry(QFile::encodeName(store).toStdString(),
                                         QFile::encodeName(machine).toStdString());
        QVERIFY(registry.readValue("HKCU\\Software\\Ballast\\Key7\\Value3").has_value());
        QCOMPARE(QString::fromStdString(registry.takeProblem()), QString());
        midWrite += removeLeftovers(folder, {"registry.reg"});
    }
    // The store is replaced through an unnamed temporary file, so a write cut short leaves
    // nothing behind; the spread of counters shows the kills fell all over the loop.
    qInfo("%d interruptions; the counter was stored in %d of them, with %zu different values; %d leftovers",
          kInterruptions, counterSeen, counters.size(), midWrite);
    QVERIFY2(counters.size() >= 2, "the kills all fell at one point of the loop: the test shows nothing");
}

void KillSafety::quarantineKeepsFileOrCompleteCopy()
{
    QTemporaryDir root(scratchFolder());
    QVERIFY(root.isValid());
    const QString app = root.filePath("app");
    const QString detected = root.filePath("detected");
    QVERIFY(QDir().mkpath(app) && QDir().mkpath(detected));
    const QString quarantine = app + "/Quarantine";

    std::map<QString, QByteArray> originals;  // name -> content, each content unique
    const auto refill = [&] {
        originals.clear();
        QDir(quarantine).removeRecursively();
        for (int i = 0; i < 12; ++i) {
            QByteArray content = "MZ sample " + QByteArray::number(i) + " ";
            content.resize(8192 + static_cast<int>(m_random.bounded(200000u)));
            for (qsizetype b = 16; b < content.size(); ++b)
                content[b] = static_cast<char>(m_random.generate());
            const QString name = QStringLiteral("infected%1.exe").arg(i);
            QVERIFY(test::writeFile(detected + "/" + name, content));
            originals[name] = content;
        }
    };
    refill();

    test::VictimServer victim({"quarantine", app, detected});
    auto span = killSpan(victim, 12);
    refill();
    // Every round is checked, whether its kill landed or the worker finished first: on a
    // busy machine fewer kills land, and the rounds still count. The test only asks that
    // some kills landed at all, or it would show nothing.
    int interrupted = 0, rounds = 0, leftovers = 0, moved = 0;
    while (rounds < kInterruptions || (interrupted == 0 && rounds < 3 * kInterruptions)) {
        ++rounds;
        if (QDir(detected).isEmpty())
            refill();
        const auto run = victim.killAfter(randomDelay(span));
        QVERIFY2(run.started, "the victim did not start");
        if (run.killed) {
            ++interrupted;
        } else {
            QCOMPARE(run.exitCode, 0);
            // The work ran faster than when it was timed: aim the kills at a shorter span.
            span = std::max<std::chrono::microseconds>(span * 3 / 4, 100us);
        }

        // Every stored copy that is listed is complete; every sample is somewhere whole.
        std::set<QByteArray> stored;
        const QDir store(quarantine);
        for (const QString& name : store.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            if (name.startsWith('.')) {
                QFile::remove(store.filePath(name));  // a copy cut short, hidden from the manager
                ++leftovers;
                continue;
            }
            const QByteArray content = test::readFile(store.filePath(name));
            QVERIFY2(std::any_of(originals.begin(), originals.end(),
                                 [&](const auto& o) {
                                     return o.second == content;
                                 }),
                     qPrintable(QStringLiteral("round %1: %2 is no complete copy").arg(rounds).arg(name)));
            stored.insert(content);
        }
        for (const auto& [name, content] : originals) {
            const QString path = detected + "/" + name;
            if (QFile::exists(path)) {
                QVERIFY2(test::readFile(path) == content,
                         qPrintable(QStringLiteral("round %1: %2 changed").arg(rounds).arg(name)));
            } else {
                QVERIFY2(stored.count(content) == 1,
                         qPrintable(QStringLiteral("round %1: %2 is lost").arg(rounds).arg(name)));
                ++moved;
            }
        }
    }
    qInfo("%d interruptions in %d runs; %d copies cut short (hidden leftovers)", interrupted, rounds, leftovers);
    QVERIFY2(interrupted > 0, "no kill landed: the test shows nothing");
    QVERIFY(moved > 0);
}

QTEST_GUILESS_MAIN(KillSafety)
#include "tst_killsafety.moc"
