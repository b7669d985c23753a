#pragma once
// A process table of the test's own: nothing real is ever ended. Each attempt to end a
// process is recorded, refused for the process ids the test names.

#include "platform/ProcessTable.h"

#include <map>
#include <set>

namespace quenno::test {

class FakeProcessTable final : public platform::ProcessTable {
public:
    std::vector<platform::ProcessEntry> snapshot() const override { return entries; }
    std::string imagePath(std::uint32_t pid) const override
    {
        const auto found = paths.find(pid);
        return found == paths.end() ? std::string() : found->second;
    }
    bool terminate(std::uint32_t pid) override
    {
        attempted.push_back(pid);
        return !refused.contains(pid);
    }

    std::vector<platform::ProcessEntry> entries;
    std::map<std::uint32_t, std::string> paths;  // no path: "" as for a process we may not read
    std::set<std::uint32_t> refused;
    std::vector<std::uint32_t> attempted;  // in the order asked
};

}  // namespace quenno::test
