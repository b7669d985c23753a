#pragma once
// UTF-8 as the Linux parts check and show the byte strings they are given: names and
// paths are bytes, and only some of them are text.

#include <cstddef>
#include <string>
#include <string_view>

namespace quenno::platform::linux_fs {

// Length of the well-formed UTF-8 sequence at text[at] (1 to 4), 0 when none starts there
// (a stray continuation byte, an overlong form, a surrogate, past U+10FFFF, cut short).
std::size_t utf8SequenceAt(std::string_view text, std::size_t at);
bool isUtf8(std::string_view text);
// The text as a message can show it: control characters become '?', bytes that are not
// UTF-8 U+FFFD, and text longer than maxUnits UTF-16 units is cut to maxUnits - 3 and "...".
std::string shownText(std::string_view text, std::size_t maxUnits);

}  // namespace quenno::platform::linux_fs
