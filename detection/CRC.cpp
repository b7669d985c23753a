#include "CRC.h"

#include "Crc32Kernels.h"

#include <algorithm>
#include <memory>

namespace quenno::detection {
namespace {

// Large enough that the system calls cost little, small enough that memory stays bounded
// whatever the file's size and that a block read is still in the processor's L2 cache when
// the checksum reads it back (512 KiB measured fastest, bench/bench_fileread).
constexpr std::size_t kBlockSize = 512 * 1024;
constexpr std::size_t kSmallestBlock = 4096;

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

} // namespace quenno::detection
