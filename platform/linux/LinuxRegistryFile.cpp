#include "LinuxRegistryFile.h"

#include <QString>

#include <cstdio>

namespace quenno::platform::regfile {

namespace {

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Everything as UTF-8 text: the marks are dropped, UTF-16LE is converted.
std::string asUtf8(std::string_view bytes)
{
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        return std::string(bytes.substr(3));
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") {
        std::u16string units;
        units.reserve((bytes.size() - 2) / 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const auto lo = static_cast<unsigned char>(bytes[i]);
            const auto hi = static_cast<unsigned char>(bytes[i + 1]);
            units.push_back(static_cast<char16_t>(lo | (hi << 8)));
        }
        return QString::fromStdU16String(units).toStdString();
    }
    return std::string(bytes);
}

// A quoted text at the start of s ("...", with \\ and \" escapes). On success s is left
// just after the closing quote.
std::optional<std::string> takeQuoted(std::string_view& s)
{
    if (s.empty() || s.front() != '"')
        return std::nullopt;
    std::string out;
    for (std::size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\\') {
            if (i + 1 >= s.size())
                return std::nullopt;
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

std::string canonicalKeyPath(std::string_view path)
{
    const auto slash = path.find('\\');
    const std::string root = longRoot(path.substr(0, slash));
    if (root.empty())
        return std::string(path);
    return slash == std::string_view::npos ? root : root + std::string(path.substr(slash));
}

} // namespace

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

std::string longRoot(std::string_view root)
{
    static constexpr std::pair<std::string_view, std::string_view> names[] = {
        {"HKCU", "HKEY_CURRENT_USER"},   {"HKEY_CURRENT_USER", "HKEY_CURRENT_USER"},
        {"HKLM", "HKEY_LOCAL_MACHINE"},  {"HKEY_LOCAL_MACHINE", "HKEY_LOCAL_MACHINE"},
        {"HKCR", "HKEY_CLASSES_ROOT"},   {"HKEY_CLASSES_ROOT", "HKEY_CLASSES_ROOT"},
        {"HKU", "HKEY_USERS"},           {"HKEY_USERS", "HKEY_USERS"},
        {"HKCC", "HKEY_CURRENT_CONFIG"}, {"HKEY_CURRENT_CONFIG", "HKEY_CURRENT_CONFIG"},
    };
    for (const auto& [spelling, full] : names)
        if (sameName(root, spelling))
            return std::string(full);
    return {};
}

Key* Document::findKey(std::string_view path)
{
    for (Key& key : keys)
        if (sameName(key.path, path))
            return &key;
    return nullptr;
}

const Key* Document::findKey(std::string_view path) const
{
    return const_cast<Document*>(this)->findKey(path);
}

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
        if (sameName(value.name, name))
            return &value;
    return nullptr;
}

const Value* findValue(const Key& key, std::string_view name)
{
    return findValue(const_cast<Key&>(key), name);
}

std::optional<Document> parse(std::string_view bytes)
{
    const std::string text = asUtf8(bytes);
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start <= text.size();) {
        const auto end = text.find('\n', start);
        const auto stop = end == std::string::npos ? text.size() : end;
        lines.push_back(std::string_view(text).substr(start, stop - start));
        start = stop + 1;
    }

    Document document;
    bool headerSeen = false;
    Key* current = nullptr;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = trim(lines[i]);
        if (line.empty() || line.front() == ';')
            continue;
        if (!headerSeen) {
            if (line != "Windows Registry Editor Version 5.00" && line != "REGEDIT4")
                return std::nullopt;
            headerSeen = true;
            continue;
        }
        if (line.front() == '[') {
            const auto close = line.rfind(']');
            if (close == std::string_view::npos || close != line.size() - 1)
                return std::nullopt;
            std::string_view path = line.substr(1, close - 1);
            const bool removal = !path.empty() && path.front() == '-';
            if (removal)
                path.remove_prefix(1);
            if (path.empty())
                return std::nullopt;
            const std::string canonical = canonicalKeyPath(path);
            if (removal) {
                std::erase_if(document.keys, [&](const Key& key) {
                    return sameName(key.path, canonical)
                        || (key.path.size() > canonical.size() && key.path[canonical.size()] == '\\'
                            && sameName(std::string_view(key.path).substr(0, canonical.size()), canonical));
                });
                current = nullptr;
                continue;
            }
            current = &document.makeKey(canonical);
            continue;
        }
        if (!current)
            return std::nullopt;

        Value value;
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

        if (line == "-") {
            std::erase_if(current->values, [&](const Value& v) { return sameName(v.name, value.name); });
            continue;
        }
        if (!line.empty() && line.front() == '"') {
            auto data = takeQuoted(line);
            if (!data || !trim(line).empty())
                return std::nullopt;
            value.kind = Value::Kind::String;
            value.text = std::move(*data);
        } else if (line.substr(0, 6) == "dword:") {
            const std::string_view digits = line.substr(6);
            if (digits.empty() || digits.size() > 8)
                return std::nullopt;
            std::uint32_t number = 0;
            for (const char c : digits) {
                if (!isHex(c))
                    return std::nullopt;
                number = number * 16 + static_cast<std::uint32_t>(c <= '9' ? c - '0' : lower(c) - 'a' + 10);
            }
            value.kind = Value::Kind::Dword;
            value.dword = number;
        } else {
            // Byte lists may go on over further lines, each line but the last ending in "\".
            std::string data(line);
            while (!data.empty() && data.back() == '\\' && i + 1 < lines.size()) {
                data.pop_back();
                data += trim(lines[++i]);
            }
            if (!isOtherData(data))
                return std::nullopt;
            value.kind = Value::Kind::Other;
            value.text = std::move(data);
        }
        if (Value* existing = findValue(*current, value.name))
            *existing = std::move(value);
        else
            current->values.push_back(std::move(value));
    }
    return document;
}

std::string write(const Document& document)
{
    std::string out = "Windows Registry Editor Version 5.00\r\n";
    for (const Key& key : document.keys) {
        out += "\r\n[" + key.path + "]\r\n";
        for (const Value& value : key.values) {
            out += value.name.empty() ? std::string("@") : quoted(value.name);
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
            out += "\r\n";
        }
    }
    return out;
}

} // namespace quenno::platform::regfile
