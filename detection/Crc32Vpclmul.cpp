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
constexpr std::size_t kPrefetchDistance = 4096;

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
    constexpr std::uint64_t k[8] = {kFoldLow<B0>, kFoldHigh<B0>, kFoldLow<B1>, kFoldHigh<B1>,
                                    kFoldLow<B2>, kFoldHigh<B2>, kFoldLow<B3>, kFoldHigh<B3>};
    auto v = [](std::uint64_t x) { return static_cast<long long>(x); };
    return _mm512_set_epi64(v(k[7]), v(k[6]), v(k[5]), v(k[4]), v(k[3]), v(k[2]), v(k[1]), v(k[0]));
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

// Moves lanes 0, 1 and 2 of a register onto lane 3 (384, 256 and 128 bits on); lane 3's
// own constants are zero, so its products vanish and it is added back as it is.
__m512i lanesToLast()
{
    constexpr std::uint64_t k[6] = {kFoldLow<384>, kFoldHigh<384>, kFoldLow<256>, kFoldHigh<256>,
                                    kFoldLow<128>, kFoldHigh<128>};
    auto v = [](std::uint64_t x) { return static_cast<long long>(x); };
    return _mm512_set_epi64(0, 0, v(k[5]), v(k[4]), v(k[3]), v(k[2]), v(k[1]), v(k[0]));
}

// Moves each lane of accumulator I onto lane 3 of the last accumulator.
template <int I>
__m512i toLastBlock()
{
    static_assert(I < kLanes - 1, "the last accumulator uses lanesToLast");
    constexpr unsigned base = (kLanes - 1 - I) * 512;
    return laneConstants<base + 384, base + 256, base + 128, base>();
}

// XOR of the four 128-bit lanes.
__m128i xorLanes(__m512i v)
{
    v = _mm512_xor_si512(v, _mm512_maskz_shuffle_i64x2(0xFF, v, v, 0x4E)); // lanes 2,3,0,1
    v = _mm512_xor_si512(v, _mm512_maskz_shuffle_i64x2(0xFF, v, v, 0xB1)); // lanes 1,0,3,2
    return _mm512_maskz_extracti32x4_epi32(0xF, v, 0);
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
    // Beyond the caches the hardware prefetcher alone leaves the loop waiting for memory;
    // asking for the data a few kilobytes ahead keeps it fed. Short inputs skip this: for
    // them the requests would only fetch bytes past their end.
    while (size >= kStride + kPrefetchDistance) {
        for (int i = 0; i < kLanes; ++i)
            _mm_prefetch(reinterpret_cast<const char*>(data + kPrefetchDistance + 64 * i), _MM_HINT_T0);
        for (int i = 0; i < kLanes; ++i)
            x[i] = fold512(x[i], kWide, load512(data + 64 * i));
        data += kStride;
        size -= kStride;
    }
    while (size >= kStride) {
        for (int i = 0; i < kLanes; ++i)
            x[i] = fold512(x[i], kWide, load512(data + 64 * i));
        data += kStride;
        size -= kStride;
    }

    const __m512i zero = _mm512_setzero_si512();
    const __m512i lastLane = _mm512_maskz_mov_epi64(0xC0, x[kLanes - 1]);
    if (size < 64) {
        // Nothing left for a wide fold: every lane of every accumulator goes straight onto
        // the last 16 bytes, all 32 moves side by side.
        const __m512i t0 = fold512(x[0], toLastBlock<0>(), lastLane);
        const __m512i t1 = fold512(x[1], toLastBlock<1>(), zero);
        const __m512i t2 = fold512(x[2], toLastBlock<2>(), zero);
        const __m512i t3 = fold512(x[3], toLastBlock<3>(), zero);
        const __m512i t4 = fold512(x[4], toLastBlock<4>(), zero);
        const __m512i t5 = fold512(x[5], toLastBlock<5>(), zero);
        const __m512i t6 = fold512(x[6], toLastBlock<6>(), zero);
        const __m512i t7 = fold512(x[7], lanesToLast(), zero);
        const __m512i sum = _mm512_ternarylogic_epi64(
            _mm512_ternarylogic_epi64(t0, t1, t2, 0x96),
            _mm512_ternarylogic_epi64(t3, t4, t5, 0x96), _mm512_xor_si512(t6, t7), 0x96);
        return finishBlocks(xorLanes(sum), data, size);
    }

    // Eight accumulators into one, each moved straight onto the last so that the seven
    // folds run side by side; then on over the remaining 64-byte pieces.
    const __m512i t0 = fold512(x[0], foldConstants512<7 * 512>(), x[7]);
    const __m512i t1 = fold512(x[1], foldConstants512<6 * 512>(), zero);
    const __m512i t2 = fold512(x[2], foldConstants512<5 * 512>(), zero);
    const __m512i t3 = fold512(x[3], foldConstants512<4 * 512>(), zero);
    const __m512i t4 = fold512(x[4], foldConstants512<3 * 512>(), zero);
    const __m512i t5 = fold512(x[5], foldConstants512<2 * 512>(), zero);
    const __m512i t6 = fold512(x[6], foldConstants512<1 * 512>(), zero);
    __m512i acc = _mm512_ternarylogic_epi64(_mm512_ternarylogic_epi64(t0, t1, t2, 0x96),
                                            _mm512_ternarylogic_epi64(t3, t4, t5, 0x96), t6, 0x96);
    const __m512i k512 = foldConstants512<512>();
    while (size >= 64) {
        acc = fold512(acc, k512, load512(data));
        data += 64;
        size -= 64;
    }
    const __m512i sum = fold512(acc, lanesToLast(), _mm512_maskz_mov_epi64(0xC0, acc));
    return finishBlocks(xorLanes(sum), data, size);
}

} // namespace quenno::detection::crc32
