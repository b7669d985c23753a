#include "Fonts.h"

namespace quenno::shell::fonts {

const QStringList OcrA = {"OCR A Extended", "OCR-A BT", "OCRA", "OCR A"};
const QStringList OcrB = {"OCR-B 10 BT", "OCR B"};
const QStringList Arial = {"Arial", "Liberation Sans", "Nimbus Sans", "DejaVu Sans"};
const QStringList MsSansSerif = {"MS Sans Serif", "Microsoft Sans Serif", "DejaVu Sans"};
const QStringList CourierNew = {"Courier New", "Liberation Mono", "Nimbus Mono PS", "DejaVu Sans Mono"};

QFont fontOf(const QStringList& families, double points, bool bold)
{
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

}  // namespace quenno::shell::fonts
