#include "regedit.h"

namespace quenno::tools::regedit {

void WriteRegDword(platform::Registry* registry, const std::string& path, std::int16_t value)
{
    if (registry)
        registry->writeDword(path, static_cast<std::uint32_t>(static_cast<std::int32_t>(value)));
}

void DeleteRegValue(platform::Registry* registry, const std::string& path)
{
    if (registry)
        registry->deleteValue(path);
}

}  // namespace quenno::tools::regedit
