#include "CRC.h"

#include "Crc32Kernels.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <thread>

namespace quenno::detection {
namespace {

// Large enough that the system calls cost little, small enough that memory stays bounded
// whatever the file's size and that a block read is still in the processor's L2 cache when
// the checksum reads it back (512 KiB measured fastest, bench/bench_fileread).
constexpr std::size_t kBlockSize = 512 * 1024;
constexpr std::size_t kSmallestBlock = 4096;
constexpr unsigned kMostThreads = 4;

constexpr std::align_val_t kPage{4096};

unsigned processors()
{
    static const unsigned count = std::clamp(std::thread::hardware_concurrency(), 1u, kMostThreads);
    return count;
}

// One consecutive part of a file, read and checksummed by one thread.
struct Part {
    std::uint64_t from = 0;
    std::uint64_t length = 0;
    std::uint32_t crc = 0;
    std::uint64_t got = 0;  // bytes read; fewer than length if the file shrank meanwhile
    bool started = false;
    bool failed = false;

    // Events, when given, run between blocks.
    void readFrom(const platform::FileReader& reader, std::span<std::uint8_t> buffer, platform::EventPump* events)
    {
        started = true;
        while (got < length) {
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), length - got));
            const std::int64_t n = reader.readAt(buffer.first(want), from + got);
            if (n < 0) {
                failed = true;
                return;
            }
            if (n == 0)
                return;
            crc = crc32Update(crc, buffer.data(), static_cast<std::size_t>(n));
            got += static_cast<std::uint64_t>(n);
            if (events)
                events->letEventsRun();
        }
    }
};

// nullopt: a read failed.
std::optional<std::uint32_t> inOnePass(platform::FileReader& reader, std::span<std::uint8_t> buffer,
                                       platform::EventPump& events)
{
    std::uint32_t crc = 0;
    for (;;) {
        const std::int64_t got = reader.read(buffer);
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return crc;
        crc = crc32Update(crc, buffer.data(), static_cast<std::size_t>(got));
        events.letEventsRun();
    }
}

}  // namespace

std::string ChecksumText(std::uint32_t crc)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    if (crc == 0)
        return "0";
    std::string text;
    for (; crc != 0; crc >>= 4)
        text.insert(text.begin(), kDigits[crc & 0xFu]);
    return text;
}

CRC::CRC(const platform::FileSystem& files, platform::EventPump& events) : m_files(files), m_events(events) { }

std::uint32_t CRC::ComputeCrc(std::span<const std::uint8_t> bytes, std::uint32_t seed)
{
    return crc32Update(seed, bytes.data(), bytes.size());
}

std::string CRC::FromFile(const std::string& path)
{
    if (path.empty())
        return "";
    if (auto reader = m_files.openRead(path))
        return FromReader(*reader);
    m_events.letEventsRun();
    return "0";
}

void CRC::PageAlignedFree::operator()(std::uint8_t* block) const { ::operator delete[](block, kPage); }

CRC::Block CRC::NewBlock(std::size_t size) { return Block(static_cast<std::uint8_t*>(::operator new[](size, kPage))); }

std::string CRC::FromReader(platform::FileReader& reader)
{
    const auto wanted
        = static_cast<std::size_t>(std::clamp<std::uint64_t>(reader.length(), kSmallestBlock, kBlockSize));
    // Not zero-filled: only the bytes a read returned are ever looked at.
    Block own;
    std::span<std::uint8_t> buffer;
    const bool shared = !m_bufferInUse;
    if (shared) {
        if (m_bufferSize < wanted) {
            m_buffer = NewBlock(wanted);
            m_bufferSize = wanted;
        }
        buffer = std::span<std::uint8_t>(m_buffer.get(), wanted);
        m_bufferInUse = true;
    } else {
        own = NewBlock(wanted);
        buffer = std::span<std::uint8_t>(own.get(), wanted);
    }

    // Cheapest test first: a scan checksums tens of thousands of short files, and asking for
    // the number of processors costs system calls.
    const std::uint64_t left = reader.length() - std::min(reader.position(), reader.length());
    const unsigned threads = left < m_parallel.from ? 1u : m_parallel.threads != 0 ? m_parallel.threads : processors();
    const std::optional<std::uint32_t> crc = threads > 1 && left >= threads && reader.readsAtOffsets()
        ? inParts(reader, buffer, threads)
        : inOnePass(reader, buffer, m_events);
    // A failed read never yields the checksum of bytes not read.
    m_lastReadFailed = !crc;
    std::string text = crc ? ChecksumText(*crc) : "0";
    if (shared)
        m_bufferInUse = false;
    m_events.letEventsRun();
    return text;
}

std::optional<std::uint32_t> CRC::inParts(const platform::FileReader& reader, std::span<std::uint8_t> buffer,
                                          unsigned threads)
{
    std::array<Part, kMostThreads> parts{};
    threads = std::min(threads, kMostThreads);
    const std::uint64_t start = reader.position();
    const std::uint64_t left = reader.length() - start;
    std::uint64_t from = start;
    for (unsigned i = 0; i < threads; ++i) {
        // Every part but the last ends on a page boundary where the part is long enough.
        std::uint64_t to = i + 1 == threads ? start + left : start + left / threads * (i + 1);
        if (i + 1 < threads && (to & ~std::uint64_t{4095}) > from)
            to &= ~std::uint64_t{4095};
        parts[i].from = from;
        parts[i].length = to - from;
        from = to;
    }

    std::array<std::future<void>, kMostThreads> helpers;
    for (unsigned i = 1; i < threads; ++i) {
        Part& part = parts[i];
        try {
            helpers[i] = std::async(std::launch::async, [&part, &reader, blockSize = buffer.size()] {
                const Block own = NewBlock(blockSize);
                part.readFrom(reader, std::span<std::uint8_t>(own.get(), blockSize), nullptr);
            });
        } catch (...) {
            // No thread to be had: this thread reads that part after its own.
        }
    }
    parts[0].readFrom(reader, buffer, &m_events);
    for (auto& helper : helpers) {
        if (!helper.valid())
            continue;
        while (helper.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
            m_events.letEventsRun();
        try {
            helper.get();
        } catch (...) {
            // It found no memory for its block before reading anything.
        }
    }
    std::uint32_t crc = 0;
    for (unsigned i = 0; i < threads; ++i) {
        Part& part = parts[i];
        if (!part.started)
            part.readFrom(reader, buffer, &m_events);  // its thread never started
        if (part.failed)
            return std::nullopt;
        crc = crc32Combine(crc, part.crc, part.got);
        // A file that shrank while it was read gets the checksum of what it still held, as a
        // reader in one pass would give.
        if (part.got < part.length)
            break;
    }
    return crc;
}

}  // namespace quenno::detection
