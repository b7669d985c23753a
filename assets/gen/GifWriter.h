#pragma once
// A small GIF89a encoder: one global 256-colour table, a looping application extension,
// and for every frame a Graphic Control Extension (its delay) followed by its image.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPoint>

namespace quenno::assets {

class GifWriter {
public:
    // `palette` holds at most 256 colours; `loops` 0 loops for ever.
    GifWriter(int width, int height, const QList<QRgb>& palette, int loops = 0);
    // `indexed` is a Format_Indexed8 image using the writer's palette.
    void addFrame(const QImage& indexed, int delayHundredths, QPoint offset = {});
    QByteArray finish();

private:
    QByteArray m_bytes;
};

// One palette for a whole animation: the colours of all frames reduced together.
QList<QRgb> commonPalette(const QList<QImage>& frames);
QImage toIndexed(const QImage& frame, const QList<QRgb>& palette);

// LZW-compressed image data of 8-bit indices, in 255-byte sub-blocks ending with 0.
QByteArray lzwEncode(const uchar* indices, qsizetype count);

}  // namespace quenno::assets
