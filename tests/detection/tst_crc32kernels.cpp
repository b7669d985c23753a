// Every CRC-32 kernel against zlib and against each other: all short lengths at every
// alignment, continuation across calls and across kernels, and a large buffer.

#include "detection/Crc32Kernels.h"

#include <QtTest>

#include <zlib.h>

#include <cstring>
#include <random>
#include <vector>

using quenno::detection::Crc32Path;
using quenno::detection::crc32PathAvailable;
using quenno::detection::crc32PathName;
using quenno::detection::crc32UpdateWith;

namespace {

const Crc32Path kPaths[] = {Crc32Path::Auto, Crc32Path::Table, Crc32Path::Fold128, Crc32Path::Fold512};

std::vector<std::uint8_t> randomBytes(std::size_t size, std::uint32_t seed)
{
    std::mt19937 gen(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(gen());
    return bytes;
}

std::uint32_t zlibCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t size)
{
    return static_cast<std::uint32_t>(crc32_z(crc, data, size));
}

}  // namespace

Q_DECLARE_METATYPE(Crc32Path)

class TestCrc32Kernels : public QObject {
    Q_OBJECT

private:
    // One row per kernel; a kernel this processor lacks is skipped, not silently replaced.
    static void addPathRows()
    {
        QTest::addColumn<Crc32Path>("path");
        for (Crc32Path path : kPaths)
            QTest::newRow(crc32PathName(path)) << path;
    }

    static bool skipUnavailable(Crc32Path path) { return !crc32PathAvailable(path); }

private slots:
    void checkValues_data()
    {
        QTest::addColumn<Crc32Path>("path");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<quint32>("expected");
        struct Case {
            const char* name;
            QByteArray input;
            quint32 expected;
        };
        const Case cases[] = {
            {"empty", QByteArray(), 0u},
            {"a", QByteArray("a"), 0xE8B7BE43u},
            {"check value", QByteArray("123456789"), 0xCBF43926u},
            // The folding kernels start at 16 bytes, the 512-bit one at 1 KiB.
            {"1 KiB of zeros", QByteArray(1024, '\0'), 0xEFB5AF2Eu},
            {"64 KiB of 0xFF", QByteArray(65536, '\xFF'), 0xDEAB7E4Eu},
        };
        for (Crc32Path path : kPaths)
            for (const Case& c : cases)
                QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(crc32PathName(path), c.name)))
                    << path << c.input << c.expected;
    }

    void checkValues()
    {
        QFETCH(Crc32Path, path);
        QFETCH(QByteArray, input);
        QFETCH(quint32, expected);
        if (skipUnavailable(path))
            QSKIP("this processor lacks the kernel");
        const auto* data = reinterpret_cast<const std::uint8_t*>(input.constData());
        QCOMPARE(crc32UpdateWith(path, 0, data, static_cast<std::size_t>(input.size())), expected);
        QCOMPARE(zlibCrc(0, data, static_cast<std::size_t>(input.size())), expected);
    }

    // Every length up to 4 KiB at every offset within a cache line, each continuing from a
    // different seed: covers every tail length, every head misalignment, and both sides of
    // each kernel's size thresholds.
    void everyLengthEveryAlignment_data() { addPathRows(); }

    void everyLengthEveryAlignment()
    {
        QFETCH(Crc32Path, path);
        if (skipUnavailable(path))
            QSKIP("this processor lacks the kernel");
        constexpr std::size_t kMaxLength = 4096;
        constexpr std::size_t kAlignments = 64;
        const auto bytes = randomBytes(kMaxLength + kAlignments, 7);
        std::uint32_t seed = 0;
        for (std::size_t offset = 0; offset < kAlignments; ++offset) {
            for (std::size_t length = 0; length <= kMaxLength; ++length) {
                const std::uint8_t* data = bytes.data() + offset;
                const std::uint32_t expected = zlibCrc(seed, data, length);
                const std::uint32_t actual = crc32UpdateWith(path, seed, data, length);
                if (actual != expected)
                    QFAIL(qPrintable(QStringLiteral("offset %1 length %2 seed %3: %4, zlib %5")
                                         .arg(offset)
                                         .arg(length)
                                         .arg(seed, 8, 16)
                                         .arg(actual, 8, 16)
                                         .arg(expected, 8, 16)));
                seed = expected;
            }
        }
    }

    // Every length from 4 KiB to 16 KiB at an odd offset: the loops for long inputs (which
    // fetch data ahead) start in that range, and each must hand every tail length on.
    void everyLongerLength_data() { addPathRows(); }

    void everyLongerLength()
    {
        QFETCH(Crc32Path, path);
        if (skipUnavailable(path))
            QSKIP("this processor lacks the kernel");
        constexpr std::size_t kMaxLength = 16384;
        const auto bytes = randomBytes(kMaxLength + 1, 13);
        const std::uint8_t* data = bytes.data() + 1;
        std::uint32_t seed = 0x9E3779B9u;
        for (std::size_t length = 4096; length <= kMaxLength; ++length) {
            const std::uint32_t expected = zlibCrc(seed, data, length);
            const std::uint32_t actual = crc32UpdateWith(path, seed, data, length);
            if (actual != expected)
                QFAIL(qPrintable(QStringLiteral("length %1 seed %2: %3, zlib %4")
                                     .arg(length)
                                     .arg(seed, 8, 16)
                                     .arg(actual, 8, 16)
                                     .arg(expected, 8, 16)));
            seed = expected;
        }
    }

    // Splitting a message anywhere, with the two parts on different kernels, gives the
    // checksum of the whole: the register handed between calls means the same to all.
    void continuationAcrossKernels_data()
    {
        QTest::addColumn<Crc32Path>("first");
        QTest::addColumn<Crc32Path>("second");
        for (Crc32Path a : kPaths)
            for (Crc32Path b : kPaths)
                if (a != b)
                    QTest::newRow(qPrintable(QStringLiteral("%1 then %2").arg(crc32PathName(a), crc32PathName(b))))
                        << a << b;
    }

    void continuationAcrossKernels()
    {
        QFETCH(Crc32Path, first);
        QFETCH(Crc32Path, second);
        if (skipUnavailable(first) || skipUnavailable(second))
            QSKIP("this processor lacks the kernel");
        const auto bytes = randomBytes(3000, 11);
        const std::uint32_t whole = zlibCrc(0, bytes.data(), bytes.size());
        for (std::size_t split = 0; split <= bytes.size(); ++split) {
            const std::uint32_t head = crc32UpdateWith(first, 0, bytes.data(), split);
            const std::uint32_t all = crc32UpdateWith(second, head, bytes.data() + split, bytes.size() - split);
            if (all != whole)
                QFAIL(qPrintable(QStringLiteral("split at %1").arg(split)));
        }
    }

    // Long enough for every main loop to run many times; odd start and odd length.
    void largeBuffer_data() { addPathRows(); }

    void largeBuffer()
    {
        QFETCH(Crc32Path, path);
        if (skipUnavailable(path))
            QSKIP("this processor lacks the kernel");
        static const auto bytes = randomBytes(64u << 20, 3);
        QCOMPARE(crc32UpdateWith(path, 0, bytes.data(), bytes.size()), zlibCrc(0, bytes.data(), bytes.size()));
        QCOMPARE(crc32UpdateWith(path, 0x12345678u, bytes.data() + 1, bytes.size() - 7),
                 zlibCrc(0x12345678u, bytes.data() + 1, bytes.size() - 7));
    }

    // Joining two checksums gives the checksum of the joined bytes; zlib's own joining is the
    // reference for lengths too long to checksum here.
    void combineJoinsInOrder_data()
    {
        QTest::addColumn<quint64>("firstLength");
        QTest::addColumn<quint64>("secondLength");
        QTest::newRow("empty second part") << quint64{100} << quint64{0};
        QTest::newRow("empty first part") << quint64{0} << quint64{100};
        QTest::newRow("one byte each") << quint64{1} << quint64{1};
        QTest::newRow("odd lengths") << quint64{1001} << quint64{4093};
        QTest::newRow("a piece of 16 MiB") << quint64{7} << quint64{16u << 20};
    }

    void combineJoinsInOrder()
    {
        QFETCH(quint64, firstLength);
        QFETCH(quint64, secondLength);
        const auto bytes = randomBytes(firstLength + secondLength, 9);
        const std::uint32_t first = zlibCrc(0, bytes.data(), firstLength);
        const std::uint32_t second = zlibCrc(0, bytes.data() + firstLength, secondLength);
        QCOMPARE(quenno::detection::crc32Combine(first, second, secondLength), zlibCrc(0, bytes.data(), bytes.size()));
    }

    void combineAtHugeLengths_data()
    {
        QTest::addColumn<quint64>("secondLength");
        QTest::newRow("4 GiB + 1") << quint64{(1ull << 32) + 1};
        QTest::newRow("1 TiB - 3") << quint64{(1ull << 40) - 3};
        QTest::newRow("2^61 + 5 (8n past 64 bits)") << quint64{(1ull << 61) + 5};
        QTest::newRow("largest signed") << quint64{0x7FFFFFFFFFFFFFFFull};
    }

    void combineAtHugeLengths()
    {
        QFETCH(quint64, secondLength);
        for (const auto& [first, second] : {std::pair{0x12345678u, 0x9ABCDEF0u}, std::pair{0xFFFFFFFFu, 0u}}) {
            QCOMPARE(quenno::detection::crc32Combine(first, second, secondLength),
                     static_cast<std::uint32_t>(crc32_combine64(first, second, static_cast<z_off64_t>(secondLength))));
        }
    }

    void autoTakesTheFastestAvailableKernel()
    {
        using quenno::detection::crc32ActivePath;
        const Crc32Path expected = crc32PathAvailable(Crc32Path::Fold512) ? Crc32Path::Fold512
            : crc32PathAvailable(Crc32Path::Fold128)                      ? Crc32Path::Fold128
                                                                          : Crc32Path::Table;
        QCOMPARE(crc32ActivePath(), expected);
        const std::uint8_t byte = 'a';
        QCOMPARE(quenno::detection::crc32Update(0, &byte, 1), 0xE8B7BE43u);
    }
};

QTEST_APPLESS_MAIN(TestCrc32Kernels)
#include "tst_crc32kernels.moc"
