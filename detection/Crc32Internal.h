#pragma once
// Shared by the CRC-32 kernel sources only. Kept free of inline code: the folding sources
// are compiled with instruction-set options, and an inline function emitted there could be
// the copy the linker keeps for everyone else.

#include <cstddef>
#include <cstdint>

namespace quenno::detection::crc32 {

using Kernel = std::uint32_t (*)(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// Portable kernel (Crc32Table.cpp).
std::uint32_t tableUpdate(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// The folding kernels that this processor runs, null where it lacks the instructions or the
// build has none for its architecture (Crc32CpuX86.cpp or Crc32CpuGeneric.cpp).
struct FoldKernels {
    Kernel fold128 = nullptr;
    Kernel fold512 = nullptr;
};
FoldKernels detectFoldKernels();

// x86-64 only (Crc32Pclmul.cpp, Crc32Vpclmul.cpp); call only where detectFoldKernels offers them.
std::uint32_t pclmulUpdate(std::uint32_t crc, const std::uint8_t* data, std::size_t size);
std::uint32_t vpclmulUpdate(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

}  // namespace quenno::detection::crc32
