#pragma once
// The one look of every picture: dark navy plates, teal accents, a cyan glow for lit
// buttons, OCR lettering. Painting is plain raster work on QImage, so the same program on
// the same machine draws the same pixels every run.

#include "ArtTable.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QString>

class QPainter;

namespace quenno::assets {

namespace colour {
inline const QColor navyDeep{8, 17, 33};
inline const QColor navy{14, 31, 56};
inline const QColor navyLight{27, 52, 88};
inline const QColor teal{24, 190, 176};
inline const QColor tealDark{12, 96, 104};
inline const QColor cyan{120, 240, 255};
inline const QColor text{220, 238, 245};
inline const QColor textDim{140, 170, 190};
inline const QColor amber{255, 190, 70};
inline const QColor red{235, 80, 80};
}  // namespace colour

// Loads the OCR fonts from their files (falls back to DejaVu Sans when they are missing).
void loadFonts();
QFont headingFont(double pixelSize, bool bold = false);  // OCR-A
QFont bodyFont(double pixelSize, bool bold = false);  // OCR-B
QFont symbolFont(double pixelSize);  // DejaVu Sans, for the glyphs

QString glyphText(Glyph glyph);

// A rounded plate with a vertical gradient and a thin rim.
void drawPlate(QPainter& p, const QRectF& r, double radius, const QColor& top, const QColor& bottom, const QColor& rim);
// A soft halo around a rounded rectangle (drawn before the plate).
void drawGlow(QPainter& p, const QRectF& r, double radius, const QColor& colour, int spread);
// A round badge holding a glyph.
void drawBadge(QPainter& p, QPointF centre, double radius, Glyph glyph, bool lit);
// Text shrunk until it fits the rectangle, drawn with a thin shadow.
void drawFittedText(QPainter& p, const QRectF& r, const QString& text, QFont font, const QColor& colour, int flags);
// An inset well where a list or text box of the screen sits.
void drawWell(QPainter& p, const QRectF& r, const QString& caption = {});
// A pale display panel: labels drawn in black or dark grey over it stay readable.
void drawLcd(QPainter& p, const QRectF& r);
// Background gradient with a faint grid.
void drawBackdrop(QPainter& p, const QRectF& r);
// Title band at the top of a secondary screen.
void drawTitle(QPainter& p, const QRectF& band, const QString& title, Glyph glyph);

QImage newImage(int width, int height);

}  // namespace quenno::assets
