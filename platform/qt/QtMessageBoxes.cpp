#include "QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace quenno::platform {

MessageBoxes::Answer QtMessageBoxes::show(const QString& text, Style style)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    switch (style) {
    case Style::Ok:
        break;
    case Style::Critical:
        icon = QMessageBox::Critical;
        break;
    case Style::Information:
        icon = QMessageBox::Information;
        break;
    case Style::YesNoQuestion:
        icon = QMessageBox::Question;
        buttons = QMessageBox::Yes | QMessageBox::No;
        break;
    }
    QMessageBox box(icon, QStringLiteral("QuennoAV"), text, buttons, QApplication::activeWindow());
    // Texts carry file names, which may look like markup.
    box.setTextFormat(Qt::PlainText);
    if (style == Style::YesNoQuestion) {
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    }
    const int clicked = box.exec();
    if (style != Style::YesNoQuestion)
        return Answer::Ok;
    return clicked == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

}  // namespace quenno::platform
