#pragma once
// The fonts the window tables name, with the families that stand in for each where it is
// not installed, and the one way a screen makes a font from them.

#include <QFont>
#include <QStringList>

namespace quenno::shell::fonts {

// OCR-A under each of its published names ("OCR A Extended", "OCR-A BT", ...).
extern const QStringList OcrA;
extern const QStringList OcrB;
extern const QStringList Arial;
extern const QStringList MsSansSerif;
extern const QStringList CourierNew;

// The first family of the list that is installed wins; a missing one is skipped silently.
QFont fontOf(const QStringList& families, double points, bool bold = false);

}  // namespace quenno::shell::fonts
