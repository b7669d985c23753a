#pragma once
// The volumes a test says are mounted: the root alone unless it sets others.

#include "platform/Volumes.h"

#include <vector>

namespace quenno::test {

class FixedVolumes final : public platform::Volumes {
public:
    std::vector<platform::Volume> mounted() const override { return volumes; }
    std::vector<platform::Volume> volumes{{"/", ""}};
};

}  // namespace quenno::test
