#include "TerminalText.h"

#include <cstdint>

namespace quenno::cli {

namespace {

constexpr char kHex[] = "0123456789abcdef";

// Length of the valid UTF-8 sequence at at (overlong forms, surrogates and code points
// past U+10FFFF are not valid), 0 when there is none; *codePoint gets its value.
std::size_t utf8Sequence(std::string_view bytes, std::size_t at, std::uint32_t* codePoint)
{
    const auto lead = static_cast<unsigned char>(bytes[at]);
    // Leading byte: length of the sequence, its payload bits and the smallest value that
    // needs that length (anything smaller is an overlong form).
    struct Form {
        unsigned char from, to;
        std::size_t length;
        unsigned char bits;
        std::uint32_t smallest;
    };
    static constexpr Form kForms[]
        = {{0xC2, 0xDF, 2, 0x1F, 0x80}, {0xE0, 0xEF, 3, 0x0F, 0x800}, {0xF0, 0xF4, 4, 0x07, 0x10000}};
    const Form* form = nullptr;
    for (const Form& each : kForms) {
        if (lead >= each.from && lead <= each.to)
            form = &each;
    }
    if (form == nullptr)
        return 0;
    const std::size_t length = form->length;
    std::uint32_t value = lead & form->bits;
    const std::uint32_t smallest = form->smallest;
    if (bytes.size() - at < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[at + i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *codePoint = value;
    return length;
}

bool isC1(std::uint32_t codePoint) { return codePoint >= 0x80 && codePoint <= 0x9F; }

void appendByteEscape(std::string& out, unsigned char byte)
{
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

void appendUnicodeEscape(std::string& out, std::uint32_t unit)
{
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kHex[(unit >> shift) & 0xF];
}

// Printable ASCII and valid UTF-8 other than the C1 controls are kept, with a backslash
// before each byte of quoted; every other piece goes to escape(out, piece, codePoint):
// a valid C1 control with its code point, or a single byte with its value.
template<typename Escape>
std::string withEscapes(std::string_view bytes, std::string out, std::string_view quoted, Escape escape)
{
    out.reserve(out.size() + bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x20 && byte < 0x7F) {
            if (quoted.find(static_cast<char>(byte)) != std::string_view::npos)
                out += '\\';
            out += static_cast<char>(byte);
            ++i;
            continue;
        }
        std::uint32_t codePoint = byte;
        const std::size_t length = byte >= 0x80 ? utf8Sequence(bytes, i, &codePoint) : 0;
        if (length > 0 && !isC1(codePoint))
            out.append(bytes.substr(i, length));
        else
            escape(out, bytes.substr(i, length > 0 ? length : 1), codePoint);
        i += length > 0 ? length : 1;
    }
    return out;
}

// TAB, LF and CR by name in both forms; false for any other byte.
bool appendNamedEscape(std::string& out, unsigned char byte)
{
    const char* named = byte == '\t' ? "\\t" : byte == '\n' ? "\\n" : byte == '\r' ? "\\r" : nullptr;
    if (named != nullptr)
        out += named;
    return named != nullptr;
}

}  // namespace

std::string EscapedText(std::string_view bytes)
{
    // A C1 control is escaped byte by byte: both of its bytes are then in the text.
    return withEscapes(bytes, std::string(), "\\", [](std::string& text, std::string_view piece, std::uint32_t) {
        for (const char each : piece) {
            const auto byte = static_cast<unsigned char>(each);
            if (!appendNamedEscape(text, byte))
                appendByteEscape(text, byte);
        }
    });
}

std::string JsonString(std::string_view bytes)
{
    std::string out
        = withEscapes(bytes, "\"", "\"\\", [](std::string& text, std::string_view piece, std::uint32_t codePoint) {
              const auto byte = static_cast<unsigned char>(piece.front());
              if (piece.size() > 1)
                  appendUnicodeEscape(text, codePoint);  // a C1 control: its own code point
              else if (!appendNamedEscape(text, byte))
                  // Below 0x20 and DEL are code points of their own; 0x80 and above, not part of
                  // UTF-8, are carried by the low surrogate of that byte.
                  appendUnicodeEscape(text, byte < 0x80 ? byte : 0xDC00u + byte);
          });
    out += '"';
    return out;
}

}  // namespace quenno::cli
