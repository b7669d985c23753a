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

template<unsigned Bits> inline __m128i foldConstants() { return pair(kFoldLow<Bits>, kFoldHigh<Bits>); }

inline __m128i loadBlock(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

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

inline std::uint32_t reduceBlock(__m128i a) { return reduceProduct(productOf(a)); }

// Folds the last size (1 to 15) bytes onto the block x that ends where they begin: the
// first size bytes of x, moved to the end of a block of their own, are folded one block
// forward onto the rest of x followed by those bytes. The bytes are read as the last 16
// bytes of the input (at least 16 precede them), so nothing past the end is touched, and
// no byte-at-a-time loop lengthens the end of every input whose length is not a multiple
// of 16.
inline __m128i foldPartial(__m128i x, const std::uint8_t* data, std::size_t size)
{
    // Shuffle indexes for byte i, read from entry size + i: 0x80 (bit 7: a zero byte) below
    // 16 - size, else the byte of x that moves there.
    static constexpr std::uint8_t kShift[32]
        = {0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F,
           0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
    const __m128i toEnd = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kShift + size));
    const __m128i head = _mm_shuffle_epi8(x, toEnd);
    // The same indexes with bit 7 flipped move the rest of x to the start; the new bytes
    // fill the places that toEnd does not clear.
    const __m128i rest = _mm_shuffle_epi8(x, _mm_xor_si128(toEnd, _mm_set1_epi8(static_cast<char>(0x80))));
    const __m128i last = _mm_blendv_epi8(loadBlock(data + size - 16), rest, toEnd);
    return _mm_xor_si128(foldForward(head, foldConstants<128>()), last);
}

// Folds the remaining bytes of data onto x, then finishes: the result is the CRC value
// (inverted). At least 16 bytes of the input precede data.
inline std::uint32_t finishBlocks(__m128i x, const std::uint8_t* data, std::size_t size)
{
    const __m128i k128 = foldConstants<128>();
    while (size >= 16) {
        x = _mm_xor_si128(foldForward(x, k128), loadBlock(data));
        data += 16;
        size -= 16;
    }
    if (size != 0)
        x = foldPartial(x, data, size);
    return ~reduceBlock(x);
}

}  // namespace
}  // namespace quenno::detection::crc32
