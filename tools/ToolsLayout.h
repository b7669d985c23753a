#pragma once
// Picture placement shared by the tool screens' window layouts, and the fonts they name.

#include "shell/Art.h"
#include "shell/Fonts.h"
#include "shell/Picture.h"
#include "shell/PictureButton.h"

namespace quenno::tools::layout {

using namespace shell::fonts;

// A picture of the window table: its artwork, or an empty area of the table's size until
// the artwork is there.
inline shell::Picture* picture(QWidget* screen, const char* screenName, const char* name, QRect geometry)
{
    return new shell::Picture(screen, QString::fromLatin1(name),
                              shell::art(QString::fromLatin1(screenName), QString::fromLatin1(name)),
                              geometry.topLeft(), geometry.size());
}

}  // namespace quenno::tools::layout
