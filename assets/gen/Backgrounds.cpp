#include "Backgrounds.h"
#include "Theme.h"

#include <QPainter>
#include <QFontMetricsF>
#include <QPainterPath>

#include <cstring>

namespace quenno::assets {

namespace {

bool is(const ArtRow& row, const char* screen, const char* name)
{
    return std::strcmp(row.screen, screen) == 0 && std::strcmp(row.name, name) == 0;
}

void caption(QPainter& p, const QRectF& r, const QString& text, double size = 11,
             const QColor& colour = colour::textDim, int flags = Qt::AlignLeft | Qt::AlignVCenter)
{
    drawFittedText(p, r, text, bodyFont(size), colour, flags);
}

void paragraph(QPainter& p, const QRectF& r, const QString& text, double size, const QColor& colour)
{
    p.save();
    p.setFont(bodyFont(size));
    p.setPen(colour);
    p.drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    p.restore();
}

// The logo: shield and product name.
void logo(QPainter& p, QPointF topLeft, double height)
{
    drawBadge(p, topLeft + QPointF(height * 0.45, height * 0.5), height * 0.5, Glyph::Shield, true);
    QFont font = headingFont(height * 0.62, true);
    p.save();
    p.setFont(font);
    const QRectF text(topLeft.x() + height * 1.05, topLeft.y(), height * 6, height);
    p.setPen(QColor(0, 0, 0, 160));
    p.drawText(text.translated(2, 2), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quenno"));
    p.setPen(colour::text);
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quenno"));
    const double quennoWidth = QFontMetricsF(font).horizontalAdvance(QStringLiteral("Quenno"));
    p.setPen(colour::teal);
    p.drawText(text.translated(quennoWidth, 0), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("AV"));
    p.restore();
}

void frame(QPainter& p, const QRectF& r, double radius = 10)
{
    p.save();
    p.setPen(QPen(QColor(50, 130, 160, 170), 1));
    p.setBrush(QColor(6, 16, 30, 150));
    p.drawRoundedRect(r, radius, radius);
    p.restore();
}

void mainWindow(QPainter& p, const QRectF& full)
{
    drawBackdrop(p, full);
    // Header band with the logo.
    QLinearGradient band(0, 0, 0, 130);
    band.setColorAt(0.0, QColor(10, 30, 50, 230));
    band.setColorAt(1.0, QColor(10, 30, 50, 0));
    p.fillRect(QRectF(0, 0, full.width(), 130), band);
    logo(p, QPointF(36, 36), 62);
    caption(p, QRectF(106, 98, 300, 18), QStringLiteral("CRC-32 signature anti-virus"), 13, colour::teal);
    // Accent line under the header.
    QLinearGradient line(0, 0, full.width(), 0);
    line.setColorAt(0.0, QColor(24, 190, 176, 0));
    line.setColorAt(0.3, colour::teal);
    line.setColorAt(1.0, QColor(24, 190, 176, 0));
    p.fillRect(QRectF(0, 134, full.width(), 2), line);
    // Menu column behind the five large buttons.
    frame(p, QRectF(30, 150, 196, 272), 12);
    caption(p, QRectF(46, 158, 160, 20), QStringLiteral("MENU"), 13, colour::teal);
    // Tray of the four small buttons.
    frame(p, QRectF(418, 432, 204, 58), 10);
    caption(p, QRectF(300, 450, 106, 22), QStringLiteral("Tools"), 13, colour::teal, Qt::AlignRight | Qt::AlignVCenter);
    // Footer.
    caption(p, QRectF(36, 470, 360, 16), QStringLiteral("Files are known by the CRC-32 of their content."), 11);
    caption(p, QRectF(36, 488, 360, 16), QStringLiteral("Keep database.db up to date."), 11);
}

// The scan screen: one 500 × 500 scene; its upper 383 rows are IScanBack.
QImage scanScene()
{
    QImage image = newImage(500, 500);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF full(0, 0, 500, 500);
    drawBackdrop(p, full);
    drawTitle(p, QRectF(8, 6, 484, 40), QStringLiteral("Scanner"), Glyph::Scan);
    frame(p, QRectF(10, 52, 172, 326), 10);
    frame(p, QRectF(200, 52, 290, 172), 10);
    caption(p, QRectF(300, 58, 180, 18), QStringLiteral("Database date"), 11);
    drawLcd(p, QRectF(300, 77, 137, 23));
    caption(p, QRectF(284, 104, 180, 18), QStringLiteral("Signatures"), 11);
    drawLcd(p, QRectF(347, 124, 43, 33));
    caption(p, QRectF(184, 212, 100, 16), QStringLiteral("Folder to scan"), 11);
    drawWell(p, QRectF(184, 232, 281, 21));
    drawWell(p, QRectF(184, 264, 281, 130));
    // Lower part: status line, option hints and the progress animation.
    p.fillRect(QRectF(0, 396, 500, 104), QColor(4, 10, 20, 120));
    QLinearGradient line(0, 0, 500, 0);
    line.setColorAt(0.0, QColor(24, 190, 176, 0));
    line.setColorAt(0.5, colour::teal);
    line.setColorAt(1.0, QColor(24, 190, 176, 0));
    p.fillRect(QRectF(0, 397, 500, 1), line);
    frame(p, QRectF(6, 398, 158, 99), 8);
    // The status line and the option hints are dark text: they sit on a pale display.
    drawLcd(p, QRectF(183, 403, 296, 86));
    p.end();
    return image;
}

void secondaryFrame(QPainter& p, const QRectF& full, const QString& title, Glyph glyph)
{
    drawBackdrop(p, full);
    drawTitle(p, QRectF(8, 8, full.width() - 16, 40), title, glyph);
}

void quarantine(QPainter& p, const QRectF& full)
{
    secondaryFrame(p, full, QStringLiteral("Quarantine"), Glyph::Quarantine);
    caption(p, QRectF(48, 72, 257, 20), QStringLiteral("Files kept away from harm"), 12);
    drawWell(p, QRectF(48, 104, 257, 253));
}

void checksum(QPainter& p, const QRectF& full)
{
    secondaryFrame(p, full, QStringLiteral("Check CRC"), Glyph::Check);
    caption(p, QRectF(56, 72, 241, 20), QStringLiteral("Pick a file to see its CRC-32"), 12);
    drawWell(p, QRectF(56, 104, 241, 146));
    drawWell(p, QRectF(56, 264, 137, 20));
    drawWell(p, QRectF(200, 264, 97, 19));
    drawWell(p, QRectF(56, 296, 241, 114));
    caption(p, QRectF(20, 414, 290, 16), QStringLiteral("Add it to database.db as name;checksum"), 10);
}

void process(QPainter& p, const QRectF& full)
{
    secondaryFrame(p, full, QStringLiteral("Process Manager"), Glyph::Process);
    caption(p, QRectF(24, 52, 137, 16), QStringLiteral("Program"), 11);
    caption(p, QRectF(176, 52, 80, 16), QStringLiteral("Id"), 11);
    drawWell(p, QRectF(24, 72, 137, 228));
    drawWell(p, QRectF(176, 72, 65, 228));
    caption(p, QRectF(250, 72, 70, 60), QStringLiteral("Running"), 10, colour::teal, Qt::AlignLeft | Qt::AlignTop);
    caption(p, QRectF(24, 304, 100, 14), QStringLiteral("Path"), 10);
    drawLcd(p, QRectF(20, 318, 289, 29));
    caption(p, QRectF(24, 356, 100, 17), QStringLiteral("Size"), 11);
    drawLcd(p, QRectF(124, 353, 129, 23));
}

void registry(QPainter& p, const QRectF& full)
{
    drawBackdrop(p, full);
    drawTitle(p, QRectF(8, 3, full.width() - 16, 32), QStringLiteral("Registry Tools"), Glyph::Registry);
    frame(p, QRectF(18, 92, 230, 284), 10);
    caption(p, QRectF(28, 100, 210, 20), QStringLiteral("Repairs"), 12, colour::teal);
    // Dim names beside the resting icons; the lit strip covers them with the bright label.
    struct Slot {
        double x, y;
        const char* text;
    };
    static constexpr Slot kSlots[] = {
        {62, 128, "Folder Options"},       {62, 165, "Registry Editor"},       {62, 201, "Command Prompt"},
        {62, 236, "File Name Extensions"}, {62, 271, "Hidden & System Files"}, {62, 304, "Task Manager"},
        {62, 337, "Run Command"},          {289, 40, "System Restore"},        {289, 80, "Restore Attributes"},
    };
    for (const Slot& s : kSlots)
        caption(p, QRectF(s.x, s.y, 170, 30), QString::fromUtf8(s.text), 11);
    drawWell(p, QRectF(280, 120, 145, 19));
    drawWell(p, QRectF(280, 152, 145, 146));
    drawWell(p, QRectF(280, 304, 145, 114));
}

void aboutNormal(QPainter& p, const QRectF& full)
{
    drawBackdrop(p, full);
    logo(p, QPointF(30, 60), 54);
    caption(p, QRectF(30, 130, 270, 20), QStringLiteral("CRC-32 signature anti-virus"), 13, colour::teal,
            Qt::AlignCenter);
    QRadialGradient halo(QPointF(163, 205), 80);
    halo.setColorAt(0.0, QColor(24, 190, 176, 70));
    halo.setColorAt(1.0, QColor(24, 190, 176, 0));
    p.fillRect(QRectF(60, 150, 210, 110), halo);
    drawBadge(p, QPointF(163, 205), 40, Glyph::Shield, false);
}

void aboutCredits(QPainter& p, const QRectF& full)
{
    drawBackdrop(p, full);
    logo(p, QPointF(40, 24), 44);
    caption(p, QRectF(20, 100, 287, 24), QStringLiteral("Credits"), 18, colour::cyan, Qt::AlignCenter);
    paragraph(p, QRectF(30, 140, 267, 140),
              QStringLiteral("QuennoAV is made by a small team who think a virus checker should be plain, "
                             "fast and honest about what it does.\n\nThank you for using it."),
              12, colour::text);
    // The movie plays in this frame.
    frame(p, QRectF(11, 299, 195, 123), 8);
    caption(p, QRectF(212, 300, 108, 76), QStringLiteral("Enjoy the music"), 11, colour::teal,
            Qt::AlignCenter | Qt::TextWordWrap);
}

}  // namespace

void paintBackground(QPainter& p, const ArtRow& row)
{
    const QRectF full(0, 0, row.width, row.height);
    if (is(row, "FormUtama", "Image1"))
        mainWindow(p, full);
    else if (is(row, "FormScan", "Picture") || is(row, "FormScan", "IScanBack"))
        p.drawImage(0, 0, scanScene(), 0, 0, row.width, row.height);
    else if (is(row, "FormQuarantine", "IQuaBackground"))
        quarantine(p, full);
    else if (is(row, "FormCRCGen", "Image1"))
        checksum(p, full);
    else if (is(row, "FormProcess", "Image1"))
        process(p, full);
    else if (is(row, "FormRegTools", "Image1"))
        registry(p, full);
    else if (is(row, "FormAbout", "Image1"))
        aboutNormal(p, full);
    else if (is(row, "FormAbout", "Image2"))
        aboutCredits(p, full);
    else
        drawBackdrop(p, full);
}

void paintPanel(QPainter& p, const ArtRow& row)
{
    const QRectF full(0, 0, row.width, row.height);
    const QRectF plate = full.adjusted(1, 1, -1, -1);
    drawPlate(p, plate, 12, QColor(22, 48, 78), QColor(8, 20, 38), QColor(60, 150, 170));
    if (is(row, "FormUtama", "Iwelcom")) {
        drawBadge(p, QPointF(40, 42), 24, Glyph::Shield, true);
        caption(p, QRectF(76, 18, 280, 26), QStringLiteral("Welcome"), 20, colour::cyan);
        caption(p, QRectF(76, 44, 280, 18), QStringLiteral("to QuennoAV"), 13, colour::teal);
        paragraph(p, QRectF(20, 82, 335, 180),
                  QStringLiteral("QuennoAV knows harmful files by the CRC-32 checksum of their content, "
                                 "compared with the list in database.db.\n\n"
                                 "Scan a folder, then delete what is found or move it to quarantine. "
                                 "Point at a button to light it up; click to use it."),
                  13, colour::text);
    } else if (is(row, "FormUtama", "IQuickBack")) {
        drawBadge(p, QPointF(34, 32), 18, Glyph::QuickHelp, true);
        caption(p, QRectF(62, 16, 290, 30), QStringLiteral("Quick Help"), 20, colour::cyan);
        struct Line {
            const char* head;
            const char* text;
        };
        static constexpr Line lines[] = {
            {"Scan", "choose a folder, press Scan"},           {"Delete", "removes a found file"},
            {"Quarantine", "keeps a copy away, then removes"}, {"Check CRC", "checksum of any file"},
            {"Update", "edit database.db: name;checksum"},     {"Process", "list and end programs"},
            {"Registry", "undo locks put by malware"},         {"Home", "closes this help"},
        };
        double y = 58;
        for (const Line& line : lines) {
            caption(p, QRectF(20, y, 110, 22), QString::fromUtf8(line.head), 12, colour::teal);
            caption(p, QRectF(128, y, 236, 22), QString::fromUtf8(line.text), 12, colour::text);
            y += 26;
        }
    } else {
        // About lower panel; the two buttons sit on its bottom strip.
        caption(p, QRectF(16, 12, 290, 22), QStringLiteral("QuennoAV 1.0"), 17, colour::cyan);
        paragraph(p, QRectF(16, 40, 292, 70),
                  QStringLiteral("Anti-virus by CRC-32 signatures.\nSignature list: database.db\n"
                                 "Copyright (c) the Quenno developers"),
                  11, colour::text);
    }
}

}  // namespace quenno::assets
