#pragma once
// Helpers shared by the parts of LinuxFileSystem.

#include "DosAttrib.h"

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quenno::platform::linux_fs {

// The stored record of an entry (never following a link). xattrSupported is cleared when
// the file system refuses user extended attributes, so a listing stops asking.
std::optional<DosAttrib> readDosAttrib(const char* path, bool* xattrSupported = nullptr);

// Attribute bits of an entry from its status, name and stored record.
std::uint32_t attributesFrom(const struct stat& st, std::string_view name, const std::optional<DosAttrib>& stored);

std::string_view baseName(std::string_view path);
std::string parentFolder(std::string_view path);

} // namespace quenno::platform::linux_fs
