#pragma once
// The two registry operations of the repair screen. Both ignore every failure: a store that
// is missing or refuses (a machine-wide value without administrator rights, a value that
// does not exist) leaves the registry as it was and the caller goes on.

#include "platform/Registry.h"

#include <cstdint>
#include <string>

namespace quenno::tools::regedit {

// Sets a REG_DWORD value, creating it and its key when absent. A negative value is stored
// as its 32-bit two's complement (-1 is 0xFFFFFFFF).
void WriteRegDword(platform::Registry* registry, const std::string& path, std::int16_t value);

void DeleteRegValue(platform::Registry* registry, const std::string& path);

}  // namespace quenno::tools::regedit
