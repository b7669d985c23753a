#include "mdlWinExit.h"

namespace quenno::scan {
namespace {

// Letters A-Z only: the comparison must not depend on the user's locale.
std::string lowerAscii(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

} // namespace

void KillProcessByName(platform::ProcessTable& processes, const std::string& name)
{
    if (name.empty())
        return;
    const std::string wanted = lowerAscii(name);
    // Every entry is compared, the first one too: the Linux process table has no idle
    // process at its head to pass over.
    for (const auto& process : processes.snapshot()) {
        if (lowerAscii(process.imageName).find(wanted) != std::string::npos)
            processes.terminate(process.pid);  // silent: a process we may not end is skipped
    }
}

} // namespace quenno::scan
