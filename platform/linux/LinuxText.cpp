#include "LinuxText.h"

#include <cstdint>

namespace quenno::platform::linux_fs {

std::size_t utf8SequenceAt(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) {
        return static_cast<std::uint8_t>(text[i]);
    };
    const std::uint8_t lead = byte(at);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    std::uint32_t code = 0;
    std::uint32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - at < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

bool isUtf8(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8SequenceAt(text, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

std::string shownText(std::string_view text, std::size_t maxUnits)
{
    std::string shown;
    std::size_t units = 0;
    std::size_t cutSize = 0;  // bytes kept when the text turns out too long
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8SequenceAt(text, at);
        std::string_view piece = length == 0 ? std::string_view("\xEF\xBF\xBD") : text.substr(at, length);
        const auto lead = static_cast<std::uint8_t>(piece.front());
        if (length == 1 && (lead < 0x20 || lead == 0x7F))
            piece = "?";
        units += length == 4 ? 2 : 1;
        if (units > maxUnits)
            return shown.substr(0, cutSize) + "...";
        shown += piece;
        if (units + 3 <= maxUnits)
            cutSize = shown.size();
        at += length == 0 ? 1 : length;
    }
    return shown;
}

}  // namespace quenno::platform::linux_fs
