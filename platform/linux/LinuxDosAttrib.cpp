#include "LinuxDosAttrib.h"

namespace quenno::platform::linux_fs {

namespace {

constexpr std::uint32_t kValidAttrib = 0x01;
constexpr std::uint32_t kValidCreateTime = 0x10;
constexpr std::uint64_t kFileTimeUnixEpoch = 116444736000000000ULL;

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at)
{
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16
        | std::uint32_t{b[at + 3]} << 24;
}

std::uint64_t le64(std::span<const std::uint8_t> b, std::size_t at)
{
    return std::uint64_t{le32(b, at)} | std::uint64_t{le32(b, at + 4)} << 32;
}

void put32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void put64(std::string& out, std::uint64_t v)
{
    put32(out, static_cast<std::uint32_t>(v));
    put32(out, static_cast<std::uint32_t>(v >> 32));
}

// "0x" followed by 1 to 8 hex digits, nothing else.
std::optional<std::uint32_t> parseHexText(std::span<const std::uint8_t> text)
{
    if (text.size() < 3 || text.size() > 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 2; i < text.size(); ++i) {
        const std::uint8_t c = text[i];
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value << 4 | digit;
    }
    return value;
}

std::optional<std::uint64_t> nonZero(std::uint64_t time)
{
    return time == 0 ? std::nullopt : std::optional<std::uint64_t>(time);
}

// The versioned record that follows the hex text, or nullopt when it is absent or unknown.
std::optional<DosAttrib> parseBinary(std::span<const std::uint8_t> b, std::size_t textEnd)
{
    const std::size_t versionAt = (textEnd + 2) & ~std::size_t{1};  // past the NUL, 2-aligned
    if (b.size() < versionAt + 4)
        return std::nullopt;
    const std::uint16_t version = static_cast<std::uint16_t>(b[versionAt] | b[versionAt + 1] << 8);
    const std::uint16_t level = static_cast<std::uint16_t>(b[versionAt + 2] | b[versionAt + 3] << 8);
    if (version != level)
        return std::nullopt;
    const std::size_t at = (versionAt + 4 + 3) & ~std::size_t{3};
    const std::size_t left = b.size() >= at ? b.size() - at : 0;
    DosAttrib r;
    switch (version) {
    case 1:  // attrib, ea_size, size, alloc_size, create_time, change_time
        if (left < 40)
            return std::nullopt;
        r.attributes = le32(b, at);
        r.createTime = nonZero(le64(b, at + 24));
        return r;
    case 2:  // flags, attrib, ...; its times were never trusted
        if (left < 8)
            return std::nullopt;
        r.attributes = le32(b, at + 4);
        return r;
    case 3:  // valid_flags, attrib, ea_size, size, alloc_size, create_time, change_time
        if (left < 44)
            return std::nullopt;
        r.attributes = le32(b, at + 4);
        if (le32(b, at) & kValidCreateTime)
            r.createTime = nonZero(le64(b, at + 28));
        return r;
    case 4:  // valid_flags, attrib, itime, create_time
        if (left < 24)
            return std::nullopt;
        r.attributes = le32(b, at + 4);
        if (le32(b, at) & kValidCreateTime)
            r.createTime = nonZero(le64(b, at + 16));
        return r;
    case 5:  // valid_flags, attrib, create_time
        if (left < 16)
            return std::nullopt;
        r.attributes = le32(b, at + 4);
        if (le32(b, at) & kValidCreateTime)
            r.createTime = nonZero(le64(b, at + 8));
        return r;
    default:
        return std::nullopt;
    }
}

}  // namespace

std::optional<DosAttrib> parseDosAttrib(std::span<const std::uint8_t> bytes)
{
    std::size_t textEnd = 0;
    while (textEnd < bytes.size() && bytes[textEnd] != 0)
        ++textEnd;
    if (textEnd < bytes.size()) {
        if (auto record = parseBinary(bytes, textEnd))
            return record;
    }
    if (auto value = parseHexText(bytes.first(textEnd)))
        return DosAttrib{*value, std::nullopt};
    return std::nullopt;
}

std::string encodeDosAttrib(const DosAttrib& record)
{
    std::string out;
    out.reserve(24);
    out.append(2, '\0');  // empty hex text and its padding
    out.append("\x05\x00\x05\x00", 4);  // version and union level
    out.append(2, '\0');  // align to 4
    put32(out, kValidAttrib | (record.createTime ? kValidCreateTime : 0));
    put32(out, record.attributes);
    put64(out, record.createTime.value_or(0));
    return out;
}

std::uint64_t unixToFileTime(std::int64_t seconds, std::uint32_t nanoseconds)
{
    return static_cast<std::uint64_t>(static_cast<std::int64_t>(kFileTimeUnixEpoch) + seconds * 10'000'000)
        + nanoseconds / 100;
}

}  // namespace quenno::platform::linux_fs
