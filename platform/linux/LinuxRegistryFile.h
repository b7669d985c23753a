#pragma once
// The registry-export text format that the Linux registry store keeps its keys in: a file
// people can read and edit, and that the Windows registry editor can import.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Example]
//   "Path"="C:\\Program Files\\Example"
//   "Count"=dword:0000000a
//
// Key paths are compared without case (ASCII letters), as the Windows registry does, and
// keep the spelling they were created with. Values of other types (hex:, hex(2):, ...) are
// kept as they were written. In quoted text "\\" is a backslash and "\"" a quote; a
// backslash before anything else stands for itself, as people write paths by hand.
//
// The file belongs to the user as much as to us: it is edited, never regenerated (see
// StoreFile).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quenno::platform::regfile {

struct Value {
    enum class Kind { String, Dword, Other };
    std::string name;  // "" is the key's default value, written "@"
    Kind kind = Kind::String;
    std::string text;  // String: the data; Other: the data text after "=" (e.g. hex(2):41,00)
    std::uint32_t dword = 0;
};

bool sameData(const Value& a, const Value& b);  // kind and data, not the name

struct Key {
    std::string path;  // full path, root in long form ("HKEY_CURRENT_USER\Software\X")
    std::vector<Value> values;
};

// The values of a file as a plain list, for small files: lookups go through every key.
struct Document {
    std::vector<Key> keys;

    Key* findKey(std::string_view path);
    const Key* findKey(std::string_view path) const;
    Key& makeKey(std::string_view path);  // found or appended
};

Value* findValue(Key& key, std::string_view name);
const Value* findValue(const Key& key, std::string_view name);

// The long form of a root name in any spelling ("HKCU", "hkey_current_user"), or "".
std::string longRoot(std::string_view root);

// The values in effect, or nullopt when any line cannot be read or the header is missing.
// Empty content is an empty document.
std::optional<Document> parse(std::string_view bytes);

// A whole new file: UTF-8 without a byte-order mark, CRLF line ends, one blank line
// between keys. Editing an empty StoreFile value by value gives the same bytes.
std::string write(const Document& document);

// A store file as it is on disk, line by line: UTF-8 with or without a byte-order mark, or
// UTF-16LE with its mark (as the Windows registry editor exports). Reading never fails: a
// line that means nothing is listed in unreadable(), passed over and kept, so it costs no
// other value. An edit gives the bytes of the whole file in the encoding it came in, where
// only the lines of the value it names change; every other byte stays, line ends included.
// A lookup or an edit is one pass over the lines, whatever the number of keys.
class StoreFile {
public:
    explicit StoreFile(std::string bytes);

    // Whether these are the bytes it was read from (an edit that changed nothing gives them).
    bool holds(std::string_view bytes) const;

    struct Unreadable {
        std::size_t line;  // 1-based
        std::string text;  // the line, without its line end
    };
    const std::vector<Unreadable>& unreadable() const { return m_unreadable; }
    // Keys or values come before any header line (the header is put on top at a change).
    bool headerMissing() const { return !m_headerSeen && m_contentSeen; }

    // The value in effect (later lines win, removals included); nullopt when there is none.
    std::optional<Value> find(std::string_view key, std::string_view name) const;
    // The file with the value set: its line is replaced where it is in effect, else added at
    // the end of its key, else in a new key at the end. The same bytes when it already holds
    // that data.
    std::string set(std::string_view key, const Value& value) const;
    // The file without the value (every line that would give it); nullopt when it has none.
    std::optional<std::string> remove(std::string_view key, std::string_view name) const;

    Document document() const;  // the values in effect, in file order

private:
    // Offsets and line numbers fit 32 bits: stores are far smaller than 4 GB.
    struct Line {
        std::uint32_t begin, end, next;  // content [begin, end), line end [end, next)
    };
    struct Item {
        enum class Kind : std::uint8_t { Section, KeyRemoval, Assign, ValueRemoval, Unreadable } kind;
        std::uint32_t first, last;  // lines
    };
    struct ValueLine {
        Value value;
        bool removal;  // "name"=-
        std::size_t last;  // the last line it takes
    };
    // Where a value stands in the file: the lines that give it, and where its key ends.
    struct Place {
        std::vector<std::size_t> live;  // items that could give it (after its last removal)
        std::ptrdiff_t lastContent = -1;  // last line of the key's last part in effect; -1: none
    };
    enum class Encoding { Utf8, Utf16Le };

    void read();
    void markUnreadable(std::size_t line);
    std::optional<ValueLine> readValueLine(std::size_t line) const;
    std::string_view keyPathAt(const Item& item) const;
    std::string_view content(std::size_t line) const;
    std::string_view lineEnd(std::size_t line) const;
    bool endsInBackslash(std::size_t line) const;
    Place place(std::string_view key, std::string_view name) const;
    struct Splice {
        std::size_t begin, end;
        std::string text;
    };
    std::string apply(std::vector<Splice> splices) const;
    // The break that ends a last line that has none: the file's own, but CR LF where a lone
    // LF would make the line's own final CR part of the break.
    std::string breakAfterLastLine() const;

    Encoding m_encoding = Encoding::Utf8;
    std::string m_prefix;  // byte-order mark
    std::string m_text;  // UTF-8 (from UTF-16: surrogates without a partner kept, WTF-8)
    std::string m_suffix;  // a last odd byte of UTF-16
    std::string m_newline = "\r\n";
    std::vector<Line> m_lines;
    std::vector<Item> m_items;
    std::vector<Unreadable> m_unreadable;
    bool m_headerSeen = false;
    bool m_contentSeen = false;
};

}  // namespace quenno::platform::regfile
