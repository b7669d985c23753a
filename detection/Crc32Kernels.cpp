#include "Crc32Kernels.h"

#include <array>

namespace quenno::detection {
namespace {

constexpr std::array<std::uint32_t, 256> makeTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1u) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        table[i] = value;
    }
    return table;
}

constexpr auto kTable = makeTable();

} // namespace

std::uint32_t crc32Update(std::uint32_t crc, const std::uint8_t* data, std::size_t size)
{
    std::uint32_t reg = ~crc;
    for (std::size_t i = 0; i < size; ++i)
        reg = kTable[(reg ^ data[i]) & 0xFFu] ^ (reg >> 8);
    return ~reg;
}

} // namespace quenno::detection
