// CRC-32 by carry-less multiply folding on 128-bit registers (PCLMULQDQ). Four blocks of 16
// bytes are folded forward 64 bytes per step, which keeps four independent multiply chains
// in flight; the four are then folded into one, then one block at a time, and the last
// block is reduced to 32 bits (see Crc32Constants.h for the algebra).
//
// Built with -mpclmul -msse4.1 and reached only after the processor check.

#include "Crc32Internal.h"
#include "Crc32FoldOps.h"

namespace quenno::detection::crc32 {

std::uint32_t pclmulUpdate(std::uint32_t crc, const std::uint8_t* data, std::size_t size)
{
    if (size < 16)
        return tableUpdate(crc, data, size);

    // The starting register enters as the first 32 bits of the message.
    const __m128i start = _mm_cvtsi32_si128(static_cast<int>(~crc));
    if (size < 64) {
        const __m128i x = _mm_xor_si128(loadBlock(data), start);
        return finishBlocks(x, data + 16, size - 16);
    }

    __m128i x0 = _mm_xor_si128(loadBlock(data), start);
    __m128i x1 = loadBlock(data + 16);
    __m128i x2 = loadBlock(data + 32);
    __m128i x3 = loadBlock(data + 48);
    data += 64;
    size -= 64;
    const __m128i k512 = foldConstants<512>();
    while (size >= 64) {
        x0 = _mm_xor_si128(foldForward(x0, k512), loadBlock(data));
        x1 = _mm_xor_si128(foldForward(x1, k512), loadBlock(data + 16));
        x2 = _mm_xor_si128(foldForward(x2, k512), loadBlock(data + 32));
        x3 = _mm_xor_si128(foldForward(x3, k512), loadBlock(data + 48));
        data += 64;
        size -= 64;
    }
    // Each block straight onto the last one: three independent multiplies, not a chain.
    __m128i x = _mm_xor_si128(x3, foldForward(x0, foldConstants<384>()));
    x = _mm_xor_si128(x, _mm_xor_si128(foldForward(x1, foldConstants<256>()),
                                       foldForward(x2, foldConstants<128>())));
    return finishBlocks(x, data, size);
}

} // namespace quenno::detection::crc32
