#pragma once
#include "ArtTable.h"

#include <QImage>

namespace quenno::assets {

// The picture of one table row, exactly row.width × row.height.
QImage paintRow(const ArtRow& row);

}  // namespace quenno::assets
