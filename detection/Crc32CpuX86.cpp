// Chooses the x86-64 folding kernels by the processor's features. This file is built for
// the baseline instruction set; only the kernel files use newer instructions, and they are
// reached only when the checks below pass. __builtin_cpu_supports also checks that the
// operating system saves the wide registers (XCR0) before it reports AVX-512 usable.

#include "Crc32Internal.h"

namespace quenno::detection::crc32 {

FoldKernels detectFoldKernels()
{
    __builtin_cpu_init();
    FoldKernels k;
    if (__builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1"))
        k.fold128 = pclmulUpdate;
    if (k.fold128 && __builtin_cpu_supports("vpclmulqdq") && __builtin_cpu_supports("avx512f")
        && __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512bw"))
        k.fold512 = vpclmulUpdate;
    return k;
}

}  // namespace quenno::detection::crc32
