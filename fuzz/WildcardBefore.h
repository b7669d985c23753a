#pragma once
// The file-name matcher as it was before patterns were prepared: one backtracking point,
// the last "*" seen. Its answers are the ones to keep; the fuzz target and the tests
// compare the prepared patterns with it.

#include <cstddef>
#include <string_view>

namespace quenno::test {

inline unsigned char foldBefore(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

inline bool globBefore(std::string_view pattern, std::string_view name)
{
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || foldBefore(pattern[p]) == foldBefore(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// With the rule that a pattern ending in ".*" also takes a name without any dot.
inline bool wildcardMatchBefore(std::string_view pattern, std::string_view name)
{
    if (globBefore(pattern, name))
        return true;
    return pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" && name.find('.') == std::string_view::npos
        && globBefore(pattern.substr(0, pattern.size() - 2), name);
}

}  // namespace quenno::test
