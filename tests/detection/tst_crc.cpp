// The checksum component: checksum text of whole files, read in blocks.

#include "detection/CRC.h"
#include "platform/linux/LinuxFileSystem.h"
#include "tests/support/FakeEventPump.h"
#include "tests/support/FailingReadFileSystem.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <vector>

using namespace quenno;

namespace {

// A file held in memory that reads at offsets; a read at or past failAt fails, and the file
// seems to end at endsAt (it shrank after it was opened).
class MemoryReader final : public platform::FileReader {
public:
    MemoryReader(const QByteArray& bytes, std::uint64_t failAt, std::uint64_t endsAt)
        : m_bytes(bytes.begin(), bytes.end()), m_failAt(failAt), m_endsAt(endsAt)
    {
    }
    std::int64_t read(std::span<std::uint8_t> buffer) override
    {
        const std::int64_t n = readAt(buffer, m_position);
        if (n > 0)
            m_position += static_cast<std::uint64_t>(n);
        return n;
    }
    std::uint64_t length() const override { return static_cast<std::uint64_t>(m_bytes.size()); }
    bool readsAtOffsets() const override { return true; }
    std::int64_t readAt(std::span<std::uint8_t> buffer, std::uint64_t offset) const override
    {
        if (offset >= m_failAt)
            return -1;
        const std::uint64_t end = std::min({m_endsAt, length(), offset + buffer.size(), m_failAt});
        if (offset >= end)
            return 0;
        std::copy(m_bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                  m_bytes.begin() + static_cast<std::ptrdiff_t>(end), buffer.begin());
        return static_cast<std::int64_t>(end - offset);
    }
    std::uint64_t position() const override { return m_position; }

private:
    std::vector<std::uint8_t> m_bytes;
    std::uint64_t m_failAt;
    std::uint64_t m_endsAt;
    std::uint64_t m_position = 0;
};

constexpr quint64 kNever = ~quint64{0};

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char& b : bytes)
        b = static_cast<char>(generator.bounded(256));
    return bytes;
}

QString zlibText(const QByteArray& bytes)
{
    const auto crc = static_cast<std::uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(bytes.constData()), static_cast<uInt>(bytes.size())));
    return crc == 0 ? QStringLiteral("0") : QString::number(crc, 16).toUpper();
}

}  // namespace

class TestCrc : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void fromFile_knownContent_data();
    void fromFile_knownContent();
    void fromFile_pathsWithoutContent_data();
    void fromFile_pathsWithoutContent();
    void fromFile_agreesWithZlib_data();
    void fromFile_agreesWithZlib();
    void fromFile_failedReadIsNeverAChecksum_data();
    void fromFile_failedReadIsNeverAChecksum();
    void fromFile_unreadableFile();
    void fromFile_letsEventsRunBetweenBlocks();
    void fromFile_nestedChecksumKeepsBothRight_data();
    void fromFile_nestedChecksumKeepsBothRight();
    void fromFile_inPartsAgreesWithOnePass_data();
    void fromFile_inPartsAgreesWithOnePass();
    void fromReader_inPartsFromWhereTheReaderStands();
    void fromReader_inPartsFailsOrShrinks_data();
    void fromReader_inPartsFailsOrShrinks();
    void fromReader_inPartsFileChangedAfterOpening_data();
    void fromReader_inPartsFileChangedAfterOpening();
    void computeCrc_continuesFromSeed();

private:
    platform::LinuxFileSystem m_files;
};

void TestCrc::fromFile_knownContent_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    QTest::newRow("check value") << QByteArray("123456789") << "CBF43926";
    QTest::newRow("no leading zeros") << QByteArray("ae") << "E7DDCE";
    QTest::newRow("top bit set, no sign") << QByteArray("a") << "E8B7BE43";
    QTest::newRow("empty file") << QByteArray() << "0";
    QTest::newRow("CR LF kept as bytes") << QByteArray("a\r\nb\n") << zlibText("a\r\nb\n");
}

void TestCrc::fromFile_knownContent()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath("file.exe");
    QVERIFY(writeFile(path, content));
    platform::NoEventPump events;
    detection::CRC crc(m_files, events);
    QCOMPARE(QString::fromStdString(crc.FromFile(path.toStdString())), expected);
    // A second instance gives the same text.
    detection::CRC other(m_files, events);
    QCOMPARE(QString::fromStdString(other.FromFile(path.toStdString())), expected);
}

void TestCrc::fromFile_pathsWithoutContent_data()
{
    QTest::addColumn<QString>("relative");  // "" for the empty path
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty path") << ""
                                << "";
    QTest::newRow("missing file") << "missing.exe"
                                  << "0";
    QTest::newRow("folder") << "sub"
                            << "0";
    QTest::newRow("fifo is never opened") << "pipe.exe"
                                          << "0";
    QTest::newRow("dangling link") << "dangling.exe"
                                   << "0";
}

void TestCrc::fromFile_pathsWithoutContent()
{
    QFETCH(QString, relative);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("sub"));
    QCOMPARE(mkfifo(dir.filePath("pipe.exe").toLocal8Bit().constData(), 0644), 0);
    QVERIFY(QFile::link(dir.filePath("nowhere"), dir.filePath("dangling.exe")));
    platform::NoEventPump events;
    detection::CRC crc(m_files, events);
    const std::string path = relative.isEmpty() ? std::string() : dir.filePath(relative).toStdString();
    QCOMPARE(QString::fromStdString(crc.FromFile(path)), expected);
}

void TestCrc::fromFile_agreesWithZlib_data()
{
    QTest::addColumn<qsizetype>("size");
    const qsizetype block = 512 * 1024;
    QTest::newRow("one byte") << qsizetype(1);
    QTest::newRow("small") << qsizetype(4095);
    QTest::newRow("one block less a byte") << block - 1;
    QTest::newRow("exactly one block") << block;
    QTest::newRow("one block and a byte") << block + 1;
    QTest::newRow("several blocks") << 5 * block + 12345;
}

void TestCrc::fromFile_agreesWithZlib()
{
    QFETCH(qsizetype, size);
    const QByteArray bytes = randomBytes(size, static_cast<quint32>(size));
    QTemporaryDir dir;
    const QString path = dir.filePath("random.bin");
    QVERIFY(writeFile(path, bytes));
    platform::NoEventPump events;
    detection::CRC crc(m_files, events);
    QCOMPARE(QString::fromStdString(crc.FromFile(path.toStdString())), zlibText(bytes));
}

void TestCrc::fromFile_failedReadIsNeverAChecksum_data()
{
    QTest::addColumn<int>("goodBlocks");
    QTest::newRow("first read fails") << 0;
    QTest::newRow("fails mid-way") << 2;
}

void TestCrc::fromFile_failedReadIsNeverAChecksum()
{
    QFETCH(int, goodBlocks);
    QTemporaryDir dir;
    const QString path = dir.filePath("failing.exe");
    QVERIFY(writeFile(path, QByteArray(4 * 1024 * 1024, 'q')));  // several blocks
    test::FailingReadFileSystem files(m_files, "failing", goodBlocks);
    test::FakeEventPump events;
    detection::CRC crc(files, events);
    QCOMPARE(crc.FromFile(path.toStdString()), std::string("0"));
    QVERIFY(crc.lastReadFailed());
    QVERIFY(events.runs >= 1);  // still yields before returning
    // The next file reads well, and says so.
    QVERIFY(writeFile(dir.filePath("good.exe"), "123456789"));
    QCOMPARE(crc.FromFile(dir.filePath("good.exe").toStdString()), std::string("CBF43926"));
    QVERIFY(!crc.lastReadFailed());
}

void TestCrc::fromFile_unreadableFile()
{
    if (geteuid() == 0)
        QSKIP("root reads every file; the failing reader above covers this path");
    QTemporaryDir dir;
    const QString path = dir.filePath("locked.exe");
    QVERIFY(writeFile(path, "123456789"));
    QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
    platform::NoEventPump events;
    detection::CRC crc(m_files, events);
    QCOMPARE(crc.FromFile(path.toStdString()), std::string("0"));
}

void TestCrc::fromFile_letsEventsRunBetweenBlocks()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("big.bin");
    QVERIFY(writeFile(path, randomBytes(3 * 512 * 1024, 7)));
    test::FakeEventPump events;
    detection::CRC crc(m_files, events);
    crc.FromFile(path.toStdString());
    // At least once per block read and once more before returning.
    QVERIFY2(events.runs >= 4, qPrintable(QString::number(events.runs)));
}

void TestCrc::fromFile_nestedChecksumKeepsBothRight_data()
{
    QTest::addColumn<bool>("inParts");
    QTest::newRow("one pass") << false;
    QTest::newRow("in parts") << true;
}

void TestCrc::fromFile_nestedChecksumKeepsBothRight()
{
    QFETCH(bool, inParts);
    QTemporaryDir dir;
    const QString outer = dir.filePath("outer.bin");
    const QString inner = dir.filePath("inner.bin");
    const QByteArray outerBytes = randomBytes(3 * 256 * 1024 + 5, 11);
    const QByteArray innerBytes = randomBytes(200 * 1024, 12);
    QVERIFY(writeFile(outer, outerBytes));
    QVERIFY(writeFile(inner, innerBytes));
    test::FakeEventPump events;
    detection::CRC crc(m_files, events);
    if (inParts)
        crc.setParallel({.from = 1, .threads = 3});
    // The first time events run, a checksum of another file with the same engine, as a
    // click on another file does while one is being read.
    std::string innerText;
    events.next = [&] {
        innerText = crc.FromFile(inner.toStdString());
    };
    QCOMPARE(QString::fromStdString(crc.FromFile(outer.toStdString())), zlibText(outerBytes));
    QCOMPARE(QString::fromStdString(innerText), zlibText(innerBytes));
}

void TestCrc::fromFile_inPartsAgreesWithOnePass_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<unsigned>("threads");
    // Blocks are 512 KiB; parts end on 4 KiB pages where they can.
    QTest::newRow("two parts of a block") << 2 * 512 * 1024 << 2u;
    QTest::newRow("three parts, odd end") << 3 * 512 * 1024 + 4093 << 3u;
    QTest::newRow("four parts, none a whole page") << 4 * 4096 - 1 << 4u;
    QTest::newRow("four parts shorter than a page") << 4001 << 4u;
    QTest::newRow("one byte per part") << 4 << 4u;
    QTest::newRow("more threads than are kept to") << 100003 << 9u;
}

void TestCrc::fromFile_inPartsAgreesWithOnePass()
{
    QFETCH(int, length);
    QFETCH(unsigned, threads);
    QTemporaryDir dir;
    const QString path = dir.filePath("long.bin");
    const QByteArray bytes = randomBytes(length, static_cast<quint32>(length));
    QVERIFY(writeFile(path, bytes));
    test::FakeEventPump events;
    detection::CRC crc(m_files, events);
    crc.setParallel({.from = 1, .threads = threads});
    QCOMPARE(QString::fromStdString(crc.FromFile(path.toStdString())), zlibText(bytes));
    QVERIFY(events.runs >= 2);  // between this thread's blocks and before returning
}

void TestCrc::fromReader_inPartsFromWhereTheReaderStands()
{
    const QByteArray bytes = randomBytes(300000, 21);
    MemoryReader reader(bytes, kNever, kNever);
    std::array<std::uint8_t, 1000> head{};
    QCOMPARE(reader.read(head), std::int64_t{1000});
    platform::NoEventPump events;
    detection::CRC crc(m_files, events);
    crc.setParallel({.from = 1, .threads = 4});
    QCOMPARE(QString::fromStdString(crc.FromReader(reader)), zlibText(bytes.mid(1000)));
}

void TestCrc::fromReader_inPartsFailsOrShrinks_data()
{
    QTest::addColumn<quint64>("failAt");
    QTest::addColumn<quint64>("endsAt");
    QTest::addColumn<QString>("expected");  // "prefix" for the checksum of the bytes before endsAt
    // 300,000 bytes in four parts: 0, 73,728, 147,456, 221,184 (pages), end.
    QTest::newRow("fails in the first part") << quint64{100} << kNever << "0";
    QTest::newRow("fails in the last part") << quint64{299999} << kNever << "0";
    QTest::newRow("shrank within a part") << kNever << quint64{150001} << "prefix";
    QTest::newRow("shrank to a part's end") << kNever << quint64{147456} << "prefix";
    QTest::newRow("shrank to nothing") << kNever << quint64{0} << "prefix";
}

void TestCrc::fromReader_inPartsFailsOrShrinks()
{
    QFETCH(quint64, failAt);
    QFETCH(quint64, endsAt);
    QFETCH(QString, expected);
    const QByteArray bytes = randomBytes(300000, 22);
    MemoryReader reader(bytes, failAt, endsAt);
    platform::NoEventPump events;
    detection::CRC crc(m_files, events);
    crc.setParallel({.from = 1, .threads = 4});
    if (expected == "prefix")
        expected = zlibText(bytes.left(static_cast<qsizetype>(endsAt)));
    QCOMPARE(QString::fromStdString(crc.FromReader(reader)), expected);
    QCOMPARE(crc.lastReadFailed(), failAt != kNever);  // a file that shrank was read whole
}

void TestCrc::fromReader_inPartsFileChangedAfterOpening_data()
{
    QTest::addColumn<qsizetype>("newLength");  // the opened file becomes this long
    QTest::addColumn<qsizetype>("checksummed");
    QTest::newRow("grew: read to the length it had") << qsizetype{500000} << qsizetype{300000};
    QTest::newRow("shrank: read to where it ends") << qsizetype{123457} << qsizetype{123457};
}

void TestCrc::fromReader_inPartsFileChangedAfterOpening()
{
    QFETCH(qsizetype, newLength);
    QFETCH(qsizetype, checksummed);
    QTemporaryDir dir;
    const QString path = dir.filePath("changing.bin");
    const QByteArray bytes = randomBytes(500000, 23);
    QVERIFY(writeFile(path, bytes.left(300000)));
    const auto reader = m_files.openRead(path.toStdString());
    QVERIFY(reader);
    QVERIFY(reader->readsAtOffsets());
    QVERIFY(writeFile(path, bytes.left(newLength)));  // the same file, rewritten in place
    platform::NoEventPump events;
    detection::CRC crc(m_files, events);
    crc.setParallel({.from = 1, .threads = 3});
    QCOMPARE(QString::fromStdString(crc.FromReader(*reader)), zlibText(bytes.left(checksummed)));
}

void TestCrc::computeCrc_continuesFromSeed()
{
    const QByteArray bytes = randomBytes(1000, 3);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const std::uint32_t whole = detection::CRC::ComputeCrc({data, 1000});
    const std::uint32_t first = detection::CRC::ComputeCrc({data, 333});
    QCOMPARE(detection::CRC::ComputeCrc({data + 333, 667}, first), whole);
    QCOMPARE(detection::CRC::ComputeCrc({data, 0}, 0x1234u), 0x1234u);  // no bytes: the seed
    QCOMPARE(QString::fromStdString(detection::ChecksumText(whole)), zlibText(bytes));
}

QTEST_GUILESS_MAIN(TestCrc)
#include "tst_crc.moc"
