// Runs a fuzz driver once over each given file, or each file of each given folder, without
// libFuzzer: every build replays the seed corpora and the inputs of past findings with
// whatever compiler and sanitizers it uses. A missing folder is skipped.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        std::error_code error;
        if (fs::is_directory(arg, error)) {
            for (const auto& item : fs::directory_iterator(arg, error))
                if (item.is_regular_file(error))
                    inputs.push_back(item.path());
        } else if (fs::is_regular_file(arg, error)) {
            inputs.push_back(arg);
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& input : inputs) {
        std::ifstream in(input, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::fprintf(stderr, "replay %s (%zu bytes)\n", input.c_str(), bytes.size());
        // A copy of exactly the input's size, so the sanitizers see reads past its end.
        std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
        LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
    }
    std::fprintf(stderr, "%zu inputs replayed\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}
