#pragma once
// quennoscan's two commands, each ending in its exit status.

#include "LineOutput.h"
#include "ScanArguments.h"

#include "platform/Clock.h"
#include "platform/FileSystem.h"

namespace quenno::cli {

// Scans every operand with the list's rules and reports as ScanReport does; then, with
// --quarantine or --delete, acts on what was found (the clock names quarantined copies).
int RunScan(const ScanArguments& arguments, platform::FileSystem& files, const platform::Clock& clock, LineOutput& out,
            LineOutput& errors);
// The checksum text of each file, a TAB and its path.
int RunChecksums(const ScanArguments& arguments, const platform::FileSystem& files, LineOutput& out,
                 LineOutput& errors);
// After a command: the status it gave, or 2 with a line on stderr when stdout failed.
int ClosingStatus(int status, LineOutput& out, LineOutput& errors);

}  // namespace quenno::cli
