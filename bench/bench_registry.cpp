// The registry store on large files: the start-up option's two clicks (write the Run value,
// read and delete it) on stores of 4,000 and 40,000 keys, beside reading and writing the
// same bytes unchanged through the same file calls (the floor: what any store must pay to
// read the file and put a new one in place). Edits that do not grow with the store cost
// the same times the floor at both sizes; the 40,000 / 4,000 row shows how time grows.
//
//   bench_registry WORK_DIR [runs]      (default 7 runs; the fastest counts)

#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxRegistry.h"
#include "platform/linux/LinuxRegistryFile.h"

#include <algorithm>
#include <filesystem>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
using quenno::platform::LinuxFileSystem;
using quenno::platform::LinuxRegistry;
namespace regfile = quenno::platform::regfile;

const std::string kRun = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\QuennoAV";

// A store as people and programs leave it: two values a key, a comment now and then, the
// Run key half-way down.
std::string makeStore(int keys)
{
    std::string text = "Windows Registry Editor Version 5.00\r\n";
    for (int k = 0; k < keys; ++k) {
        if (k % 1000 == 0)
            text += "\r\n; part " + std::to_string(k / 1000) + "\r\n";
        if (k == keys / 2)
            text += "\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
                    "\"Editor\"=\"C:\\Program Files\\X\\editor.exe\"\r\n";
        text += "\r\n[HKEY_CURRENT_USER\\Software\\Vendor" + std::to_string(k % 97) + "\\Product\\Key"
            + std::to_string(k) + "]\r\n\"Path\"=\"C:\\\\Data\\\\" + std::to_string(k)
            + "\"\r\n\"Count\"=dword:" + std::to_string(10000000 + k) + "\r\n";
    }
    return text;
}

double fastest(int runs, const std::function<void()>& prepare, const std::function<bool()>& work)
{
    double best = 1e9;
    for (int r = 0; r < runs; ++r) {
        prepare();
        const auto start = Clock::now();
        if (!work()) {
            std::fprintf(stderr, "bench_registry: a run failed\n");
            std::exit(1);
        }
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

struct Figures {
    double on, off, edit, floor;
    std::size_t bytes;
};

Figures measure(const std::string& folder, int keys, int runs)
{
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/registry.reg";
    const std::string store = makeStore(keys);
    LinuxFileSystem files{std::string()};
    const auto reset = [&] {
        files.writeWholeFile(path, store);
    };
    LinuxRegistry registry(path, folder + "/machine.reg");

    Figures f{};
    f.bytes = store.size();
    f.on = fastest(runs, reset, [&] {
        const bool written = registry.writeString(kRun, "/opt/QuennoAV/QuennoAV.exe");
        return written && registry.takeProblem().empty();
    });
    f.off = fastest(
        runs,
        [&] {
            reset();
            registry.writeString(kRun, "/opt/QuennoAV/QuennoAV.exe");
        },
        [&] {
            return registry.removeValue(kRun) == LinuxRegistry::Removal::Removed;
        });
    f.edit = fastest(
        runs, [] {},
        [&] {
            const regfile::StoreFile parsed(store);
            return parsed
                       .set("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                            {"QuennoAV", regfile::Value::Kind::String, "/opt/QuennoAV/QuennoAV.exe", 0})
                       .size()
                > store.size();
        });
    f.floor = fastest(runs, reset, [&] {
        const auto bytes = files.readWholeFile(path);
        return bytes && files.writeWholeFile(path, *bytes);
    });
    return f;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_registry WORK_DIR [runs]\n");
        return 2;
    }
    const std::string work = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    const Figures small = measure(work + "/registry-4000", 4000, runs);
    const Figures large = measure(work + "/registry-40000", 40000, runs);

    std::printf("| keys | store MB | start-up on ms | start-up off ms | read and edit in memory ms | "
                "floor: read and write unchanged ms | on / floor |\n|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const auto& [keys, f] : {std::pair{4000, small}, std::pair{40000, large}})
        std::printf("| %d | %.2f | %.2f | %.2f | %.2f | %.2f | %.2fx |\n", keys, f.bytes / 1e6, f.on * 1e3, f.off * 1e3,
                    f.edit * 1e3, f.floor * 1e3, f.on / f.floor);
    std::printf(
        "\n| growth from 4,000 to 40,000 keys (10x the store) | start-up on | start-up off | in memory | floor |\n"
        "|---|---:|---:|---:|---:|\n| time ratio | %.1fx | %.1fx | %.1fx | %.1fx |\n",
        large.on / small.on, large.off / small.off, large.edit / small.edit, large.floor / small.floor);
    return 0;
}
