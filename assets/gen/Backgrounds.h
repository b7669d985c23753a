#pragma once
// Screen backgrounds and text panels: each knows where its screen's lists, text boxes and
// labels sit, and draws a well or a caption for them.

#include "ArtTable.h"

class QPainter;

namespace quenno::assets {

void paintBackground(QPainter& p, const ArtRow& row);
void paintPanel(QPainter& p, const ArtRow& row);

}  // namespace quenno::assets
