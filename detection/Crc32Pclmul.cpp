// CRC-32 by carry-less multiply folding on 128-bit registers (PCLMULQDQ). Four blocks of
// 16 bytes are folded forward 64 bytes per step: the eight multiplies of a step keep the
// multiplier busy for longer than one accumulator's chain takes, so more accumulators would
// only lengthen the start and the end. The four are then folded straight onto the last
// (independent multiplies, not a chain), then one block at a time, and the last block is
// reduced to 32 bits (see Crc32Constants.h for the algebra).
//
// The accumulators are named variables, not an array: an array that the compiler does not
// unroll lives on the stack, and every fold then waits for a store and a load.
//
// Built with -mpclmul -msse4.1 and reached only after the processor check.

#include "Crc32Internal.h"
#include "Crc32FoldOps.h"

namespace quenno::detection::crc32 {

namespace {

constexpr std::size_t kStride = 64;

} // namespace

std::uint32_t pclmulUpdate(std::uint32_t crc, const std::uint8_t* data, std::size_t size)
{
    if (size < 16)
        return tableUpdate(crc, data, size);

    // The starting register enters as the first 32 bits of the message.
    const __m128i start = _mm_cvtsi32_si128(static_cast<int>(~crc));
    if (size < kStride)
        return finishBlocks(_mm_xor_si128(loadBlock(data), start), data + 16, size - 16);

    __m128i x0 = _mm_xor_si128(loadBlock(data), start);
    __m128i x1 = loadBlock(data + 16);
    __m128i x2 = loadBlock(data + 32);
    __m128i x3 = loadBlock(data + 48);
    data += kStride;
    size -= kStride;
    const __m128i k = foldConstants<8 * kStride>();
    while (size >= kStride) {
        x0 = _mm_xor_si128(foldForward(x0, k), loadBlock(data));
        x1 = _mm_xor_si128(foldForward(x1, k), loadBlock(data + 16));
        x2 = _mm_xor_si128(foldForward(x2, k), loadBlock(data + 32));
        x3 = _mm_xor_si128(foldForward(x3, k), loadBlock(data + 48));
        data += kStride;
        size -= kStride;
    }
    if (size == 0) {
        // Nothing left: the first three blocks go straight 64 bits past the end, where the
        // first step of the final reduction puts the last one.
        const __m128i a = _mm_xor_si128(foldForward(x0, foldConstants<3 * 128 + 64>()),
                                        foldForward(x1, foldConstants<2 * 128 + 64>()));
        const __m128i b =
            _mm_xor_si128(foldForward(x2, foldConstants<1 * 128 + 64>()), productOf(x3));
        return ~reduceProduct(_mm_xor_si128(a, b));
    }
    // Each block straight onto the last one: independent multiplies, not a chain.
    const __m128i a = _mm_xor_si128(foldForward(x0, foldConstants<3 * 128>()),
                                    foldForward(x1, foldConstants<2 * 128>()));
    const __m128i b = _mm_xor_si128(foldForward(x2, foldConstants<1 * 128>()), x3);
    return finishBlocks(_mm_xor_si128(a, b), data, size);
}

} // namespace quenno::detection::crc32
