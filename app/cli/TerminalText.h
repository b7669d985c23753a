#pragma once
// How quennoscan writes names it did not choose (file names, record names) so that no
// name can start a line of its own or send the terminal a control sequence.

#include <string>
#include <string_view>

namespace quenno::cli {

// Text lines: a backslash becomes "\\", TAB "\t", LF "\n", CR "\r", and every other byte
// below 0x20, DEL (0x7F), every byte of a C1 control (U+0080 to U+009F, in UTF-8 the
// pairs C2 80 to C2 9F) and every byte that is not part of valid UTF-8 becomes "\xHH"
// (two lower-case hexadecimal digits). Everything else, valid UTF-8 included, is kept.
// The bytes are exactly recoverable from the result.
std::string EscapedText(std::string_view bytes);

// A JSON string, quotes included: the escapes of JSON for '"', '\' and bytes below 0x20,
// "\u007f" for DEL, "\u0080" to "\u009f" for the C1 controls, and "\udcHH" (a lone low
// surrogate, U+DC80 to U+DCFF) for each byte HH that is not part of valid UTF-8; valid
// UTF-8 is kept as it is. A reader that maps U+DC80..U+DCFF back to bytes 80..FF gets the
// exact bytes.
std::string JsonString(std::string_view bytes);

}  // namespace quenno::cli
