#pragma once
// CRC-32 (reflected polynomial 0xEDB88320) kernels. crc32Update continues a raw CRC
// register value: crc32Update(0, data, n) is the checksum of data; feeding blocks in
// order gives the same result as one call over their concatenation.
//
// Several kernels compute the same function. crc32Update uses the fastest one this
// processor runs, chosen once on first use; crc32UpdateWith forces one (tests, benchmarks).

#include <cstddef>
#include <cstdint>

namespace quenno::detection {

enum class Crc32Path {
    Auto,  // the fastest available path
    Table,  // portable: sixteen bytes per step through lookup tables
    Fold128,  // x86-64 carry-less multiply folding on 128-bit registers (PCLMULQDQ)
    Fold512,  // x86-64 carry-less multiply folding on 512-bit registers (VPCLMULQDQ, AVX-512)
};

std::uint32_t crc32Update(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// Runs the given path; a path that this processor or build lacks falls back to the
// fastest available one, so the result is always correct.
std::uint32_t crc32UpdateWith(Crc32Path path, std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// The path crc32Update takes on this processor (never Auto).
Crc32Path crc32ActivePath();

// Whether this build and processor can run the path (Auto and Table: always).
bool crc32PathAvailable(Crc32Path path);

const char* crc32PathName(Crc32Path path);

// The checksum of A followed by B, from the checksum of A, the checksum of B (each begun at
// 0) and B's length: lets pieces of one file be checksummed apart and joined in order.
std::uint32_t crc32Combine(std::uint32_t first, std::uint32_t second, std::uint64_t secondLength);

}  // namespace quenno::detection
