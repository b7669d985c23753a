#include "Crc32Kernels.h"

#include "Crc32Internal.h"

#include <atomic>

namespace quenno::detection {
namespace {

constexpr std::size_t kPathCount = 4;

std::size_t index(Crc32Path path) { return static_cast<std::size_t>(path); }

struct Dispatch {
    crc32::FoldKernels fold;
    crc32::Kernel best;
    Crc32Path bestPath;
    crc32::Kernel byPath[kPathCount];  // a missing kernel is replaced by the best one
};

Dispatch makeDispatch()
{
    Dispatch d{crc32::detectFoldKernels(), crc32::tableUpdate, Crc32Path::Table, {}};
    if (d.fold.fold512) {
        d.best = d.fold.fold512;
        d.bestPath = Crc32Path::Fold512;
    } else if (d.fold.fold128) {
        d.best = d.fold.fold128;
        d.bestPath = Crc32Path::Fold128;
    }
    d.byPath[index(Crc32Path::Auto)] = d.best;
    d.byPath[index(Crc32Path::Table)] = crc32::tableUpdate;
    d.byPath[index(Crc32Path::Fold128)] = d.fold.fold128 ? d.fold.fold128 : d.best;
    d.byPath[index(Crc32Path::Fold512)] = d.fold.fold512 ? d.fold.fold512 : d.best;
    return d;
}

const Dispatch& dispatch()
{
    static const Dispatch d = makeDispatch();
    return d;
}

template<std::size_t I> std::uint32_t resolveAndRun(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// The hot path is one indirect call through these. Each starts at its resolver, which is
// constant-initialised, so even a checksum taken during another file's static
// initialisation is correct; the first call puts the chosen kernel in its place.
std::atomic<crc32::Kernel> g_kernels[kPathCount]
    = {resolveAndRun<0>, resolveAndRun<1>, resolveAndRun<2>, resolveAndRun<3>};

template<std::size_t I> std::uint32_t resolveAndRun(std::uint32_t crc, const std::uint8_t* data, std::size_t size)
{
    const crc32::Kernel kernel = dispatch().byPath[I];
    g_kernels[I].store(kernel, std::memory_order_relaxed);
    return kernel(crc, data, size);
}

crc32::Kernel kernelFor(Crc32Path path)
{
    const std::size_t i = index(path);
    return g_kernels[i < kPathCount ? i : 0].load(std::memory_order_relaxed);
}

}  // namespace

std::uint32_t crc32Update(std::uint32_t crc, const std::uint8_t* data, std::size_t size)
{
    return g_kernels[index(Crc32Path::Auto)].load(std::memory_order_relaxed)(crc, data, size);
}

std::uint32_t crc32UpdateWith(Crc32Path path, std::uint32_t crc, const std::uint8_t* data, std::size_t size)
{
    return kernelFor(path)(crc, data, size);
}

Crc32Path crc32ActivePath() { return dispatch().bestPath; }

bool crc32PathAvailable(Crc32Path path)
{
    switch (path) {
    case Crc32Path::Fold128:
        return dispatch().fold.fold128 != nullptr;
    case Crc32Path::Fold512:
        return dispatch().fold.fold512 != nullptr;
    case Crc32Path::Auto:
    case Crc32Path::Table:
        break;
    }
    return true;
}

const char* crc32PathName(Crc32Path path)
{
    switch (path) {
    case Crc32Path::Auto:
        return "auto";
    case Crc32Path::Table:
        return "table";
    case Crc32Path::Fold128:
        return "fold128";
    case Crc32Path::Fold512:
        return "fold512";
    }
    return "?";
}

}  // namespace quenno::detection
