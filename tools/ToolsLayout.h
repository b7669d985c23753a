#pragma once
// Fonts and picture placement shared by the tool screens' window layouts.

#include "shell/Art.h"
#include "shell/Picture.h"
#include "shell/PictureButton.h"

#include <QFont>
#include <QStringList>

namespace quenno::tools::layout {

// The first family installed wins; a missing one is skipped silently.
inline QFont fontOf(const QStringList& families, double points)
{
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(points);
    return font;
}

inline const QStringList OcrAExtended = {"OCR A Extended", "OCR-A BT", "OCRA", "OCR A"};
inline const QStringList OcrABt = {"OCR-A BT", "OCR A Extended", "OCRA", "OCR A"};
inline const QStringList OcrB = {"OCR-B 10 BT", "OCR B"};
inline const QStringList Arial = {"Arial", "Liberation Sans", "Nimbus Sans", "DejaVu Sans"};
inline const QStringList CourierNew = {"Courier New", "Liberation Mono", "Nimbus Mono PS", "DejaVu Sans Mono"};

// A picture of the window table: its artwork, or an empty area of the table's size until
// the artwork is there.
inline shell::Picture* picture(QWidget* screen, const char* screenName, const char* name, QRect geometry)
{
    return new shell::Picture(screen, QString::fromLatin1(name),
                              shell::art(QString::fromLatin1(screenName), QString::fromLatin1(name)),
                              geometry.topLeft(), geometry.size());
}

} // namespace quenno::tools::layout
