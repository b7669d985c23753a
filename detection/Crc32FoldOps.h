#pragma once
// 128-bit folding steps shared by the folding kernel sources. Include only from files built
// with PCLMULQDQ enabled; everything here has internal linkage, so each kernel file keeps
// its own copy compiled for its own instruction set.

#include "Crc32Constants.h"

#include <cstdint>
#include <immintrin.h>

namespace quenno::detection::crc32 {
namespace {

// Constants as a (low, high) pair in one register.
inline __m128i pair(std::uint64_t low, std::uint64_t high)
{
    return _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low));
}

template <unsigned Bits>
inline __m128i foldConstants()
{
    return pair(kFoldLow<Bits>, kFoldHigh<Bits>);
}

inline __m128i loadBlock(const std::uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// a moved forward by the distance whose constants k holds (congruent, 128 bits).
inline __m128i foldForward(__m128i a, __m128i k)
{
    return _mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00), _mm_clmulepi64_si128(a, k, 0x11));
}

// The 32-bit register value congruent to the block times x^32 (not yet inverted). With the
// block A = h*x^64 + l (h in the low half of the register):
//   A*x^32 = h*x^96 + l*x^32 == h*(x^96 mod P) + l*x^32 = T, below x^96;
//   T = t*x^64 + u (t the top 32 bits) == t*(x^64 mod P) + u = U, below x^64;
// then a Barrett reduction to 32 bits. Each product lands where the next step wants it:
// the 64x33-bit product holds x^95 in bit 0, and so does T once l is shifted down; U is T
// shifted down 32 bits, where the product of t (taken as t*x^32) by x^64 mod P already is.
// Four multiplies in all, the fewest this needs, which counts where the multiplier is the
// bottleneck of the whole input.
//
// reduceProduct starts from T: a kernel that folds its last blocks 64 bits further than
// the end gets T straight from that fold and skips the first multiply.
inline std::uint32_t reduceProduct(__m128i t)
{
    const __m128i mask32 = _mm_set_epi32(0, 0, 0, -1);
    const __m128i r = _mm_xor_si128(
        _mm_clmulepi64_si128(_mm_and_si128(t, mask32), _mm_cvtsi64_si128(static_cast<long long>(kReduce64)), 0x00),
        _mm_srli_si128(t, 4));
    // Barrett: q = floor(top32 * mu / x^32); the remainder is the low 32 bits of r + q*P.
    const __m128i b = pair(kBarrettMu, kPolyReflected);
    __m128i q = _mm_and_si128(_mm_clmulepi64_si128(_mm_and_si128(r, mask32), b, 0x00), mask32);
    q = _mm_clmulepi64_si128(q, b, 0x10);
    return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(r, q), 1));
}

// T of a block: its first step.
inline __m128i productOf(__m128i a)
{
    const __m128i k96 = _mm_cvtsi64_si128(static_cast<long long>(kReduce96));
    return _mm_xor_si128(_mm_clmulepi64_si128(a, k96, 0x00), _mm_srli_si128(a, 8));
}

inline std::uint32_t reduceBlock(__m128i a)
{
    return reduceProduct(productOf(a));
}

// Folds whole 16-byte blocks of data onto x, then finishes: the result is the CRC value
// (inverted), with any last bytes under 16 taken by the table kernel.
inline std::uint32_t finishBlocks(__m128i x, const std::uint8_t* data, std::size_t size)
{
    const __m128i k128 = foldConstants<128>();
    while (size >= 16) {
        x = _mm_xor_si128(foldForward(x, k128), loadBlock(data));
        data += 16;
        size -= 16;
    }
    const std::uint32_t crc = ~reduceBlock(x);
    return size == 0 ? crc : tableUpdate(crc, data, size);
}

// The same from T (see reduceProduct), with fewer than 16 bytes left for the table.
inline std::uint32_t finishProduct(__m128i t, const std::uint8_t* data, std::size_t size)
{
    const std::uint32_t crc = ~reduceProduct(t);
    return size == 0 ? crc : tableUpdate(crc, data, size);
}

} // namespace
} // namespace quenno::detection::crc32
