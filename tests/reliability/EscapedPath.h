#pragma once
// Paths as one printable line: bytes below 0x20, 0x7F, bytes from 0x80 and the backslash
// are written \xHH. The victim prints paths this way and the tests compare them so, which
// keeps names with newlines or bytes that are not UTF-8 exact.

#include <cstdio>
#include <string>

namespace quenno::test {

inline std::string escapedPath(const std::string& path)
{
    std::string out;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace quenno::test
