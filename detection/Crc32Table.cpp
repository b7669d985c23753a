// Portable CRC-32 kernel: slicing by sixteen. Table t[k][b] is the register change caused by
// byte b followed by k zero bytes, so sixteen input bytes become sixteen independent lookups
// XORed together instead of a chain of sixteen dependent ones.

#include "Crc32Internal.h"

#include <array>
#include <cstring>

namespace quenno::detection::crc32 {
namespace {

constexpr std::size_t kSlices = 16;
using Tables = std::array<std::array<std::uint32_t, 256>, kSlices>;

constexpr Tables makeTables()
{
    Tables t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1u) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        t[0][i] = value;
    }
    for (std::size_t k = 1; k < kSlices; ++k)
        for (std::size_t i = 0; i < 256; ++i)
            t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFFu];
    return t;
}

constexpr Tables kTables = makeTables();

std::uint32_t load32(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);  // the tables assume a little-endian load
    return v;
}

}  // namespace

std::uint32_t tableUpdate(std::uint32_t crc, const std::uint8_t* data, std::size_t size)
{
    const auto& t = kTables;
    std::uint32_t reg = ~crc;
    while (size >= kSlices) {
        // The last twelve bytes do not depend on the register: their lookups overlap the
        // previous step, and only the first four wait for it.
        const std::uint32_t b = load32(data + 4);
        const std::uint32_t c = load32(data + 8);
        const std::uint32_t d = load32(data + 12);
        const std::uint32_t rest = (t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24])
            ^ (t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24])
            ^ (t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24]);
        const std::uint32_t a = load32(data) ^ reg;
        reg = ((t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF]) ^ (t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24])) ^ rest;
        data += kSlices;
        size -= kSlices;
    }
    for (std::size_t i = 0; i < size; ++i)
        reg = t[0][(reg ^ data[i]) & 0xFFu] ^ (reg >> 8);
    return ~reg;
}

}  // namespace quenno::detection::crc32
