// The registry-export grammar: what each line of a store file means.

#include "LinuxRegistryFile.h"

#include "LinuxRegistryFileDetail.h"
#include "platform/AsciiCase.h"

#include <cstdio>

namespace quenno::platform::regfile {

using namespace detail;

namespace {

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A quoted text at the start of s. On success s is left just after the closing quote.
std::optional<std::string> takeQuoted(std::string_view& s)
{
    if (s.empty() || s.front() != '"')
        return std::nullopt;
    std::string out;
    for (std::size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
            out.push_back(s[++i]);
        } else if (c == '"') {
            s.remove_prefix(i + 1);
            return out;
        } else {
            out.push_back(c);
        }
    }
    return std::nullopt;
}

std::string quoted(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"')
            out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

// The data of hex values: byte pairs separated by commas.
bool isHexList(std::string_view s)
{
    for (const char c : s)
        if (!isHex(c) && c != ',' && c != ' ' && c != '\t')
            return false;
    return true;
}

// "hex:", "hex(2):" ... followed by the byte list.
bool isOtherData(std::string_view data)
{
    if (data.substr(0, 3) != "hex")
        return false;
    data.remove_prefix(3);
    if (!data.empty() && data.front() == '(') {
        const auto close = data.find(')');
        if (close == std::string_view::npos || close == 1)
            return false;
        for (const char c : data.substr(1, close - 1))
            if (!isHex(c))
                return false;
        data.remove_prefix(close + 1);
    }
    if (data.empty() || data.front() != ':')
        return false;
    return isHexList(data.substr(1));
}

// A further line of a byte list ("  45,00,00,00" or "  45,00,\"). Only such lines are taken
// into a value whose line ends in "\": a stray backslash never swallows the next value.
bool isContinuation(std::string_view line)
{
    if (!line.empty() && line.back() == '\\')
        line.remove_suffix(1);
    return !line.empty() && isHexList(line);
}

std::optional<std::uint32_t> dwordData(std::string_view digits)
{
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t number = 0;
    for (const char c : digits) {
        if (!isHex(c))
            return std::nullopt;
        number = number * 16 + static_cast<std::uint32_t>(c <= '9' ? c - '0' : asciiLower(c) - 'a' + 10);
    }
    return number;
}

void appendUtf8(std::string& out, std::uint32_t code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

void appendUtf16Le(std::string& out, std::uint32_t unit)
{
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
}

}  // namespace

namespace detail {

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::string_view longRootView(std::string_view root)
{
    static constexpr std::pair<std::string_view, std::string_view> names[] = {
        {"HKCU", "HKEY_CURRENT_USER"},   {"HKEY_CURRENT_USER", "HKEY_CURRENT_USER"},
        {"HKLM", "HKEY_LOCAL_MACHINE"},  {"HKEY_LOCAL_MACHINE", "HKEY_LOCAL_MACHINE"},
        {"HKCR", "HKEY_CLASSES_ROOT"},   {"HKEY_CLASSES_ROOT", "HKEY_CLASSES_ROOT"},
        {"HKU", "HKEY_USERS"},           {"HKEY_USERS", "HKEY_USERS"},
        {"HKCC", "HKEY_CURRENT_CONFIG"}, {"HKEY_CURRENT_CONFIG", "HKEY_CURRENT_CONFIG"},
    };
    for (const auto& [spelling, full] : names)
        if (equalsIgnoringAsciiCase(root, spelling))
            return full;
    return {};
}

bool sameKey(std::string_view written, std::string_view canonical)
{
    const auto slash = written.find('\\');
    const std::string_view root = longRootView(written.substr(0, slash));
    if (root.empty())
        return equalsIgnoringAsciiCase(written, canonical);
    const std::string_view rest = slash == std::string_view::npos ? std::string_view() : written.substr(slash);
    return canonical.size() == root.size() + rest.size() && canonical.substr(0, root.size()) == root
        && equalsIgnoringAsciiCase(canonical.substr(root.size()), rest);
}

bool keyWithin(std::string_view written, std::string_view canonical)
{
    const std::string above = canonicalKeyPath(written);
    return equalsIgnoringAsciiCase(canonical.substr(0, above.size()), above)
        && (canonical.size() == above.size() || canonical[above.size()] == '\\');
}

std::optional<std::string> valueName(std::string_view line)
{
    if (!line.empty() && line.front() == '@')
        return std::string();
    return takeQuoted(line);
}

std::string canonicalKeyPath(std::string_view path)
{
    const auto slash = path.find('\\');
    const std::string root = longRoot(path.substr(0, slash));
    if (root.empty())
        return std::string(path);
    return slash == std::string_view::npos ? root : root + std::string(path.substr(slash));
}

std::string valueLine(const Value& value)
{
    std::string out = value.name.empty() ? std::string("@") : quoted(value.name);
    out += '=';
    switch (value.kind) {
    case Value::Kind::String:
        out += quoted(value.text);
        break;
    case Value::Kind::Dword: {
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08x", static_cast<unsigned>(value.dword));
        out += digits;
        break;
    }
    case Value::Kind::Other:
        out += value.text;
        break;
    }
    return out;
}

std::string utf8FromUtf16Le(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    const auto unit = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]))
            | static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const std::uint32_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
            const std::uint32_t next = unit(i + 2);
            if (next >= 0xDC00 && next < 0xE000) {
                appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00));
                i += 2;
                continue;
            }
        }
        appendUtf8(out, u);
    }
    return out;
}

std::string utf16LeFromUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() * 2);
    const auto byte = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(text[i]));
    };
    const auto follows = [&](std::size_t i, std::size_t n) {
        for (std::size_t k = 1; k <= n; ++k)
            if (i + k >= text.size() || (byte(i + k) & 0xC0) != 0x80)
                return false;
        return true;
    };
    for (std::size_t i = 0; i < text.size();) {
        const std::uint32_t b = byte(i);
        std::uint32_t code = 0xFFFD;  // a byte that begins no sequence
        std::size_t length = 1;
        if (b < 0x80) {
            code = b;
        } else if (b >= 0xC2 && b < 0xE0 && follows(i, 1)) {
            code = (b & 0x1F) << 6 | (byte(i + 1) & 0x3F);
            length = 2;
        } else if (b >= 0xE0 && b < 0xF0 && follows(i, 2)) {
            code = (b & 0x0F) << 12 | (byte(i + 1) & 0x3F) << 6 | (byte(i + 2) & 0x3F);
            length = 3;
            if (code < 0x800)
                code = 0xFFFD, length = 1;
        } else if (b >= 0xF0 && b < 0xF5 && follows(i, 3)) {
            code = (b & 0x07) << 18 | (byte(i + 1) & 0x3F) << 12 | (byte(i + 2) & 0x3F) << 6 | (byte(i + 3) & 0x3F);
            length = 4;
            if (code < 0x10000 || code > 0x10FFFF)
                code = 0xFFFD, length = 1;
        }
        if (code >= 0x10000) {
            appendUtf16Le(out, 0xD800 + ((code - 0x10000) >> 10));
            appendUtf16Le(out, 0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            appendUtf16Le(out, code);
        }
        i += length;
    }
    return out;
}

}  // namespace detail

bool sameData(const Value& a, const Value& b)
{
    if (a.kind != b.kind)
        return false;
    return a.kind == Value::Kind::Dword ? a.dword == b.dword : a.text == b.text;
}

std::string longRoot(std::string_view root) { return std::string(longRootView(root)); }

Key* Document::findKey(std::string_view path)
{
    for (Key& key : keys)
        if (equalsIgnoringAsciiCase(key.path, path))
            return &key;
    return nullptr;
}

const Key* Document::findKey(std::string_view path) const { return const_cast<Document*>(this)->findKey(path); }

Key& Document::makeKey(std::string_view path)
{
    if (Key* key = findKey(path))
        return *key;
    keys.push_back(Key{std::string(path), {}});
    return keys.back();
}

Value* findValue(Key& key, std::string_view name)
{
    for (Value& value : key.values)
        if (equalsIgnoringAsciiCase(value.name, name))
            return &value;
    return nullptr;
}

const Value* findValue(const Key& key, std::string_view name) { return findValue(const_cast<Key&>(key), name); }

std::optional<Document> parse(std::string_view bytes)
{
    const StoreFile file{std::string(bytes)};
    if (!file.unreadable().empty() || file.headerMissing())
        return std::nullopt;
    return file.document();
}

std::string write(const Document& document)
{
    std::string out = std::string(kHeader) + "\r\n";
    for (const Key& key : document.keys) {
        out += "\r\n[" + key.path + "]\r\n";
        for (const Value& value : key.values)
            out += valueLine(value) + "\r\n";
    }
    return out;
}

StoreFile::StoreFile(std::string bytes)
{
    if (std::string_view(bytes).substr(0, 3) == "\xEF\xBB\xBF") {
        m_prefix = bytes.substr(0, 3);
        bytes.erase(0, 3);
        m_text = std::move(bytes);
    } else if (std::string_view(bytes).substr(0, 2) == "\xFF\xFE") {
        m_encoding = Encoding::Utf16Le;
        m_prefix = bytes.substr(0, 2);
        const std::string_view units = std::string_view(bytes).substr(2);
        m_text = utf8FromUtf16Le(units);
        if (units.size() % 2 != 0)
            m_suffix = units.substr(units.size() - 1);
    } else {
        m_text = std::move(bytes);  // the usual case: no copy of a large store
    }
    read();
}

void StoreFile::markUnreadable(std::size_t line)
{
    m_unreadable.push_back({line + 1, std::string(content(line))});
    m_contentSeen = true;
}

// Every line in turn, as the registry editor imports them: later lines win, "[-key]" and
// "name"=- remove what came before.
void StoreFile::read()
{
    for (std::size_t start = 0; start < m_text.size();) {
        const auto newline = m_text.find('\n', start);
        if (newline == std::string::npos) {
            const auto size = static_cast<std::uint32_t>(m_text.size());
            m_lines.push_back({static_cast<std::uint32_t>(start), size, size});
            break;
        }
        const std::size_t end = (newline > start && m_text[newline - 1] == '\r') ? newline - 1 : newline;
        if (m_lines.empty())  // new lines end like the file's first one
            m_newline = m_text.substr(end, newline + 1 - end);
        m_lines.push_back({static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end),
                           static_cast<std::uint32_t>(newline + 1)});
        start = newline + 1;
    }

    m_items.reserve(m_lines.size());
    bool inKey = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const auto at = static_cast<std::uint32_t>(i);
        const std::string_view line = trim(content(i));
        if (line.empty() || line.front() == ';')
            continue;
        if (line == kHeader || line == kOldHeader) {
            // Only the first counts; a repeated one means nothing and does no harm.
            m_headerSeen = m_headerSeen || !m_contentSeen;
            continue;
        }
        if (line.front() == '[') {
            inKey = false;
            std::string_view path = line.substr(1, line.size() - 2);
            const bool removal = !path.empty() && path.front() == '-';
            if (removal)
                path.remove_prefix(1);
            if (line.back() != ']' || line.size() < 2 || path.empty()) {
                markUnreadable(i);
                continue;
            }
            m_contentSeen = true;
            m_items.push_back({removal ? Item::Kind::KeyRemoval : Item::Kind::Section, at, at});
            inKey = !removal;
            continue;
        }
        if (!inKey) {
            markUnreadable(i);  // a value outside a key
            continue;
        }
        const auto value = readValueLine(i);
        if (!value) {
            // Still the key's line: a value added to the key goes after it, so it is the
            // later line for any reader that makes more of this one than we do.
            markUnreadable(i);
            m_items.push_back({Item::Kind::Unreadable, at, at});
            continue;
        }
        m_contentSeen = true;
        m_items.push_back({value->removal ? Item::Kind::ValueRemoval : Item::Kind::Assign, at,
                           static_cast<std::uint32_t>(value->last)});
        i = value->last;
    }
}

// A value line: "name"=data, @=data or "name"=-, with the further lines of a byte list.
std::optional<StoreFile::ValueLine> StoreFile::readValueLine(std::size_t i) const
{
    std::string_view line = trim(content(i));
    ValueLine result{{}, false, i};
    Value& value = result.value;
    if (line.front() == '@') {
        line.remove_prefix(1);
    } else {
        auto name = takeQuoted(line);
        if (!name)
            return std::nullopt;
        value.name = std::move(*name);
    }
    line = trim(line);
    if (line.empty() || line.front() != '=')
        return std::nullopt;
    line = trim(line.substr(1));
    if (line.empty())
        return std::nullopt;

    if (line == "-") {
        result.removal = true;
    } else if (line.front() == '"') {
        auto data = takeQuoted(line);
        if (!data || !trim(line).empty())
            return std::nullopt;
        value.kind = Value::Kind::String;
        value.text = std::move(*data);
    } else if (line.substr(0, 6) == "dword:") {
        const auto number = dwordData(line.substr(6));
        if (!number)
            return std::nullopt;
        value.kind = Value::Kind::Dword;
        value.dword = *number;
    } else {
        std::string data(line);
        while (!data.empty() && data.back() == '\\' && result.last + 1 < m_lines.size()
               && isContinuation(trim(content(result.last + 1)))) {
            data.pop_back();
            data += trim(content(++result.last));
        }
        if (!isOtherData(data))
            return std::nullopt;
        value.kind = Value::Kind::Other;
        value.text = std::move(data);
    }
    return result;
}

std::string_view StoreFile::keyPathAt(const Item& item) const
{
    std::string_view path = trim(content(item.first));
    path = path.substr(1, path.size() - 2);
    if (item.kind == Item::Kind::KeyRemoval)
        path.remove_prefix(1);
    return path;
}

}  // namespace quenno::platform::regfile
