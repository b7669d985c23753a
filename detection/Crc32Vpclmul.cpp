// CRC-32 by carry-less multiply folding on 512-bit registers (VPCLMULQDQ with AVX-512).
// Four accumulators of 64 bytes are folded forward 256 bytes per step. A 512-bit multiply
// takes this processor two cycles, so the eight multiplies of a step already outlast the
// latency of each accumulator's chain: more accumulators would only lengthen the start and
// the end, which is what short inputs pay for. At the end every lane of every accumulator is
// folded straight onto the last 16 bytes (one level of multiplies), or, when the input ends
// there, 64 bits past them, which is also the first step of the final reduction; the
// shared 128-bit code finishes (see Crc32Constants.h). The multiplier is the bottleneck
// throughout, so every multiply saved at the ends shows at 1 KiB. Inputs under 256 bytes go
// to the 128-bit kernel.
//
// The accumulators are named variables, not an array: an array that the compiler does not
// unroll lives on the stack, and every fold then waits for a store and a load.
//
// Built with -mavx512f -mavx512vl -mavx512bw -mvpclmulqdq -mpclmul -msse4.1 and reached
// only after the processor check.

#include "Crc32Internal.h"
#include "Crc32FoldOps.h"

namespace quenno::detection::crc32 {
namespace {

constexpr std::size_t kStride = 256;
constexpr unsigned kStrideBits = 8 * kStride;
constexpr std::size_t kPrefetchDistance = 8192;

__m512i load512(const std::uint8_t* p) { return _mm512_loadu_si512(p); }

// Constants of folding each 128-bit lane forward by its own distance (lane 0 first).
// Built with set, not broadcast or insert: those leave lanes formally undefined and trip
// this compiler's uninitialised-value warning.
template<unsigned B0, unsigned B1, unsigned B2, unsigned B3> __m512i laneConstants()
{
    constexpr std::uint64_t k[8] = {kFoldLow<B0>, kFoldHigh<B0>, kFoldLow<B1>, kFoldHigh<B1>,
                                    kFoldLow<B2>, kFoldHigh<B2>, kFoldLow<B3>, kFoldHigh<B3>};
    auto v = [](std::uint64_t x) {
        return static_cast<long long>(x);
    };
    return _mm512_set_epi64(v(k[7]), v(k[6]), v(k[5]), v(k[4]), v(k[3]), v(k[2]), v(k[1]), v(k[0]));
}

// The same distance in all four lanes.
template<unsigned Bits> __m512i foldConstants512() { return laneConstants<Bits, Bits, Bits, Bits>(); }

// a folded forward plus b, the two products and b XORed in one ternary-logic step.
__m512i fold512(__m512i a, __m512i k, __m512i b)
{
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(a, k, 0x00), _mm512_clmulepi64_epi128(a, k, 0x11), b,
                                     0x96);
}

// a folded forward, nothing added.
__m512i fold512(__m512i a, __m512i k)
{
    return _mm512_xor_si512(_mm512_clmulepi64_epi128(a, k, 0x00), _mm512_clmulepi64_epi128(a, k, 0x11));
}

__m512i xor3(__m512i a, __m512i b, __m512i c) { return _mm512_ternarylogic_epi64(a, b, c, 0x96); }

// Moves lanes 0, 1 and 2 of a register onto lane 3 (384, 256 and 128 bits on); lane 3's
// own constants are zero, so its products vanish and it must be added back as it is.
__m512i lanesToLast()
{
    constexpr std::uint64_t k[6]
        = {kFoldLow<384>, kFoldHigh<384>, kFoldLow<256>, kFoldHigh<256>, kFoldLow<128>, kFoldHigh<128>};
    auto v = [](std::uint64_t x) {
        return static_cast<long long>(x);
    };
    return _mm512_set_epi64(0, 0, v(k[5]), v(k[4]), v(k[3]), v(k[2]), v(k[1]), v(k[0]));
}

// Moves each lane of an accumulator that lies Blocks 64-byte blocks before the last one
// onto lane 3 of the last, or Beyond bits further.
template<unsigned Blocks, unsigned Beyond = 0> __m512i toLastBlock()
{
    static_assert(Blocks > 0 || Beyond > 0, "the last accumulator itself uses lanesToLast");
    constexpr unsigned base = Blocks * 512 + Beyond;
    return laneConstants<base + 384, base + 256, base + 128, base>();
}

// Every lane 64 bits past the end of the last one: the XOR of the lanes is then the 96-bit
// product that the final reduction would make first (reduceProduct), one multiply saved.
template<unsigned Blocks> __m512i pastTheEnd() { return toLastBlock<Blocks, 64>(); }

// Lane 3 alone (the last 16 bytes of a register), the others cleared.
__m512i lastLane(__m512i v) { return _mm512_maskz_mov_epi64(0xC0, v); }

// XOR of the four 128-bit lanes.
__m128i xorLanes(__m512i v)
{
    // The masked forms: the plain ones leave the unused bits formally undefined, which this
    // compiler reports as an uninitialised value.
    const __m256i half
        = _mm256_xor_si256(_mm512_maskz_extracti64x4_epi64(0xFF, v, 0), _mm512_maskz_extracti64x4_epi64(0xFF, v, 1));
    return _mm_xor_si128(_mm256_maskz_extracti32x4_epi32(0xF, half, 0), _mm256_maskz_extracti32x4_epi32(0xF, half, 1));
}

}  // namespace

std::uint32_t vpclmulUpdate(std::uint32_t crc, const std::uint8_t* data, std::size_t size)
{
    if (size < kStride)
        return pclmulUpdate(crc, data, size);

    // The starting register enters as the first 32 bits of the message.
    __m512i x0 = _mm512_xor_si512(load512(data), _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(~crc))));
    __m512i x1 = load512(data + 64);
    __m512i x2 = load512(data + 128);
    __m512i x3 = load512(data + 192);
    data += kStride;
    size -= kStride;

    const __m512i k = foldConstants512<kStrideBits>();
    // Beyond the caches the hardware prefetcher alone leaves the loop waiting for memory;
    // asking for the data 8 KiB ahead keeps it fed. The non-temporal hint measured clearly
    // better from memory than T0 (which fills every cache level on the way); data already
    // in the caches is not slowed by either. Short inputs skip this: for them the requests
    // would only fetch bytes past their end.
    while (size >= kStride + kPrefetchDistance) {
        for (std::size_t line = 0; line < kStride; line += 64)
            _mm_prefetch(reinterpret_cast<const char*>(data + kPrefetchDistance + line), _MM_HINT_NTA);
        x0 = fold512(x0, k, load512(data));
        x1 = fold512(x1, k, load512(data + 64));
        x2 = fold512(x2, k, load512(data + 128));
        x3 = fold512(x3, k, load512(data + 192));
        data += kStride;
        size -= kStride;
    }
    while (size >= kStride) {
        x0 = fold512(x0, k, load512(data));
        x1 = fold512(x1, k, load512(data + 64));
        x2 = fold512(x2, k, load512(data + 128));
        x3 = fold512(x3, k, load512(data + 192));
        data += kStride;
        size -= kStride;
    }

    if (size == 0) {
        // Nothing left: every lane of every accumulator goes straight past the end, all
        // sixteen moves side by side.
        const __m512i sum = xor3(fold512(x0, pastTheEnd<3>()), fold512(x1, pastTheEnd<2>()),
                                 _mm512_xor_si512(fold512(x2, pastTheEnd<1>()), fold512(x3, pastTheEnd<0>())));
        return ~reduceProduct(xorLanes(sum));
    }
    if (size < 64) {
        // Not enough left for a wide fold: every lane of every accumulator goes straight
        // onto the last 16 bytes, and the rest is folded on from there.
        const __m512i sum = xor3(fold512(x0, toLastBlock<3>(), lastLane(x3)), fold512(x1, toLastBlock<2>()),
                                 _mm512_xor_si512(fold512(x2, toLastBlock<1>()), fold512(x3, lanesToLast())));
        return finishBlocks(xorLanes(sum), data, size);
    }

    // The four accumulators into one, each moved straight onto the last so that the three
    // folds run side by side; then on over the remaining 64-byte pieces (at most three).
    __m512i acc = xor3(fold512(x0, foldConstants512<3 * 512>(), x3), fold512(x1, foldConstants512<2 * 512>()),
                       fold512(x2, foldConstants512<1 * 512>()));
    const __m512i k512 = foldConstants512<512>();
    while (size >= 64) {
        acc = fold512(acc, k512, load512(data));
        data += 64;
        size -= 64;
    }
    if (size == 0)
        return ~reduceProduct(xorLanes(fold512(acc, pastTheEnd<0>())));
    return finishBlocks(xorLanes(fold512(acc, lanesToLast(), lastLane(acc))), data, size);
}

}  // namespace quenno::detection::crc32
