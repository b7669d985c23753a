#include "FileSystem.h"

namespace quenno::platform {

namespace {

constexpr unsigned char foldAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Glob match with one backtracking point: the last "*" seen. Linear in practice and never
// worse than pattern length times name length.
bool globMatch(std::string_view pattern, std::string_view name)
{
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size()
                   && (pattern[p] == '?'
                       || foldAscii(static_cast<unsigned char>(pattern[p]))
                              == foldAscii(static_cast<unsigned char>(name[n])))) {
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

} // namespace

bool wildcardMatch(std::string_view pattern, std::string_view name)
{
    if (globMatch(pattern, name))
        return true;
    // A pattern ending in ".*" also takes names without any extension ("*.*" takes every
    // name, "readme.*" takes "readme"), as Windows file listings do.
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*"
        && name.find('.') == std::string_view::npos)
        return globMatch(pattern.substr(0, pattern.size() - 2), name);
    return false;
}

} // namespace quenno::platform
