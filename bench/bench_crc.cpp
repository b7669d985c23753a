// Checksum throughput of our kernels against the peers, measured in one run at each buffer
// size and printed as a Markdown table with the ratios the performance notes quote.
//
// Each figure is the best of several rounds, timed in thread CPU time; the implementations
// take turns round by round so that a busy moment on the machine hurts them alike.

#include "detection/Crc32Kernels.h"

#include <isa-l/crc.h>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using quenno::detection::Crc32Path;
using Fn = std::uint32_t (*)(const std::uint8_t*, std::size_t);

// The one-byte-per-step table loop: the reference point for "a byte table".
std::uint32_t byteTable(const std::uint8_t* data, std::size_t size)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t v = i;
            for (int b = 0; b < 8; ++b)
                v = (v & 1u) ? (v >> 1) ^ 0xEDB88320u : v >> 1;
            t[i] = v;
        }
        return t;
    }();
    std::uint32_t reg = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i)
        reg = table[(reg ^ data[i]) & 0xFFu] ^ (reg >> 8);
    return ~reg;
}

// ISA-L leaves the upper halves of the vector registers dirty; clear them so that code
// timed after it does not pay the SSE/AVX transition penalty.
std::uint32_t isal(const std::uint8_t* data, std::size_t size)
{
    const std::uint32_t crc = crc32_gzip_refl(0, data, size);
    __asm__ volatile("vzeroupper" ::: "memory");
    return crc;
}

std::uint32_t deflate(const std::uint8_t* data, std::size_t size) { return libdeflate_crc32(0, data, size); }

std::uint32_t zlibCrc(const std::uint8_t* data, std::size_t size)
{
    return static_cast<std::uint32_t>(crc32_z(0, data, size));
}

template<Crc32Path P> std::uint32_t ours(const std::uint8_t* data, std::size_t size)
{
    if constexpr (P == Crc32Path::Auto)
        return quenno::detection::crc32Update(0, data, size);
    else
        return quenno::detection::crc32UpdateWith(P, 0, data, size);
}

struct Impl {
    const char* name;
    Fn fn;
    bool available;
};

volatile std::uint32_t g_sink;

// Thread CPU time: time the thread spent off the processor while other programs ran is not
// counted, which matters on a shared machine for the long calls at 256 MiB.
double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Seconds per call: the fastest of many batches within the budget (CPU time). A batch is
// about 4 MiB of input, long enough that reading the clock costs nothing by comparison.
double timeOnce(Fn fn, const std::uint8_t* data, std::size_t size, double budgetSeconds)
{
    const std::size_t calls = std::max<std::size_t>(1, (4u << 20) / std::max<std::size_t>(size, 1));
    double best = 1e30;
    const double begin = cpuSeconds();
    do {
        const double start = cpuSeconds();
        std::uint32_t acc = 0;
        for (std::size_t i = 0; i < calls; ++i)
            acc ^= fn(data, size);
        const double elapsed = cpuSeconds() - start;
        g_sink = acc;
        best = std::min(best, elapsed / static_cast<double>(calls));
    } while (cpuSeconds() - begin < budgetSeconds);
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = 7;
    double budget = 0.05;
    if (argc > 1)
        rounds = std::atoi(argv[1]);
    if (argc > 2)
        budget = std::atof(argv[2]);

    using quenno::detection::crc32PathAvailable;
    const std::vector<Impl> impls = {
        {"ours (auto)", ours<Crc32Path::Auto>, true},
        {"ours fold512", ours<Crc32Path::Fold512>, crc32PathAvailable(Crc32Path::Fold512)},
        {"ours fold128", ours<Crc32Path::Fold128>, crc32PathAvailable(Crc32Path::Fold128)},
        {"ours table", ours<Crc32Path::Table>, true},
        {"ISA-L crc32_gzip_refl", isal, true},
        {"libdeflate", deflate, true},
        {"zlib", zlibCrc, true},
        {"byte table", byteTable, true},
    };
    const std::vector<std::pair<const char*, std::size_t>> sizes
        = {{"1 KiB", 1u << 10}, {"64 KiB", 64u << 10}, {"16 MiB", 16u << 20}, {"256 MiB", 256u << 20}};

    std::vector<std::uint8_t> buffer(sizes.back().second + 64);
    std::mt19937_64 gen(1);
    for (std::size_t i = 0; i + 8 <= buffer.size(); i += 8) {
        const std::uint64_t v = gen();
        std::memcpy(buffer.data() + i, &v, 8);
    }
    const std::uint8_t* data = buffer.data();

    // Every implementation must agree before any is timed.
    for (const auto& [label, size] : sizes) {
        const std::uint32_t want = zlibCrc(data, size);
        for (const Impl& impl : impls)
            if (impl.available && impl.fn(data, size) != want) {
                std::fprintf(stderr, "%s disagrees at %s\n", impl.name, label);
                return 1;
            }
    }

    std::printf("active kernel: %s\n\n", quenno::detection::crc32PathName(quenno::detection::crc32ActivePath()));
    std::vector<std::vector<double>> gbps(sizes.size(), std::vector<double>(impls.size(), 0));
    for (std::size_t s = 0; s < sizes.size(); ++s) {
        const std::size_t size = sizes[s].second;
        for (int r = 0; r < rounds; ++r) {
            for (std::size_t i = 0; i < impls.size(); ++i) {
                if (!impls[i].available)
                    continue;
                // The byte table at 256 MiB takes half a second a call: fewer rounds do.
                if (impls[i].fn == byteTable && size > (16u << 20) && r > 1)
                    continue;
                const double seconds = timeOnce(impls[i].fn, data, size, budget);
                gbps[s][i] = std::max(gbps[s][i], static_cast<double>(size) / seconds / 1e9);
            }
        }
    }

    std::printf("| implementation |");
    for (const auto& sz : sizes)
        std::printf(" %s GB/s |", sz.first);
    std::printf("\n|---|");
    for (std::size_t s = 0; s < sizes.size(); ++s)
        std::printf("---:|");
    std::printf("\n");
    for (std::size_t i = 0; i < impls.size(); ++i) {
        std::printf("| %s |", impls[i].name);
        for (std::size_t s = 0; s < sizes.size(); ++s) {
            if (impls[i].available)
                std::printf(" %.2f |", gbps[s][i]);
            else
                std::printf(" n/a |");
        }
        std::printf("\n");
    }

    auto col = [&](const char* name) {
        for (std::size_t i = 0; i < impls.size(); ++i)
            if (std::strcmp(impls[i].name, name) == 0)
                return i;
        return std::size_t{0};
    };
    const std::size_t autoI = col("ours (auto)"), isalI = col("ISA-L crc32_gzip_refl"), f128I = col("ours fold128"),
                      tableI = col("ours table"), deflI = col("libdeflate"), byteI = col("byte table");
    std::printf("\n| ratio |");
    for (const auto& sz : sizes)
        std::printf(" %s |", sz.first);
    std::printf("\n|---|");
    for (std::size_t s = 0; s < sizes.size(); ++s)
        std::printf("---:|");
    std::printf("\n");
    auto ratioRow = [&](const char* label, std::size_t a, std::size_t b) {
        std::printf("| %s |", label);
        for (std::size_t s = 0; s < sizes.size(); ++s)
            std::printf(" %.2fx |", gbps[s][b] > 0 ? gbps[s][a] / gbps[s][b] : 0.0);
        std::printf("\n");
    };
    ratioRow("ours (auto) / ISA-L", autoI, isalI);
    ratioRow("ours (auto) / byte table", autoI, byteI);
    ratioRow("ours fold128 / libdeflate", f128I, deflI);
    ratioRow("ours table / zlib", tableI, col("zlib"));

    // Two implementations at the same bound differ by less than one round's noise; the ratio
    // taken round by round, the two timed back to back in alternating order, shows which way
    // it leans and how far the rounds spread.
    const int pairedRounds = 2 * rounds + 7;
    std::printf("\nPaired rounds (%d per size, each the two timed back to back, order alternating):\n\n", pairedRounds);
    std::printf("| ratio, round by round | size | median | middle half | lowest | highest |\n");
    std::printf("|---|---|---:|---:|---:|---:|\n");
    auto pairedRow = [&](const char* label, std::size_t a, std::size_t b) {
        if (!impls[a].available || !impls[b].available)
            return;
        for (const auto& [sizeLabel, size] : sizes) {
            std::vector<double> ratios;
            for (int r = 0; r < pairedRounds; ++r) {
                const bool aFirst = r % 2 == 0;
                const double first = timeOnce(impls[aFirst ? a : b].fn, data, size, budget / 4);
                const double second = timeOnce(impls[aFirst ? b : a].fn, data, size, budget / 4);
                ratios.push_back(aFirst ? second / first : first / second);  // speed of a / speed of b
            }
            std::sort(ratios.begin(), ratios.end());
            const auto at = [&](double q) {
                return ratios[static_cast<std::size_t>(q * static_cast<double>(ratios.size() - 1) + 0.5)];
            };
            std::printf("| %s | %s | %.3fx | %.3f-%.3fx | %.3fx | %.3fx |\n", label, sizeLabel, at(0.5), at(0.25),
                        at(0.75), ratios.front(), ratios.back());
        }
    };
    pairedRow("ours (auto) / ISA-L", autoI, isalI);
    pairedRow("ours fold128 / libdeflate", f128I, deflI);
    return 0;
}
