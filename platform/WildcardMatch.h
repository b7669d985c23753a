#pragma once
// File-name patterns of the settings line, prepared once and matched against many names.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quenno::platform {

// "*" any run of bytes, "?" any one byte, ASCII letters without case; a pattern ending in
// ".*" also takes a name without any dot, so "*.*" takes every name (as wildcardMatch).
// What a name costs depends on the name, not on how the pattern is written: runs of "*"
// collapse, and each piece between two "*" is looked for in one pass over the name,
// never by trying the places already passed again. A name of n bytes costs O(n) for
// pieces without "?" and O(n * ceil(m / 64)) for a piece of m bytes with "?".
class WildcardPattern {
public:
    explicit WildcardPattern(std::string_view pattern);
    bool matches(std::string_view name) const;

private:
    // A run of pattern bytes without "*", letters folded.
    class Piece {
    public:
        explicit Piece(std::string_view bytes);
        std::size_t size() const { return m_bytes.size(); }
        bool matchesAt(std::string_view name, std::size_t at) const;
        // Leftmost place p in [from, to - size()] where the piece matches; npos if none.
        std::size_t find(std::string_view name, std::size_t from, std::size_t to) const;

    private:
        std::size_t findLiteral(std::string_view name, std::size_t from, std::size_t to) const;
        std::size_t findWithAnyByte(std::string_view name, std::size_t from, std::size_t to) const;

        std::string m_bytes;
        bool m_anyByte = false;  // holds "?"
        std::vector<std::size_t> m_border;  // without "?": longest proper border of each prefix
        // With "?": bit i of a byte's mask is set where position i takes that byte.
        std::size_t m_words = 0;
        std::array<std::int16_t, 256> m_slot{};  // byte -> its masks in m_masks, -1 none
        std::vector<std::uint64_t> m_masks;
        std::vector<std::uint64_t> m_anyMask;
    };

    // The pattern without the ".*" rule: head * middle... * tail, or one piece without "*".
    class Glob {
    public:
        explicit Glob(std::string_view pattern);
        bool matches(std::string_view name) const;

    private:
        bool m_starred = false;
        std::vector<Piece> m_pieces;  // head, middle pieces, tail (head only without "*")
    };

    Glob m_glob;
    bool m_bareNames = false;  // the pattern ends in ".*": names without a dot count too
    Glob m_withoutDotStar;
};

}  // namespace quenno::platform
