#pragma once
// The pieces of the registry-export grammar that reading and editing share.

#include "LinuxRegistryFile.h"

#include <optional>
#include <string>
#include <string_view>

namespace quenno::platform::regfile::detail {

inline constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
inline constexpr std::string_view kOldHeader = "REGEDIT4";

std::string_view trim(std::string_view text);  // spaces, tabs, and CRs at the end

// A key path with its root in the long form ("HKCU\X" is "HKEY_CURRENT_USER\X"); a path
// with another root is kept as it is.
std::string canonicalKeyPath(std::string_view path);

std::string_view longRootView(std::string_view root);  // as longRoot

// Whether a key path as written in a file names the key of a canonical path, or a key
// above it (within).
bool sameKey(std::string_view written, std::string_view canonical);
bool keyWithin(std::string_view written, std::string_view canonical);

// The name of a value line ("name"=... or @=...); nullopt when the line has none.
std::optional<std::string> valueName(std::string_view line);

// One line of a value, without a line end: "name"=data or @=data.
std::string valueLine(const Value& value);

// Text as UTF-8 and back: UTF-16LE units become UTF-8, a surrogate without its partner as
// its own three bytes, so that turning the text back gives the same units.
std::string utf8FromUtf16Le(std::string_view bytes);
std::string utf16LeFromUtf8(std::string_view text);

}  // namespace quenno::platform::regfile::detail
