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
    static constexpr Form kForms[] = {{0xC2, 0xDF, 2, 0x1F, 0x80}, {0xE0, 0xEF, 3, 0x0F, 0x800},
                                      {0xF0, 0xF4, 4, 0x07, 0x10000}};
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

bool isC1(std::uint32_t codePoint)
{
    return codePoint >= 0x80 && codePoint <= 0x9F;
}

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

} // namespace

std::string EscapedText(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x20 && byte < 0x7F) {
            if (byte == '\\')
                out += '\\';
            out += static_cast<char>(byte);
            ++i;
            continue;
        }
        std::uint32_t codePoint = 0;
        const std::size_t length = byte >= 0x80 ? utf8Sequence(bytes, i, &codePoint) : 0;
        if (length > 0 && !isC1(codePoint)) {
            out.append(bytes.substr(i, length));
            i += length;
            continue;
        }
        // A C1 control is escaped byte by byte too: both of its bytes are then in the text.
        for (std::size_t k = 0; k < (length > 0 ? length : 1); ++k) {
            const auto each = static_cast<unsigned char>(bytes[i + k]);
            if (each == '\t')
                out += "\\t";
            else if (each == '\n')
                out += "\\n";
            else if (each == '\r')
                out += "\\r";
            else
                appendByteEscape(out, each);
        }
        i += length > 0 ? length : 1;
    }
    return out;
}

std::string JsonString(std::string_view bytes)
{
    std::string out = "\"";
    out.reserve(bytes.size() + 2);
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x20 && byte < 0x7F) {
            if (byte == '"' || byte == '\\')
                out += '\\';
            out += static_cast<char>(byte);
            ++i;
            continue;
        }
        std::uint32_t codePoint = 0;
        const std::size_t length = byte >= 0x80 ? utf8Sequence(bytes, i, &codePoint) : 0;
        if (length > 0 && !isC1(codePoint)) {
            out.append(bytes.substr(i, length));
        } else if (length > 0) {
            appendUnicodeEscape(out, codePoint);
        } else if (byte == '\t') {
            out += "\\t";
        } else if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\r') {
            out += "\\r";
        } else {
            // Below 0x20 and DEL are the code points of their own; 0x80 and above, not part
            // of UTF-8, are carried by the low surrogate of that byte.
            appendUnicodeEscape(out, byte < 0x80 ? byte : 0xDC00u + byte);
        }
        i += length > 0 ? length : 1;
    }
    out += '"';
    return out;
}

} // namespace quenno::cli
