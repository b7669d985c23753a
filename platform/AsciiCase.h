#pragma once
// Letter case of the ASCII letters A-Z only, byte by byte: names on disk, registry paths and
// process names are bytes, and how they compare must not depend on the user's locale.

#include <algorithm>
#include <string>
#include <string_view>

namespace quenno::platform {

constexpr char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string asciiLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = asciiLower(c);
    return out;
}

inline bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return asciiLower(x) == asciiLower(y);
    });
}

// Names in the order a listing shows them: by their bytes with A-Z read as a-z (as
// unsigned bytes), a shorter name before a longer one it begins, and names that differ
// only in case by their own bytes, so the order is total.
inline bool lessIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    const auto folded = [](char c) {
        return static_cast<unsigned char>(asciiLower(c));
    };
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (folded(a[i]) != folded(b[i]))
            return folded(a[i]) < folded(b[i]);
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
}

}  // namespace quenno::platform
