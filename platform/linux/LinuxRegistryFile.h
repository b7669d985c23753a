#pragma once
// The registry-export text format that the Linux registry store keeps its keys in: a file
// people can read and that the Windows registry editor can import.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Example]
//   "Path"="C:\\Program Files\\Example"
//   "Count"=dword:0000000a
//
// Key paths are compared without case (ASCII letters), as the Windows registry does, and
// keep the spelling they were created with. Values of other types (hex:, hex(2):, ...) are
// kept as they were written.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quenno::platform::regfile {

struct Value {
    enum class Kind { String, Dword, Other };
    std::string name;            // "" is the key's default value, written "@"
    Kind kind = Kind::String;
    std::string text;            // String: the data; Other: the data text after "=" (e.g. hex(2):41,00)
    std::uint32_t dword = 0;
};

struct Key {
    std::string path;            // full path, root in long form ("HKEY_CURRENT_USER\Software\X")
    std::vector<Value> values;
};

struct Document {
    std::vector<Key> keys;

    Key* findKey(std::string_view path);
    const Key* findKey(std::string_view path) const;
    Key& makeKey(std::string_view path);  // found or appended
};

Value* findValue(Key& key, std::string_view name);
const Value* findValue(const Key& key, std::string_view name);

bool sameName(std::string_view a, std::string_view b);  // ASCII letters without case

// The long form of a root name in any spelling ("HKCU", "hkey_current_user"), or "".
std::string longRoot(std::string_view root);

// nullopt when the bytes are not a registry file (no header, a line that means nothing,
// a value outside a key). Empty content is an empty document. UTF-8 with or without a
// byte-order mark, and UTF-16LE with its mark (as the Windows registry editor exports).
std::optional<Document> parse(std::string_view bytes);

// UTF-8 without a byte-order mark, CRLF line ends, one blank line between keys.
std::string write(const Document& document);

} // namespace quenno::platform::regfile
