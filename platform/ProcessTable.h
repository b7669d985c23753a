#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace quenno::platform {

struct ProcessEntry {
    std::uint32_t pid = 0;
    std::string imageName;  // file name of the executable, no folder
};

class ProcessTable {
public:
    virtual ~ProcessTable() = default;
    // Running processes in process-id order.
    virtual std::vector<ProcessEntry> snapshot() const = 0;
    // Full path of the process's executable, or "" when it cannot be read.
    virtual std::string imagePath(std::uint32_t pid) const = 0;
    // Ends the process at once. Refuses (false) for this program's own process and for pid 1.
    virtual bool terminate(std::uint32_t pid) = 0;
};

}  // namespace quenno::platform
