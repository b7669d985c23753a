#pragma once
// CRC-32 (reflected polynomial 0xEDB88320) kernels. crc32Update continues a raw CRC
// register value: crc32Update(0, data, n) is the checksum of data; feeding blocks in
// order gives the same result as one call over their concatenation.

#include <cstddef>
#include <cstdint>

namespace quenno::detection {

std::uint32_t crc32Update(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

} // namespace quenno::detection
