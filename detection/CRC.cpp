#include "CRC.h"

#include "Crc32Kernels.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

namespace quenno::detection {
namespace {

// Large enough that the system calls cost little, small enough that memory stays bounded
// whatever the file's size and that a block read is still in the processor's L2 cache when
// the checksum reads it back (512 KiB measured fastest, bench/bench_fileread).
constexpr std::size_t kBlockSize = 512 * 1024;
constexpr std::size_t kSmallestBlock = 4096;
constexpr unsigned kMostThreads = 4;

// Pieces of one file shared out among threads: each thread takes the next piece not yet
// taken, so a thread that gets less processor time simply does fewer pieces.
struct PieceWork {
    struct Piece {
        std::uint32_t crc = 0;
        std::uint64_t got = 0;  // bytes read; fewer than the piece's size if the file shrank
    };

    const platform::FileReader& reader;
    std::uint64_t start;
    std::uint64_t end;
    std::uint64_t size;
    std::vector<Piece> pieces;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};

    std::uint64_t pieceLength(std::size_t i) const { return std::min(size, end - start - i * size); }

    // Works until no piece is left; events, when given, run between blocks.
    void work(std::span<std::uint8_t> buffer, platform::EventPump* events)
    {
        for (std::size_t i = next++; i < pieces.size() && !failed; i = next++) {
            const std::uint64_t from = start + i * size;
            const std::uint64_t length = pieceLength(i);
            Piece& piece = pieces[i];
            while (piece.got < length) {
                const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), length - piece.got));
                const std::int64_t n = reader.readAt(buffer.first(want), from + piece.got);
                if (n < 0) {
                    failed = true;
                    return;
                }
                if (n == 0)
                    break;
                piece.crc = crc32Update(piece.crc, buffer.data(), static_cast<std::size_t>(n));
                piece.got += static_cast<std::uint64_t>(n);
                if (events)
                    events->letEventsRun();
            }
        }
    }
};

} // namespace

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

CRC::CRC(const platform::FileSystem& files, platform::EventPump& events) : m_files(files), m_events(events) {}

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

std::string CRC::FromReader(platform::FileReader& reader)
{
    const auto wanted = static_cast<std::size_t>(std::clamp<std::uint64_t>(reader.length(), kSmallestBlock, kBlockSize));
    // Not zero-filled: only the bytes a read returned are ever looked at.
    std::unique_ptr<std::uint8_t[]> own;
    std::span<std::uint8_t> buffer;
    const bool shared = !m_bufferInUse;
    if (shared) {
        if (m_bufferSize < wanted) {
            m_buffer = std::make_unique_for_overwrite<std::uint8_t[]>(wanted);
            m_bufferSize = wanted;
        }
        buffer = std::span<std::uint8_t>(m_buffer.get(), wanted);
        m_bufferInUse = true;
    } else {
        own = std::make_unique_for_overwrite<std::uint8_t[]>(wanted);
        buffer = std::span<std::uint8_t>(own.get(), wanted);
    }

    const unsigned threads = m_pieces.threads != 0
        ? m_pieces.threads
        : std::clamp(std::thread::hardware_concurrency(), 1u, kMostThreads);
    const std::uint64_t left = reader.length() - std::min(reader.position(), reader.length());
    if (threads > 1 && m_pieces.size > 0 && left >= m_pieces.from && left > m_pieces.size && reader.readsAtOffsets()) {
        std::string text = inPieces(reader, buffer, threads);
        if (shared)
            m_bufferInUse = false;
        m_events.letEventsRun();
        return text;
    }

    std::uint32_t crc = 0;
    bool complete = false;
    for (;;) {
        const std::int64_t got = reader.read(buffer);
        if (got < 0)
            break;  // a failed read never yields the checksum of bytes not read
        if (got == 0) {
            complete = true;
            break;
        }
        crc = ComputeCrc(buffer.first(static_cast<std::size_t>(got)), crc);
        m_events.letEventsRun();
    }
    if (shared)
        m_bufferInUse = false;
    m_events.letEventsRun();
    return complete ? ChecksumText(crc) : "0";
}

std::string CRC::inPieces(const platform::FileReader& reader, std::span<std::uint8_t> buffer, unsigned threads)
{
    PieceWork work{reader, reader.position(), reader.length(), m_pieces.size, {}, {}, {}};
    work.pieces.resize(static_cast<std::size_t>((work.end - work.start + work.size - 1) / work.size));

    std::vector<std::future<void>> helpers;
    try {
        helpers.reserve(threads);
    } catch (...) {
        threads = 1;
    }
    for (unsigned t = 1; t < threads; ++t) {
        try {
            helpers.push_back(std::async(std::launch::async, [&work, blockSize = buffer.size()] {
                const auto own = std::make_unique_for_overwrite<std::uint8_t[]>(blockSize);
                work.work(std::span<std::uint8_t>(own.get(), blockSize), nullptr);
            }));
        } catch (...) {
            break;  // no thread or no memory for one: the threads already started do it all
        }
    }
    work.work(buffer, &m_events);
    for (auto& helper : helpers) {
        // A helper is at most one piece behind; events go on running while it finishes.
        while (helper.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
            m_events.letEventsRun();
        try {
            helper.get();
        } catch (...) {
            // It found no memory for its block before taking a piece: the others did its share.
        }
    }
    if (work.failed)
        return "0";

    // In order, up to the first piece that came up short: a file that shrank while it was
    // read gets the checksum of what it still held, as a reader in one pass would.
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < work.pieces.size(); ++i) {
        const PieceWork::Piece& piece = work.pieces[i];
        crc = i == 0 ? piece.crc : crc32Combine(crc, piece.crc, piece.got);
        if (piece.got < work.pieceLength(i))
            break;
    }
    return ChecksumText(crc);
}

} // namespace quenno::detection
