#pragma once
// File-system names, paths and database.db lines are 8-bit bytes; the screens show them
// as text. UTF-8 reads as UTF-8. Every byte that is not part of a well-formed UTF-8
// sequence (a Latin-1 name, a cut sequence, an encoded surrogate) stands in the text as
// the lone surrogate U+DC80 + byte, which no well-formed text holds, so that the bytes come
// back unchanged: a path shown, kept as text and handed back to the file system still
// names the same file. Qt's own file-name conversion would put U+FFFD there and lose it.

#include <QString>

#include <string>
#include <string_view>

namespace quenno::shell {

QString TextOfBytes(std::string_view bytes);
// The bytes TextOfBytes read; other text as UTF-8 (an unpaired surrogate typed by hand
// becomes "?", as Qt writes it).
std::string BytesOfText(const QString& text);

}  // namespace quenno::shell
