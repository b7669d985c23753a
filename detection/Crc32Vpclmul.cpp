// CRC-32 by carry-less multiply folding on 512-bit registers (VPCLMULQDQ with AVX-512).
// Eight accumulators of 64 bytes are folded forward 512 bytes per step; they are then
// folded into one, that one is folded over the remaining 64-byte pieces, its four 16-byte
// lanes are folded into one block, and the shared 128-bit code finishes (see
// Crc32Constants.h). Inputs too short for the wide loop go to the 128-bit kernel.
//
// Built with -mavx512f -mavx512vl -mavx512bw -mvpclmulqdq -mpclmul -msse4.1 and reached
// only after the processor check.

#include "Crc32Internal.h"
#include "Crc32FoldOps.h"

namespace quenno::detection::crc32 {
namespace {

constexpr int kLanes = 8;
constexpr std::size_t kStride = 64 * kLanes;

__m512i load512(const std::uint8_t* p)
{
    return _mm512_loadu_si512(p);
}

// Constants of folding each 128-bit lane forward by its own distance (lane 0 first).
// Built with set, not broadcast or insert: those leave lanes formally undefined and trip
// this compiler's uninitialised-value warning.
template <unsigned B0, unsigned B1, unsigned B2, unsigned B3>
__m512i laneConstants()
{
    auto v = [](std::uint64_t x) { return static_cast<long long>(x); };
    return _mm512_set_epi64(v(foldHigh(B3)), v(foldLow(B3)), v(foldHigh(B2)), v(foldLow(B2)),
                            v(foldHigh(B1)), v(foldLow(B1)), v(foldHigh(B0)), v(foldLow(B0)));
}

// The same distance in all four lanes.
template <unsigned Bits>
__m512i foldConstants512()
{
    return laneConstants<Bits, Bits, Bits, Bits>();
}

// a folded forward plus b, the two products and b XORed in one ternary-logic step.
__m512i fold512(__m512i a, __m512i k, __m512i b)
{
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(a, k, 0x00),
                                     _mm512_clmulepi64_epi128(a, k, 0x11), b, 0x96);
}

} // namespace

std::uint32_t vpclmulUpdate(std::uint32_t crc, const std::uint8_t* data, std::size_t size)
{
    if (size < 2 * kStride)
        return pclmulUpdate(crc, data, size);

    __m512i x[kLanes];
    for (int i = 0; i < kLanes; ++i)
        x[i] = load512(data + 64 * i);
    x[0] = _mm512_xor_si512(x[0], _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(~crc))));
    data += kStride;
    size -= kStride;

    const __m512i kWide = foldConstants512<512 * kLanes>();
    while (size >= kStride) {
        for (int i = 0; i < kLanes; ++i)
            x[i] = fold512(x[i], kWide, load512(data + 64 * i));
        data += kStride;
        size -= kStride;
    }

    // Eight accumulators into one, in a tree: 4 x 2048 bits, then 2 x 1024, then 512.
    const __m512i k2048 = foldConstants512<2048>();
    for (int i = 0; i < 4; ++i)
        x[i] = fold512(x[i], k2048, x[i + 4]);
    const __m512i k1024 = foldConstants512<1024>();
    x[0] = fold512(x[0], k1024, x[2]);
    x[1] = fold512(x[1], k1024, x[3]);
    const __m512i k512 = foldConstants512<512>();
    __m512i acc = fold512(x[0], k512, x[1]);
    while (size >= 64) {
        acc = fold512(acc, k512, load512(data));
        data += 64;
        size -= 64;
    }

    // The four lanes are 384, 256, 128 and 0 bits before the end of the accumulator: move
    // the first three onto the last, then XOR the lanes together.
    const __m512i kLanesToLast = _mm512_set_epi64(0, 0, static_cast<long long>(foldHigh(128)),
        static_cast<long long>(foldLow(128)), static_cast<long long>(foldHigh(256)),
        static_cast<long long>(foldLow(256)), static_cast<long long>(foldHigh(384)),
        static_cast<long long>(foldLow(384)));
    __m512i sum = _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(acc, kLanesToLast, 0x00),
                                            _mm512_clmulepi64_epi128(acc, kLanesToLast, 0x11),
                                            _mm512_maskz_mov_epi64(0xC0, acc), 0x96);
    sum = _mm512_xor_si512(sum, _mm512_maskz_shuffle_i64x2(0xFF, sum, sum, 0x4E)); // lanes 2,3,0,1
    sum = _mm512_xor_si512(sum, _mm512_maskz_shuffle_i64x2(0xFF, sum, sum, 0xB1)); // lanes 1,0,3,2
    const __m128i x1 = _mm512_maskz_extracti32x4_epi32(0xF, sum, 0);
    return finishBlocks(x1, data, size);
}

} // namespace quenno::detection::crc32
