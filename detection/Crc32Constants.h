#pragma once
// Constants of carry-less multiply folding for CRC-32 (P = 0x104C11DB7, processed
// bit-reflected), computed here at compile time instead of being pasted in.
//
// Representation. A 16-byte block loaded little-endian into a 128-bit register holds the
// polynomial whose x^127 coefficient is bit 0 (first bit of the first byte) and whose x^0
// coefficient is bit 127. A carry-less multiply of a reflected 64-bit value by a reflected
// 33-bit value (bit j holding x^(32-j)) gives a reflected product whose bit k holds
// x^(95-k); the constants are therefore stored reflected over 33 bits (reflect33).
//
// Folding. For a block A = h*x^64 + l followed D bits later by a block B,
//   A*x^D = h*x^(D+64) + l*x^D == (h*(x^(D+32) mod P) + l*(x^(D-32) mod P)) * x^32  (mod P),
// and the trailing x^32 is exactly the offset of the reflected product above, so
//   clmul(low(A), x^(D+32) mod P) ^ clmul(high(A), x^(D-32) mod P) ^ B
// is a 128-bit block congruent to A*x^D + B. Folding never changes the remainder.
//
// Final reduction of the last block A = h*x^64 + l (the register is A*x^32 mod P):
//   128 -> 96 bits: A*x^32 = h*x^96 + l*x^32 == h*(x^96 mod P) + l*x^32 = T;
//   96 -> 64 bits:  with t the top 32 bits of T = t*x^64 + u, T == t*(x^64 mod P) + u = U;
//   64 -> 32 bits:  Barrett, q = floor(top32 * mu / x^32) with mu = floor(x^64 / P),
//                   remainder = low 32 bits of (U + q*P).

#include <cstdint>

namespace quenno::detection::crc32 {

inline constexpr std::uint64_t kPoly = 0x104C11DB7ull;  // x^32 + ... + 1, normal bit order

// x^n mod P, normal bit order (bit d holds x^d).
constexpr std::uint64_t xPowModP(unsigned n)
{
    std::uint64_t r = 1;
    for (unsigned i = 0; i < n; ++i) {
        r <<= 1;
        if (r & (1ull << 32))
            r ^= kPoly;
    }
    return r;
}

// Bit-reversal of a polynomial of degree <= 32 over 33 bits (bit j holds x^(32-j)).
constexpr std::uint64_t reflect33(std::uint64_t v)
{
    std::uint64_t r = 0;
    for (unsigned d = 0; d <= 32; ++d)
        if (v & (1ull << d))
            r |= 1ull << (32 - d);
    return r;
}

// floor(x^64 / P) by long division; degree 32.
constexpr std::uint64_t barrettMu()
{
    std::uint64_t q = 1ull << 32;  // x^64 / x^32
    std::uint64_t r = (kPoly & 0xFFFFFFFFull) << 32;  // x^64 - x^32 * P (the x^64 terms cancel)
    for (int d = 63; d >= 32; --d) {
        if (r & (1ull << d)) {
            q |= 1ull << (d - 32);
            r ^= kPoly << (d - 32);
        }
    }
    return q;
}

// Folding a block forward by Bits: multiplier of the low half, then of the high half.
// Variables, so that every constant is worked out by the compiler and the functions above
// are never emitted as code (the kernel files are built for different instruction sets).
template<unsigned Bits> inline constexpr std::uint64_t kFoldLow = reflect33(xPowModP(Bits + 32));
template<unsigned Bits> inline constexpr std::uint64_t kFoldHigh = reflect33(xPowModP(Bits - 32));

inline constexpr std::uint64_t kReduce96 = reflect33(xPowModP(96));
inline constexpr std::uint64_t kReduce64 = reflect33(xPowModP(64));
inline constexpr std::uint64_t kBarrettMu = reflect33(barrettMu());
inline constexpr std::uint64_t kPolyReflected = reflect33(kPoly);

static_assert(kPolyReflected == ((0xEDB88320ull << 1) | 1), "P reflected over 33 bits");

}  // namespace quenno::detection::crc32
