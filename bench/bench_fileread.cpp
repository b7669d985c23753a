// Reading a cached file: read() at several block sizes, alone and with the checksum of each
// block, and memory mapping with the checksum. Shows what reading costs by itself (the floor
// for quennoscan --crc), which block size reaches it, and what the buffer's alignment costs.
//
//   bench_fileread FILE [passes]
//   bench_fileread --list PATHS0     reads every file named in PATHS0 (NUL-separated), once:
//                                    reading a tree alone, in one process

#include "detection/Crc32Kernels.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

volatile std::uint32_t g_sink;

// A buffer that starts `past` bytes after a page boundary: where a buffer starts decides how
// fast the kernel copies into it, so every pass says where its buffer starts.
struct Buffer {
    explicit Buffer(std::size_t size, std::size_t past = 0)
        : m_bytes(static_cast<std::uint8_t*>(std::aligned_alloc(4096, size + 4096))), m_data(m_bytes + past),
          m_size(size)
    {
        if (!m_bytes) {
            std::fprintf(stderr, "bench_fileread: out of memory\n");
            std::exit(2);
        }
        std::fill_n(m_data, m_size, std::uint8_t{0});
    }
    ~Buffer() { std::free(m_bytes); }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    std::uint8_t* data() const { return m_data; }
    std::size_t size() const { return m_size; }

private:
    std::uint8_t* m_bytes;
    std::uint8_t* m_data;
    std::size_t m_size;
};

// Bytes per second of reading the whole file once in blocks of `block`; -1 on an error.
double readPass(const char* path, std::size_t block, bool checksum, std::size_t past = 0)
{
    const Buffer buffer(block, past);
    const auto start = Clock::now();
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    std::uint64_t total = 0;
    std::uint32_t crc = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0) {
            ::close(fd);
            return -1;
        }
        if (got == 0)
            break;
        if (checksum)
            crc = quenno::detection::crc32Update(crc, buffer.data(), static_cast<std::size_t>(got));
        total += static_cast<std::uint64_t>(got);
    }
    ::close(fd);
    g_sink = crc;
    return static_cast<double>(total) / std::chrono::duration<double>(Clock::now() - start).count();
}

double mmapPass(const char* path, std::size_t window)
{
    const auto start = Clock::now();
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st { };
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return -1;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    std::uint32_t crc = 0;
    for (std::uint64_t offset = 0; offset < size; offset += window) {
        const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(window, size - offset));
        void* map = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, static_cast<off_t>(offset));
        if (map == MAP_FAILED) {
            ::close(fd);
            return -1;
        }
        crc = quenno::detection::crc32Update(crc, static_cast<const std::uint8_t*>(map), length);
        ::munmap(map, length);
    }
    ::close(fd);
    g_sink = crc;
    return static_cast<double>(size) / std::chrono::duration<double>(Clock::now() - start).count();
}

// Reads each listed file to its end through one reused buffer.
int readList(const char* listPath)
{
    const int listFd = ::open(listPath, O_RDONLY | O_CLOEXEC);
    if (listFd < 0) {
        std::perror(listPath);
        return 2;
    }
    std::vector<char> names;
    char chunk[1 << 16];
    for (ssize_t got; (got = ::read(listFd, chunk, sizeof chunk)) > 0;)
        names.insert(names.end(), chunk, chunk + got);
    ::close(listFd);

    const Buffer buffer(512u << 10);
    std::uint64_t total = 0;
    std::size_t files = 0;
    for (std::size_t start = 0; start < names.size();) {
        const std::size_t end = static_cast<std::size_t>(
            std::find(names.begin() + static_cast<std::ptrdiff_t>(start), names.end(), '\0') - names.begin());
        const std::string path(names.data() + start, end - start);
        start = end + 1;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        for (ssize_t got; (got = ::read(fd, buffer.data(), buffer.size())) > 0;)
            total += static_cast<std::uint64_t>(got);
        ::close(fd);
        ++files;
    }
    std::printf("%zu files, %llu bytes\n", files, static_cast<unsigned long long>(total));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--list")
        return readList(argv[2]);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_fileread FILE [passes]\n");
        return 2;
    }
    const char* path = argv[1];
    const int passes = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::size_t blocks[] = {64u << 10, 128u << 10, 256u << 10, 512u << 10, 1u << 20, 4u << 20};

    if (readPass(path, 1u << 20, false) < 0) {  // also brings the file into the cache
        std::perror(path);
        return 2;
    }
    std::printf("| block | read() GB/s | read() + CRC-32 GB/s | mmap (window 16 blocks) + CRC-32 GB/s |\n");
    std::printf("|---:|---:|---:|---:|\n");
    for (std::size_t block : blocks) {
        double plain = 0, summed = 0, mapped = 0;
        for (int p = 0; p < passes; ++p) {
            plain = std::max(plain, readPass(path, block, false));
            summed = std::max(summed, readPass(path, block, true));
            mapped = std::max(mapped, mmapPass(path, block * 16));
        }
        std::printf("| %zu KiB | %.2f | %.2f | %.2f |\n", block >> 10, plain / 1e9, summed / 1e9, mapped / 1e9);
    }

    // The product's buffers start on a page boundary; an ordinary allocation of this size
    // starts 16 bytes past one.
    std::printf("\n| 512 KiB buffer starts | read() GB/s |\n|---|---:|\n");
    for (const std::size_t past : {std::size_t{0}, std::size_t{16}, std::size_t{64}}) {
        double plain = 0;
        for (int p = 0; p < passes; ++p)
            plain = std::max(plain, readPass(path, 512u << 10, false, past));
        std::printf("| %zu bytes past a page boundary | %.2f |\n", past, plain / 1e9);
    }
    return 0;
}
