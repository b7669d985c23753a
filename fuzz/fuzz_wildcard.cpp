// The file-name pattern comes from database.db and names from any folder. Compares the
// matcher with a plain dynamic-programming reference and with the matcher it replaced on
// every pattern and name, so a wrong answer is a finding, not only a crash; slow
// backtracking shows as a timeout.
// Input: first byte = pattern length, then the pattern, then the name.

#include "FuzzCheck.h"
#include "WildcardBefore.h"
#include "platform/FileSystem.h"
#include "platform/WildcardMatch.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

unsigned char fold(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

// "*" any run of bytes, "?" any one byte, other bytes equal with ASCII letters folded.
bool referenceGlob(std::string_view pattern, std::string_view name)
{
    // at[j]: pattern[0, i) matches name[0, j).
    std::string at(name.size() + 1, '\0');
    at.front() = 1;
    for (const char p : pattern) {
        std::string next(name.size() + 1, '\0');
        if (p == '*') {
            char any = 0;
            for (std::size_t j = 0; j <= name.size(); ++j) {
                any = static_cast<char>(any | at[j]);
                next[j] = any;
            }
        } else {
            for (std::size_t j = 1; j <= name.size(); ++j)
                next[j] = static_cast<char>(at[j - 1] && (p == '?' || fold(p) == fold(name[j - 1])));
        }
        at.swap(next);
    }
    return at[name.size()] != 0;
}

// A pattern ending in ".*" also takes a name without any dot, as Windows listings do.
bool reference(std::string_view pattern, std::string_view name)
{
    if (referenceGlob(pattern, name))
        return true;
    return pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" && name.find('.') == std::string_view::npos
        && referenceGlob(pattern.substr(0, pattern.size() - 2), name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t patternLength = std::min<std::size_t>(data[0], bytes.size());
    const std::string_view pattern = bytes.substr(0, patternLength);
    const std::string_view name = bytes.substr(patternLength);

    const bool matched = quenno::platform::wildcardMatch(pattern, name);
    FUZZ_CHECK(matched == reference(pattern, name));
    FUZZ_CHECK(matched == quenno::test::wildcardMatchBefore(pattern, name));
    // A prepared pattern keeps nothing of one name for the next.
    const quenno::platform::WildcardPattern prepared(pattern);
    FUZZ_CHECK(prepared.matches(name) == matched);
    FUZZ_CHECK(prepared.matches(name.substr(name.size() / 2)) == reference(pattern, name.substr(name.size() / 2)));
    FUZZ_CHECK(prepared.matches(name) == matched);
    return 0;
}
