#include "Crc32Kernels.h"

#include "Crc32Internal.h"

#include <atomic>

namespace quenno::detection {
namespace {

struct Dispatch {
    crc32::FoldKernels fold;
    crc32::Kernel best;
    Crc32Path bestPath;
};

Dispatch makeDispatch()
{
    Dispatch d{crc32::detectFoldKernels(), crc32::tableUpdate, Crc32Path::Table};
    if (d.fold.fold512) {
        d.best = d.fold.fold512;
        d.bestPath = Crc32Path::Fold512;
    } else if (d.fold.fold128) {
        d.best = d.fold.fold128;
        d.bestPath = Crc32Path::Fold128;
    }
    return d;
}

const Dispatch& dispatch()
{
    static const Dispatch d = makeDispatch();
    return d;
}

std::uint32_t resolveAndRun(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// The hot path is one indirect call. It starts at the resolver, which is constant-initialised,
// so even a checksum taken during another file's static initialisation is correct.
std::atomic<crc32::Kernel> g_best{resolveAndRun};

std::uint32_t resolveAndRun(std::uint32_t crc, const std::uint8_t* data, std::size_t size)
{
    const crc32::Kernel best = dispatch().best;
    g_best.store(best, std::memory_order_relaxed);
    return best(crc, data, size);
}

crc32::Kernel kernelFor(Crc32Path path)
{
    switch (path) {
    case Crc32Path::Table:
        return crc32::tableUpdate;
    case Crc32Path::Fold128:
        return dispatch().fold.fold128 ? dispatch().fold.fold128 : dispatch().best;
    case Crc32Path::Fold512:
        return dispatch().fold.fold512 ? dispatch().fold.fold512 : dispatch().best;
    case Crc32Path::Auto:
        break;
    }
    return dispatch().best;
}

} // namespace

std::uint32_t crc32Update(std::uint32_t crc, const std::uint8_t* data, std::size_t size)
{
    return g_best.load(std::memory_order_relaxed)(crc, data, size);
}

std::uint32_t crc32UpdateWith(Crc32Path path, std::uint32_t crc, const std::uint8_t* data,
                              std::size_t size)
{
    return kernelFor(path)(crc, data, size);
}

Crc32Path crc32ActivePath()
{
    return dispatch().bestPath;
}

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

} // namespace quenno::detection
