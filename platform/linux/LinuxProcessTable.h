#pragma once
// The process table read from /proc.

#include "platform/ProcessTable.h"

#include <string_view>

namespace quenno::platform {

class LinuxProcessTable final : public ProcessTable {
public:
    std::vector<ProcessEntry> snapshot() const override;
    std::string imagePath(std::uint32_t pid) const override;
    bool terminate(std::uint32_t pid) override;
};

// The image name of a process: the executable's file name, or for a Windows program run
// by a compatibility loader the program's own file name from its first argument.
// cmdline is /proc/<pid>/cmdline (arguments separated by NUL), comm is /proc/<pid>/comm.
std::string imageNameFrom(std::string_view exeTarget, std::string_view cmdline, std::string_view comm);

}  // namespace quenno::platform
