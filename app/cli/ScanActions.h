#pragma once
// --quarantine and --delete: what the scan screen's Quarantine and Delete do, applied to
// every detection of a finished scan.

#include "ScanReport.h"

#include "platform/Clock.h"
#include "platform/FileSystem.h"

namespace quenno::cli {

// Acts once on each detected file (however many records it matched), in the order found,
// and reports each outcome to report. Stops when the report can no longer be written:
// an action no one hears of is not taken.
void ActOnDetections(platform::FileSystem& files, const platform::Clock& clock, bool quarantine, ScanReport& report);

}  // namespace quenno::cli
