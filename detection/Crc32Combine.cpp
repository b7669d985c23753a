// Joining two checksums. In the reflected representation bit 31 is the coefficient of x^0.
// Appending n bytes of B to A multiplies A's register by x^(8n) modulo P and adds B's;
// the pre- and post-inversion of the register cancel out, so the same holds for finished
// checksums (both begun at 0).

#include "Crc32Kernels.h"

#include <array>

namespace quenno::detection {
namespace {

constexpr std::uint32_t kPolyReflected = 0xEDB88320u;

// a * b mod P, both reflected.
constexpr std::uint32_t multiplyModP(std::uint32_t a, std::uint32_t b)
{
    std::uint32_t product = 0;
    for (std::uint32_t bit = 0x80000000u; bit != 0; bit >>= 1) {
        if (a & bit)
            product ^= b;
        b = (b & 1u) ? (b >> 1) ^ kPolyReflected : b >> 1;  // b *= x
    }
    return product;
}

// x^(2^k) mod P for k = 0..66: x^(8n) for any 64-bit n is a product of these, one for each
// set bit of n, shifted three places.
constexpr std::array<std::uint32_t, 67> powersOfTwoPowers()
{
    std::array<std::uint32_t, 67> powers{};
    powers[0] = 0x40000000u;  // x
    for (std::size_t k = 1; k < powers.size(); ++k)
        powers[k] = multiplyModP(powers[k - 1], powers[k - 1]);
    return powers;
}

constexpr std::array<std::uint32_t, 67> kXPow2k = powersOfTwoPowers();

// x^(8 * bytes) mod P.
constexpr std::uint32_t xPowerOfBytesModP(std::uint64_t bytes)
{
    std::uint32_t result = 0x80000000u;  // 1
    for (std::size_t k = 3; bytes != 0; ++k, bytes >>= 1) {
        if (bytes & 1u)
            result = multiplyModP(result, kXPow2k[k]);
    }
    return result;
}

}  // namespace

std::uint32_t crc32Combine(std::uint32_t first, std::uint32_t second, std::uint64_t secondLength)
{
    return multiplyModP(first, xPowerOfBytesModP(secondLength)) ^ second;
}

}  // namespace quenno::detection
