// Paints the buttons, switches, panels and icons of the picture table.

#include "Pictures.h"
#include "Backgrounds.h"
#include "Theme.h"

#include <QPainter>

namespace quenno::assets {

namespace {

void paintButton(QPainter& p, const ArtRow& row, bool lit)
{
    const QRectF full(0, 0, row.width, row.height);
    const double inset = lit ? 2.5 : 1.0;
    const QRectF plate = full.adjusted(inset, inset, -inset, -inset);
    const double radius = plate.height() * 0.32;
    if (lit) {
        drawGlow(p, plate, radius, colour::cyan, 2);
        drawPlate(p, plate, radius, QColor(40, 200, 205), QColor(10, 90, 110), QColor(200, 255, 255));
    } else {
        drawPlate(p, plate, radius, QColor(30, 70, 100), QColor(12, 30, 52), QColor(60, 130, 160));
    }
    const bool narrow = row.width < 130;
    const double badge = plate.height() * (narrow ? 0.30 : 0.36);
    drawBadge(p, QPointF(plate.left() + badge + 5, plate.center().y()), badge, row.glyph, lit);
    const QRectF textBox = plate.adjusted(2 * badge + (narrow ? 7 : 10), 0, narrow ? -3 : -6, 0);
    QFont font = headingFont(plate.height() * 0.5, true);
    if (narrow)
        font.setLetterSpacing(QFont::PercentageSpacing, 88);
    drawFittedText(p, textBox, QString::fromUtf8(row.label), font, lit ? QColor(255, 255, 255) : colour::text,
                   Qt::AlignCenter);
}

void paintIconButton(QPainter& p, const ArtRow& row, bool lit)
{
    const QRectF full(0, 0, row.width, row.height);
    const QRectF plate = full.adjusted(1.5, 1.5, -1.5, -1.5);
    const double radius = qMin(plate.width(), plate.height()) * 0.25;
    if (lit) {
        drawGlow(p, plate.adjusted(1, 1, -1, -1), radius, colour::cyan, 2);
        drawPlate(p, plate.adjusted(1, 1, -1, -1), radius, QColor(40, 200, 205), QColor(10, 90, 110),
                  QColor(200, 255, 255));
    } else {
        drawPlate(p, plate, radius, QColor(30, 70, 100), QColor(12, 30, 52), QColor(60, 130, 160));
    }
    const bool withCaption = row.height >= 40;
    const double captionHeight = withCaption ? qMax(8.0, row.height * 0.2) : 0;
    const QRectF iconArea(plate.left(), plate.top() + 1, plate.width(), plate.height() - captionHeight - 1);
    const double badge = qMin(iconArea.width(), iconArea.height()) * 0.40;
    drawBadge(p, iconArea.center(), badge, row.glyph, lit);
    if (withCaption) {
        const QRectF caption(plate.left() + 1, plate.bottom() - captionHeight - 1, plate.width() - 2, captionHeight);
        drawFittedText(p, caption, QString::fromUtf8(row.label), bodyFont(captionHeight, true),
                       lit ? QColor(255, 255, 255) : colour::text, Qt::AlignCenter);
    }
}

// The registry tools' icon sits in the same square in the resting and the lit picture.
QRectF regIconSquare(int height) { return QRectF(0, 0, 30, qMin(30, height)); }

void paintRegIcon(QPainter& p, const ArtRow& row)
{
    const QRectF square = QRectF(0, 0, row.width, row.height).adjusted(1, 1, -1, -1);
    drawPlate(p, square, 6, QColor(30, 70, 100), QColor(12, 30, 52), QColor(60, 130, 160));
    drawBadge(p, square.center(), qMin(square.width(), square.height()) * 0.38, row.glyph, false);
}

void paintRegStrip(QPainter& p, const ArtRow& row)
{
    const QRectF full(0, 0, row.width, row.height);
    const QRectF plate = full.adjusted(1, 1, -1, -1);
    drawGlow(p, plate.adjusted(1, 1, -1, -1), 6, colour::cyan, 1);
    drawPlate(p, plate, 7, QColor(40, 200, 205), QColor(10, 90, 110), QColor(200, 255, 255));
    const QRectF square = regIconSquare(row.height);
    drawBadge(p, square.center() + QPointF(0.5, 0), (qMin(square.width(), square.height()) - 2) * 0.38, row.glyph,
              true);
    drawFittedText(p, plate.adjusted(square.width() + 4, 0, -4, 0), QString::fromUtf8(row.label),
                   bodyFont(row.height * 0.5, true), QColor(255, 255, 255), Qt::AlignLeft | Qt::AlignVCenter);
}

void paintOption(QPainter& p, const ArtRow& row, bool on)
{
    const QRectF full(0, 0, row.width, row.height);
    const QRectF plate = full.adjusted(1.5, 1.5, -1.5, -1.5);
    if (on) {
        drawGlow(p, plate.adjusted(1, 1, -1, -1), 9, QColor(120, 255, 150), 2);
        drawPlate(p, plate.adjusted(1, 1, -1, -1), 9, QColor(40, 160, 110), QColor(10, 70, 60), QColor(180, 255, 200));
    } else {
        drawPlate(p, plate, 9, QColor(40, 52, 70), QColor(18, 24, 36), QColor(80, 100, 120));
    }
    const double captionHeight = 11;
    const QRectF iconArea(plate.left(), plate.top() + 2, plate.width(), plate.height() - captionHeight - 4);
    const double badge = qMin(iconArea.width(), iconArea.height()) * 0.42;
    drawBadge(p, iconArea.center(), badge, row.glyph, on);
    // The little lamp at the right top says on or off at a glance.
    p.save();
    p.setPen(QPen(QColor(0, 0, 0, 120), 1));
    p.setBrush(on ? QColor(130, 255, 140) : QColor(90, 40, 40));
    p.drawEllipse(QPointF(plate.right() - 7, plate.top() + 7), 3.2, 3.2);
    p.restore();
    const QRectF caption(plate.left() + 2, plate.bottom() - captionHeight - 2, plate.width() - 4, captionHeight);
    drawFittedText(p, caption, QString::fromUtf8(row.label) + (on ? QStringLiteral(" ON") : QString()),
                   bodyFont(captionHeight, true), on ? QColor(255, 255, 255) : colour::textDim, Qt::AlignCenter);
}

void paintIndicator(QPainter& p, const ArtRow& row)
{
    const QRectF plate = QRectF(0, 0, row.width, row.height).adjusted(1, 1, -1, -1);
    drawPlate(p, plate, plate.height() / 2, QColor(20, 60, 50), QColor(8, 28, 26), QColor(90, 200, 150));
    const QPointF lamp(plate.left() + plate.height() / 2 + 2, plate.center().y());
    p.save();
    QRadialGradient glow(lamp, plate.height() * 0.45);
    glow.setColorAt(0.0, QColor(200, 255, 200));
    glow.setColorAt(0.5, QColor(60, 230, 110));
    glow.setColorAt(1.0, QColor(60, 230, 110, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(lamp, plate.height() * 0.45, plate.height() * 0.45);
    p.restore();
    drawFittedText(p, plate.adjusted(plate.height() + 4, 0, -8, 0), QString::fromUtf8(row.label),
                   headingFont(plate.height() * 0.55, true), QColor(160, 255, 190), Qt::AlignLeft | Qt::AlignVCenter);
}

void paintIcon(QPainter& p, const ArtRow& row)
{
    const QRectF full(0, 0, row.width, row.height);
    QRadialGradient disc(full.center(), row.width * 0.5);
    disc.setColorAt(0.0, colour::navyLight);
    disc.setColorAt(0.9, colour::navyDeep);
    disc.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(disc);
    p.drawEllipse(full.adjusted(1, 1, -1, -1));
    drawBadge(p, full.center(), row.width * 0.40, Glyph::Shield, true);
}

}  // namespace

QImage paintRow(const ArtRow& row)
{
    QImage image = newImage(row.width, row.height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    switch (row.kind) {
    case Kind::WindowIcon:
        paintIcon(p, row);
        break;
    case Kind::Background:
        paintBackground(p, row);
        break;
    case Kind::Panel:
        paintPanel(p, row);
        break;
    case Kind::Button:
        paintButton(p, row, false);
        break;
    case Kind::ButtonLit:
        paintButton(p, row, true);
        break;
    case Kind::IconButton:
        paintIconButton(p, row, false);
        break;
    case Kind::IconButtonLit:
        paintIconButton(p, row, true);
        break;
    case Kind::RegIcon:
        paintRegIcon(p, row);
        break;
    case Kind::RegStrip:
        paintRegStrip(p, row);
        break;
    case Kind::OptionOff:
        paintOption(p, row, false);
        break;
    case Kind::OptionOn:
        paintOption(p, row, true);
        break;
    case Kind::Indicator:
        paintIndicator(p, row);
        break;
    }
    p.end();
    return image;
}

}  // namespace quenno::assets
