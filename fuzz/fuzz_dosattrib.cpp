// The user.DOSATTRIB attribute is written by any program with access to the file (a file
// server, a copy tool, another user's script): any bytes. A record that parses must come
// back unchanged from the form we write.

#include "FuzzCheck.h"
#include "platform/linux/LinuxDosAttrib.h"

#include <cstddef>
#include <cstdint>
#include <span>

using namespace quenno::platform::linux_fs;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto record = parseDosAttrib(std::span<const std::uint8_t>(data, size));
    if (!record)
        return 0;
    const std::string encoded = encodeDosAttrib(*record);
    const auto again = parseDosAttrib(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(encoded.data()), encoded.size()));
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(again->attributes == record->attributes);
    FUZZ_CHECK(again->createTime == record->createTime);
    return 0;
}
