// CRC-32 by carry-less multiply folding on 128-bit registers (PCLMULQDQ). Eight blocks of
// 16 bytes are folded forward 128 bytes per step, which keeps eight independent multiply
// chains in flight (four leave the multiplier idle while each waits for its last result);
// the eight are then folded into one, then one block at a time, and the last block is
// reduced to 32 bits (see Crc32Constants.h for the algebra).
//
// Built with -mpclmul -msse4.1 and reached only after the processor check.

#include "Crc32Internal.h"
#include "Crc32FoldOps.h"

namespace quenno::detection::crc32 {

namespace {

constexpr int kLanes = 8;
constexpr std::size_t kStride = 16 * kLanes;

} // namespace

std::uint32_t pclmulUpdate(std::uint32_t crc, const std::uint8_t* data, std::size_t size)
{
    if (size < 16)
        return tableUpdate(crc, data, size);

    // The starting register enters as the first 32 bits of the message.
    const __m128i start = _mm_cvtsi32_si128(static_cast<int>(~crc));
    if (size < 2 * kStride) {
        __m128i x = _mm_xor_si128(loadBlock(data), start);
        return finishBlocks(x, data + 16, size - 16);
    }

    __m128i x[kLanes];
    for (int i = 0; i < kLanes; ++i)
        x[i] = loadBlock(data + 16 * i);
    x[0] = _mm_xor_si128(x[0], start);
    data += kStride;
    size -= kStride;
    const __m128i kWide = foldConstants<128 * kLanes>();
    while (size >= kStride) {
        for (int i = 0; i < kLanes; ++i)
            x[i] = _mm_xor_si128(foldForward(x[i], kWide), loadBlock(data + 16 * i));
        data += kStride;
        size -= kStride;
    }
    // Each block straight onto the last one: independent multiplies, not a chain.
    __m128i a = _mm_xor_si128(foldForward(x[0], foldConstants<7 * 128>()),
                              foldForward(x[1], foldConstants<6 * 128>()));
    __m128i b = _mm_xor_si128(foldForward(x[2], foldConstants<5 * 128>()),
                              foldForward(x[3], foldConstants<4 * 128>()));
    __m128i c = _mm_xor_si128(foldForward(x[4], foldConstants<3 * 128>()),
                              foldForward(x[5], foldConstants<2 * 128>()));
    __m128i d = _mm_xor_si128(foldForward(x[6], foldConstants<1 * 128>()), x[7]);
    return finishBlocks(_mm_xor_si128(_mm_xor_si128(a, b), _mm_xor_si128(c, d)), data, size);
}

} // namespace quenno::detection::crc32
