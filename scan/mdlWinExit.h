#pragma once
// Ends the running processes of a detected file.

#include "platform/ProcessTable.h"

#include <string>

namespace quenno::scan {

// Terminates every process whose image name contains name, letter case ignored. Silent:
// a process that cannot be ended is skipped. An empty name ends nothing.
void KillProcessByName(platform::ProcessTable& processes, const std::string& name);

}  // namespace quenno::scan
