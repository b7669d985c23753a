#pragma once
// The checksum component: the CRC-32 (IEEE 802.3, reflected 0xEDB88320) of a file's whole
// content, rendered as the checksum text that database.db stores.

#include "platform/EventPump.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace quenno::detection {

// Upper-case hexadecimal, no leading zeros, no prefix; "0" for zero.
std::string ChecksumText(std::uint32_t crc);

class CRC {
public:
    CRC(const platform::FileSystem& files, platform::EventPump& events);

    // Checksum text of the file's whole content, read in blocks. "" for an empty path;
    // "0" for a missing, empty or unreadable file. Never fails towards the caller.
    // Lets pending events run between blocks and once before returning.
    std::string FromFile(const std::string& path);
    // The same for a file already opened: its content from where the reader stands.
    std::string FromReader(platform::FileReader& reader);
    // Whether the last FromReader (or FromFile of a file it opened) ended at a failed read,
    // its text "0" then standing for bytes that were never read.
    bool lastReadFailed() const { return m_lastReadFailed; }

    // The pump this component lets events run through; whoever waits on its behalf (for a
    // checksum taken on another thread) lets events run through it too.
    platform::EventPump& events() const { return m_events; }

    // CRC-32 of bytes, continuing from seed (0 for a new checksum).
    static std::uint32_t ComputeCrc(std::span<const std::uint8_t> bytes, std::uint32_t seed = 0);

    // A long file whose reader reads at offsets is cut into as many consecutive parts as
    // threads, each read front to back by its own thread (so read-ahead still sees one
    // sequential stream per thread), and the parts' checksums are joined in order. This
    // thread reads the first part and still lets events run between its blocks.
    struct Parallel {
        std::uint64_t from = std::uint64_t{64} << 20;  // files with at least this much left
        unsigned threads = 0;  // 0: one per processor, at most 4
    };
    void setParallel(const Parallel& parallel) { m_parallel = parallel; }

    // A block buffer that starts on a page boundary. The kernel copies a read into such a
    // buffer several times faster than into one a few bytes past a boundary, which is where
    // an ordinary allocation of this size begins (bench/bench_fileread, "alignment").
    struct PageAlignedFree {
        void operator()(std::uint8_t* block) const;
    };
    using Block = std::unique_ptr<std::uint8_t[], PageAlignedFree>;
    static Block NewBlock(std::size_t size);

private:
    std::optional<std::uint32_t> inParts(const platform::FileReader& reader, std::span<std::uint8_t> buffer,
                                         unsigned threads);

    const platform::FileSystem& m_files;
    platform::EventPump& m_events;
    // One block buffer for every file, grown to the largest block needed; a checksum begun
    // by an event handler while another one waits uses a buffer of its own.
    Block m_buffer;
    std::size_t m_bufferSize = 0;
    bool m_bufferInUse = false;
    bool m_lastReadFailed = false;
    Parallel m_parallel;
};

}  // namespace quenno::detection
