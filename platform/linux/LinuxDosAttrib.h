#pragma once
// The "user.DOSATTRIB" extended attribute in which file servers for Windows clients keep
// a file's DOS attributes. Two forms are found on disk: the old text form ("0x" and hex
// digits) and the binary NDR record (versions 1 to 5). We always write version 5.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quenno::platform::linux_fs {

inline constexpr const char* kDosAttribName = "user.DOSATTRIB";

struct DosAttrib {
    std::uint32_t attributes = 0;
    // Windows file time (100 ns since 1601-01-01 UTC); absent when the record holds none.
    std::optional<std::uint64_t> createTime;
};

// nullopt when the bytes are no record of a known form.
std::optional<DosAttrib> parseDosAttrib(std::span<const std::uint8_t> bytes);
// The version 5 record: empty hex text, valid flags, attributes, create time.
std::string encodeDosAttrib(const DosAttrib& record);

std::uint64_t unixToFileTime(std::int64_t seconds, std::uint32_t nanoseconds);

}  // namespace quenno::platform::linux_fs
