#include "Theme.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace quenno::assets {

namespace {

QString g_heading = QStringLiteral("DejaVu Sans");
QString g_body = QStringLiteral("DejaVu Sans");

QString familyOf(const char* file)
{
    const int id = QFontDatabase::addApplicationFont(QString::fromUtf8(file));
    if (id < 0)
        return {};
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    return families.isEmpty() ? QString() : families.first();
}

QFont makeFont(const QString& family, double pixelSize, bool bold)
{
    QFont font(family);
    font.setPixelSize(qMax(1, qRound(pixelSize)));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

}  // namespace

void loadFonts()
{
    const QString a = familyOf("/usr/share/fonts/truetype/ocr-a/OCRA.ttf");
    if (!a.isEmpty())
        g_heading = a;
    const QString b = familyOf("/usr/share/fonts/opentype/ocr-b/OCRB.otf");
    if (!b.isEmpty())
        g_body = b;
    familyOf("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    familyOf("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");
}

QFont headingFont(double pixelSize, bool bold) { return makeFont(g_heading, pixelSize, bold); }
QFont bodyFont(double pixelSize, bool bold) { return makeFont(g_body, pixelSize, bold); }
QFont symbolFont(double pixelSize) { return makeFont(QStringLiteral("DejaVu Sans"), pixelSize, true); }

QString glyphText(Glyph glyph)
{
    switch (glyph) {
    case Glyph::None:
    case Glyph::Shield:
        return {};
    case Glyph::Home:
        return QStringLiteral("\u2302");
    case Glyph::Scan:
        return QStringLiteral("\u25CE");
    case Glyph::Quarantine:
        return QStringLiteral("\u2623");
    case Glyph::Check:
        return QStringLiteral("\u2713");
    case Glyph::Exit:
        return QStringLiteral("\u2715");
    case Glyph::Help:
        return QStringLiteral("?");
    case Glyph::About:
        return QStringLiteral("i");
    case Glyph::Update:
        return QStringLiteral("\u21BB");
    case Glyph::Process:
        return QStringLiteral("\u2699");
    case Glyph::Registry:
        return QStringLiteral("\u2692");
    case Glyph::QuickHelp:
        return QStringLiteral("\u2726");
    case Glyph::Browse:
        return QStringLiteral("\u2026");
    case Glyph::Stop:
        return QStringLiteral("\u25A0");
    case Glyph::Delete:
        return QStringLiteral("\u2716");
    case Glyph::Kill:
        return QStringLiteral("\u2620");
    case Glyph::Startup:
        return QStringLiteral("\u25B6");
    case Glyph::Tray:
        return QStringLiteral("\u25A3");
    case Glyph::ClearList:
        return QStringLiteral("\u2630");
    case Glyph::FullScan:
        return QStringLiteral("\u25C9");
    case Glyph::Attributes:
        return QStringLiteral("A");
    case Glyph::Restore:
        return QStringLiteral("\u21BA");
    case Glyph::FolderOptions:
        return QStringLiteral("\u2750");
    case Glyph::RegEdit:
        return QStringLiteral("\u270E");
    case Glyph::Command:
        return QStringLiteral(">_");
    case Glyph::Extensions:
        return QStringLiteral(".*");
    case Glyph::Hidden:
        return QStringLiteral("\u25D0");
    case Glyph::Task:
        return QStringLiteral("\u25A6");
    case Glyph::Run:
        return QStringLiteral("\u27A4");
    case Glyph::Close:
        return QStringLiteral("\u2715");
    case Glyph::Ok:
        return QStringLiteral("\u2713");
    case Glyph::Credits:
        return QStringLiteral("\u2605");
    }
    return {};
}

QImage newImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void drawPlate(QPainter& p, const QRectF& r, double radius, const QColor& top, const QColor& bottom, const QColor& rim)
{
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0.0, top);
    fill.setColorAt(1.0, bottom);
    p.save();
    p.setPen(QPen(rim, 1.2));
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(0.6, 0.6, -0.6, -0.6), radius, radius);
    // A highlight along the upper half gives the plate some depth.
    QLinearGradient shine(r.topLeft(), QPointF(r.left(), r.center().y()));
    shine.setColorAt(0.0, QColor(255, 255, 255, 60));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    QRectF upper = r.adjusted(2, 2, -2, 0);
    upper.setHeight(r.height() / 2 - 1);
    p.drawRoundedRect(upper, radius * 0.7, radius * 0.7);
    p.restore();
}

void drawGlow(QPainter& p, const QRectF& r, double radius, const QColor& colour, int spread)
{
    p.save();
    p.setBrush(Qt::NoBrush);
    for (int i = spread; i >= 1; --i) {
        QColor c = colour;
        c.setAlpha(qBound(0, 90 / i, 255));
        p.setPen(QPen(c, 1.5));
        p.drawRoundedRect(r.adjusted(-i + 0.5, -i + 0.5, i - 0.5, i - 0.5), radius + i, radius + i);
    }
    p.restore();
}

void drawShield(QPainter& p, const QRectF& r, bool lit)
{
    QPainterPath path;
    const double w = r.width();
    const double h = r.height();
    path.moveTo(r.left() + w / 2, r.top());
    path.cubicTo(r.left() + w * 0.75, r.top() + h * 0.1, r.right(), r.top() + h * 0.12, r.right(), r.top() + h * 0.12);
    path.cubicTo(r.right(), r.top() + h * 0.6, r.left() + w * 0.75, r.top() + h * 0.85, r.left() + w / 2, r.bottom());
    path.cubicTo(r.left() + w * 0.25, r.top() + h * 0.85, r.left(), r.top() + h * 0.6, r.left(), r.top() + h * 0.12);
    path.cubicTo(r.left(), r.top() + h * 0.12, r.left() + w * 0.25, r.top() + h * 0.1, r.left() + w / 2, r.top());
    QLinearGradient fill(r.topLeft(), r.bottomRight());
    fill.setColorAt(0.0, lit ? colour::cyan : colour::teal);
    fill.setColorAt(1.0, colour::tealDark);
    p.save();
    p.setPen(QPen(colour::text, qMax(1.0, w / 28)));
    p.setBrush(fill);
    p.drawPath(path);
    // A check mark inside the shield.
    QPainterPath tick;
    tick.moveTo(r.left() + w * 0.28, r.top() + h * 0.48);
    tick.lineTo(r.left() + w * 0.45, r.top() + h * 0.64);
    tick.lineTo(r.left() + w * 0.74, r.top() + h * 0.32);
    p.setPen(QPen(Qt::white, qMax(1.5, w / 9), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
    p.restore();
}

void drawBadge(QPainter& p, QPointF centre, double radius, Glyph glyph, bool lit)
{
    p.save();
    if (glyph == Glyph::Shield) {
        drawShield(p, QRectF(centre.x() - radius * 0.85, centre.y() - radius, radius * 1.7, radius * 2), lit);
        p.restore();
        return;
    }
    QRadialGradient fill(centre - QPointF(radius * 0.3, radius * 0.4), radius * 1.4);
    fill.setColorAt(0.0, lit ? QColor(190, 255, 255) : QColor(60, 170, 170));
    fill.setColorAt(1.0, lit ? colour::teal : colour::tealDark);
    p.setPen(QPen(lit ? QColor(230, 255, 255) : QColor(90, 160, 170), 1.0));
    p.setBrush(fill);
    p.drawEllipse(centre, radius, radius);
    const QString text = glyphText(glyph);
    QFont font = symbolFont(radius * (text.size() > 1 ? 1.0 : 1.25));
    p.setFont(font);
    p.setPen(lit ? colour::navyDeep : colour::text);
    const QRectF box(centre.x() - radius, centre.y() - radius, radius * 2, radius * 2);
    p.drawText(box, Qt::AlignCenter, text);
    p.restore();
}

void drawFittedText(QPainter& p, const QRectF& r, const QString& text, QFont font, const QColor& colour, int flags)
{
    if (text.isEmpty())
        return;
    double size = font.pixelSize();
    while (size > 6) {
        font.setPixelSize(qRound(size));
        const QFontMetricsF fm(font);
        if (fm.horizontalAdvance(text) <= r.width() && fm.height() <= r.height() + 2)
            break;
        size -= 1;
    }
    p.save();
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 150));
    p.drawText(r.translated(1, 1), flags, text);
    p.setPen(colour);
    p.drawText(r, flags, text);
    p.restore();
}

void drawWell(QPainter& p, const QRectF& r, const QString& caption)
{
    p.save();
    p.setPen(QPen(QColor(60, 110, 140), 1));
    p.setBrush(QColor(5, 12, 24));
    p.drawRoundedRect(r.adjusted(-2.5, -2.5, 2.5, 2.5), 4, 4);
    if (!caption.isEmpty()) {
        p.setFont(bodyFont(11));
        p.setPen(colour::textDim);
        p.drawText(QRectF(r.left() - 2, r.top() - 21, r.width() + 4, 16), Qt::AlignLeft | Qt::AlignBottom, caption);
    }
    p.restore();
}

void drawLcd(QPainter& p, const QRectF& r)
{
    p.save();
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0.0, QColor(222, 242, 238));
    fill.setColorAt(1.0, QColor(190, 220, 214));
    p.setPen(QPen(QColor(60, 150, 160), 1.5));
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(0.75, 0.75, -0.75, -0.75), 5, 5);
    // A thin inner shadow along the top edge makes it look set into the plate.
    p.setPen(QPen(QColor(0, 40, 50, 60), 1));
    p.drawLine(QPointF(r.left() + 4, r.top() + 2.5), QPointF(r.right() - 4, r.top() + 2.5));
    p.restore();
}

void drawBackdrop(QPainter& p, const QRectF& r)
{
    QLinearGradient fill(r.topLeft(), r.bottomRight());
    fill.setColorAt(0.0, colour::navyLight);
    fill.setColorAt(0.45, colour::navy);
    fill.setColorAt(1.0, colour::navyDeep);
    p.fillRect(r, fill);
    p.save();
    p.setPen(QPen(QColor(60, 140, 170, 22), 1));
    for (double x = r.left() + 0.5; x < r.right(); x += 20)
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
    for (double y = r.top() + 0.5; y < r.bottom(); y += 20)
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    // A soft light in the upper left corner.
    QRadialGradient light(r.topLeft() + QPointF(r.width() * 0.2, r.height() * 0.1), r.width() * 0.8);
    light.setColorAt(0.0, QColor(40, 200, 200, 40));
    light.setColorAt(1.0, QColor(40, 200, 200, 0));
    p.fillRect(r, light);
    p.restore();
}

void drawTitle(QPainter& p, const QRectF& band, const QString& title, Glyph glyph)
{
    drawPlate(p, band, 8, colour::navyLight, colour::navyDeep, QColor(50, 120, 150));
    const double r = band.height() * 0.34;
    drawBadge(p, QPointF(band.left() + r + 8, band.center().y()), r, glyph, true);
    drawFittedText(p, band.adjusted(2 * r + 16, 0, -8, 0), title, headingFont(band.height() * 0.5), colour::cyan,
                   Qt::AlignLeft | Qt::AlignVCenter);
}

}  // namespace quenno::assets
