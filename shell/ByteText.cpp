#include "ByteText.h"

namespace quenno::shell {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // + a byte from 0x80 to 0xFF

// Length of the well-formed UTF-8 sequence starting at `at`, or 0 when the byte there
// starts none (RFC 3629: no overlong forms, no surrogates, nothing past U+10FFFF).
std::size_t sequenceAt(std::string_view bytes, std::size_t at)
{
    const auto byte = [&](std::size_t i) {
        return static_cast<unsigned char>(bytes[i]);
    };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (bytes.size() - at < length)
        return 0;
    if (byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    }
    return length;
}

}  // namespace

QString TextOfBytes(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    std::size_t runStart = 0;  // well-formed bytes not yet decoded
    const auto flush = [&](std::size_t end) {
        if (end > runStart)
            text += QString::fromUtf8(bytes.data() + runStart, static_cast<qsizetype>(end - runStart));
    };
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (const std::size_t length = sequenceAt(bytes, at)) {
            at += length;
            continue;
        }
        flush(at);
        text += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[at])));
        runStart = ++at;
    }
    flush(at);
    return text;
}

std::string BytesOfText(const QString& text)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    qsizetype runStart = 0;  // units not yet encoded, none of them an escaped byte
    const auto flush = [&](qsizetype end) {
        if (end > runStart)
            bytes += QStringView(text).mid(runStart, end - runStart).toUtf8().toStdString();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        if (unit < kEscapeBase + 0x80 || unit > kEscapeBase + 0xFF)
            continue;
        flush(i);
        bytes.push_back(static_cast<char>(unit - kEscapeBase));
        runStart = i + 1;
    }
    flush(text.size());
    return bytes;
}

}  // namespace quenno::shell
