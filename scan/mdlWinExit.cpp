#include "mdlWinExit.h"

#include "platform/AsciiCase.h"

namespace quenno::scan {

void KillProcessByName(platform::ProcessTable& processes, const std::string& name)
{
    if (name.empty())
        return;
    const std::string wanted = platform::asciiLower(name);
    // Every entry is compared, the first one too: the Linux process table has no idle
    // process at its head to pass over.
    for (const auto& process : processes.snapshot()) {
        if (platform::asciiLower(process.imageName).find(wanted) != std::string::npos)
            processes.terminate(process.pid);  // silent: a process we may not end is skipped
    }
}

}  // namespace quenno::scan
