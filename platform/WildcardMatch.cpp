#include "FileSystem.h"
#include "AsciiCase.h"
#include "WildcardMatch.h"

namespace quenno::platform {

namespace {

unsigned char foldedAt(std::string_view text, std::size_t i) { return static_cast<unsigned char>(asciiLower(text[i])); }

}  // namespace

WildcardPattern::Piece::Piece(std::string_view bytes)
{
    m_bytes.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        m_bytes.push_back(static_cast<char>(foldedAt(bytes, i)));
        m_anyByte = m_anyByte || bytes[i] == '?';
    }
    if (!m_anyByte) {
        m_border.assign(m_bytes.size(), 0);
        for (std::size_t i = 1, k = 0; i < m_bytes.size(); ++i) {
            while (k > 0 && m_bytes[i] != m_bytes[k])
                k = m_border[k - 1];
            if (m_bytes[i] == m_bytes[k])
                ++k;
            m_border[i] = k;
        }
        return;
    }
    // Masks only for the bytes the piece holds: a long piece of few distinct bytes stays small.
    m_words = (m_bytes.size() + 63) / 64;
    m_slot.fill(-1);
    m_anyMask.assign(m_words, 0);
    for (std::size_t i = 0; i < m_bytes.size(); ++i) {
        const std::uint64_t bit = std::uint64_t{1} << (i % 64);
        if (bytes[i] == '?') {
            m_anyMask[i / 64] |= bit;
            continue;
        }
        auto& slot = m_slot[static_cast<unsigned char>(m_bytes[i])];
        if (slot < 0) {
            slot = static_cast<std::int16_t>(m_masks.size() / m_words);
            m_masks.resize(m_masks.size() + m_words, 0);
        }
        m_masks[static_cast<std::size_t>(slot) * m_words + i / 64] |= bit;
    }
}

bool WildcardPattern::Piece::matchesAt(std::string_view name, std::size_t at) const
{
    if (at > name.size() || name.size() - at < m_bytes.size())
        return false;
    for (std::size_t i = 0; i < m_bytes.size(); ++i) {
        if (!(m_anyByte && ((m_anyMask[i / 64] >> (i % 64)) & 1) != 0)
            && static_cast<unsigned char>(m_bytes[i]) != foldedAt(name, at + i))
            return false;
    }
    return true;
}

std::size_t WildcardPattern::Piece::find(std::string_view name, std::size_t from, std::size_t to) const
{
    if (to > name.size() || from > to || to - from < m_bytes.size())
        return std::string_view::npos;
    if (m_bytes.empty())
        return from;
    return m_anyByte ? findWithAnyByte(name, from, to) : findLiteral(name, from, to);
}

// Knuth-Morris-Pratt: every byte of the name is looked at a bounded number of times.
std::size_t WildcardPattern::Piece::findLiteral(std::string_view name, std::size_t from, std::size_t to) const
{
    std::size_t k = 0;
    for (std::size_t i = from; i < to; ++i) {
        const auto c = static_cast<char>(foldedAt(name, i));
        while (k > 0 && c != m_bytes[k])
            k = m_border[k - 1];
        if (c == m_bytes[k])
            ++k;
        if (k == m_bytes.size())
            return i + 1 - k;
    }
    return std::string_view::npos;
}

// Shift-And: bit i of the state says the piece's first i + 1 bytes end at this byte.
std::size_t WildcardPattern::Piece::findWithAnyByte(std::string_view name, std::size_t from, std::size_t to) const
{
    std::vector<std::uint64_t> state(m_words, 0);
    const std::size_t last = m_bytes.size() - 1;
    for (std::size_t i = from; i < to; ++i) {
        const std::int16_t slot = m_slot[foldedAt(name, i)];
        std::uint64_t carry = 1;  // a match may start at every byte
        for (std::size_t w = 0; w < m_words; ++w) {
            const std::uint64_t shifted = (state[w] << 1) | carry;
            carry = state[w] >> 63;
            const std::uint64_t mask
                = m_anyMask[w] | (slot >= 0 ? m_masks[static_cast<std::size_t>(slot) * m_words + w] : 0);
            state[w] = shifted & mask;
        }
        if (((state[last / 64] >> (last % 64)) & 1) != 0)
            return i - last;
    }
    return std::string_view::npos;
}

WildcardPattern::Glob::Glob(std::string_view pattern)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i <= pattern.size(); ++i) {
        if (i < pattern.size() && pattern[i] != '*')
            continue;
        // The head and the tail stay even when empty; between two "*" only pieces with bytes.
        if (i == pattern.size() || m_pieces.empty() || i > start)
            m_pieces.emplace_back(pattern.substr(start, i - start));
        if (i < pattern.size())
            m_starred = true;
        start = i + 1;
    }
}

bool WildcardPattern::Glob::matches(std::string_view name) const
{
    const Piece& head = m_pieces.front();
    if (!m_starred)
        return head.size() == name.size() && head.matchesAt(name, 0);
    const Piece& tail = m_pieces.back();
    if (head.size() + tail.size() > name.size() || !head.matchesAt(name, 0)
        || !tail.matchesAt(name, name.size() - tail.size()))
        return false;
    // Taking each middle piece at its leftmost place leaves the most room for the rest, so
    // no other place ever needs trying.
    std::size_t at = head.size();
    const std::size_t end = name.size() - tail.size();
    for (std::size_t k = 1; k + 1 < m_pieces.size(); ++k) {
        const std::size_t found = m_pieces[k].find(name, at, end);
        if (found == std::string_view::npos)
            return false;
        at = found + m_pieces[k].size();
    }
    return true;
}

namespace {

bool endsInDotStar(std::string_view pattern)
{
    return pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*";
}

}  // namespace

// A pattern ending in ".*" also takes names without any extension ("*.*" takes every
// name, "readme.*" takes "readme"), as Windows file listings do. Only the last two bytes
// decide: "readme.**" does not take "readme".
WildcardPattern::WildcardPattern(std::string_view pattern)
    : m_glob(pattern), m_bareNames(endsInDotStar(pattern)),
      m_withoutDotStar(m_bareNames ? pattern.substr(0, pattern.size() - 2) : std::string_view())
{
}

bool WildcardPattern::matches(std::string_view name) const
{
    if (m_glob.matches(name))
        return true;
    return m_bareNames && name.find('.') == std::string_view::npos && m_withoutDotStar.matches(name);
}

bool wildcardMatch(std::string_view pattern, std::string_view name) { return WildcardPattern(pattern).matches(name); }

}  // namespace quenno::platform
