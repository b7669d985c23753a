#include "GifWriter.h"

#include <QPainter>

#include <vector>

namespace quenno::assets {

namespace {

void put16(QByteArray& out, int value)
{
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
}

class BitWriter {
public:
    void write(int code, int bits)
    {
        m_buffer |= static_cast<quint32>(code) << m_count;
        m_count += bits;
        while (m_count >= 8) {
            m_bytes.append(static_cast<char>(m_buffer & 0xFF));
            m_buffer >>= 8;
            m_count -= 8;
        }
    }
    QByteArray finish()
    {
        if (m_count > 0)
            m_bytes.append(static_cast<char>(m_buffer & 0xFF));
        return m_bytes;
    }

private:
    QByteArray m_bytes;
    quint32 m_buffer = 0;
    int m_count = 0;
};

}  // namespace

QByteArray lzwEncode(const uchar* indices, qsizetype count)
{
    constexpr int minCodeSize = 8;
    constexpr int clearCode = 1 << minCodeSize;
    constexpr int endCode = clearCode + 1;
    // next[code * 256 + byte]: the code extending `code` by `byte`, or 0 when there is none.
    std::vector<quint16> next(4096 * 256, 0);
    BitWriter bits;
    int codeSize = minCodeSize + 1;
    int maxCode = endCode;
    bits.write(clearCode, codeSize);
    if (count > 0) {
        int current = indices[0];
        for (qsizetype i = 1; i < count; ++i) {
            const int byte = indices[i];
            const quint16 extended = next[static_cast<std::size_t>(current) * 256 + byte];
            if (extended != 0) {
                current = extended;
                continue;
            }
            bits.write(current, codeSize);
            ++maxCode;
            next[static_cast<std::size_t>(current) * 256 + byte] = static_cast<quint16>(maxCode);
            if (maxCode >= (1 << codeSize))
                ++codeSize;
            if (maxCode == 4095) {
                bits.write(clearCode, codeSize);
                std::fill(next.begin(), next.end(), 0);
                codeSize = minCodeSize + 1;
                maxCode = endCode;
            }
            current = byte;
        }
        bits.write(current, codeSize);
    }
    bits.write(endCode, codeSize);
    const QByteArray data = bits.finish();
    QByteArray out;
    out.append(static_cast<char>(minCodeSize));
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const qsizetype length = qMin<qsizetype>(255, data.size() - at);
        out.append(static_cast<char>(length));
        out.append(data.constData() + at, length);
    }
    out.append('\0');
    return out;
}

GifWriter::GifWriter(int width, int height, const QList<QRgb>& palette, int loops)
{
    m_bytes.append("GIF89a");
    put16(m_bytes, width);
    put16(m_bytes, height);
    m_bytes.append(static_cast<char>(0xF7));  // global table of 256 colours, 8 bits each
    m_bytes.append('\0');  // background colour index
    m_bytes.append('\0');  // pixel aspect ratio
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < palette.size() ? palette[i] : qRgb(0, 0, 0);
        m_bytes.append(static_cast<char>(qRed(c)));
        m_bytes.append(static_cast<char>(qGreen(c)));
        m_bytes.append(static_cast<char>(qBlue(c)));
    }
    m_bytes.append("\x21\xFF\x0B"
                   "NETSCAPE2.0"
                   "\x03\x01",
                   16);
    put16(m_bytes, loops);
    m_bytes.append('\0');
}

void GifWriter::addFrame(const QImage& indexed, int delayHundredths, QPoint offset)
{
    m_bytes.append("\x21\xF9\x04", 3);
    m_bytes.append(static_cast<char>(1 << 2));  // disposal: leave the frame in place
    put16(m_bytes, delayHundredths);
    m_bytes.append('\0');  // no transparent colour
    m_bytes.append('\0');
    m_bytes.append('\x2C');
    put16(m_bytes, offset.x());
    put16(m_bytes, offset.y());
    put16(m_bytes, indexed.width());
    put16(m_bytes, indexed.height());
    m_bytes.append('\0');  // no local table, not interlaced
    std::vector<uchar> indices;
    indices.reserve(static_cast<std::size_t>(indexed.width()) * static_cast<std::size_t>(indexed.height()));
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar* line = indexed.constScanLine(y);
        indices.insert(indices.end(), line, line + indexed.width());
    }
    m_bytes.append(lzwEncode(indices.data(), static_cast<qsizetype>(indices.size())));
}

QByteArray GifWriter::finish()
{
    m_bytes.append('\x3B');
    return m_bytes;
}

QList<QRgb> commonPalette(const QList<QImage>& frames)
{
    if (frames.isEmpty())
        return {};
    const int width = frames.first().width();
    int height = 0;
    for (const QImage& frame : frames)
        height += frame.height();
    QImage sheet(width, height, QImage::Format_RGB32);
    QPainter p(&sheet);
    int y = 0;
    for (const QImage& frame : frames) {
        p.drawImage(0, y, frame);
        y += frame.height();
    }
    p.end();
    QList<QRgb> palette
        = sheet.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither).colorTable();
    palette.resize(qMin<qsizetype>(palette.size(), 256));
    return palette;
}

QImage toIndexed(const QImage& frame, const QList<QRgb>& palette)
{
    return frame.convertToFormat(QImage::Format_RGB32)
        .convertToFormat(QImage::Format_Indexed8, palette, Qt::ThresholdDither | Qt::AvoidDither);
}

}  // namespace quenno::assets
