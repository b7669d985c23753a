// Looking values up in a store file and editing it line by line (see StoreFile).

#include "LinuxRegistryFile.h"

#include "LinuxRegistryFileDetail.h"
#include "platform/AsciiCase.h"

#include <algorithm>
#include <unordered_map>

namespace quenno::platform::regfile {

using namespace detail;

std::string_view StoreFile::content(std::size_t line) const
{
    return std::string_view(m_text).substr(m_lines[line].begin, m_lines[line].end - m_lines[line].begin);
}

std::string_view StoreFile::lineEnd(std::size_t line) const
{
    return std::string_view(m_text).substr(m_lines[line].end, m_lines[line].next - m_lines[line].end);
}

bool StoreFile::endsInBackslash(std::size_t line) const
{
    const std::string_view text = trim(content(line));
    return !text.empty() && text.back() == '\\';
}

// One pass in file order, as the lines are imported: later lines win, and a removal of
// the value, its key or a key above it drops what came before.
StoreFile::Place StoreFile::place(std::string_view keyPath, std::string_view name) const
{
    const std::string key = canonicalKeyPath(keyPath);
    Place place;
    bool inKey = false;
    const auto named = [&](const Item& item) {
        const auto written = valueName(trim(content(item.first)));
        return written && equalsIgnoringAsciiCase(*written, name);
    };
    for (std::size_t index = 0; index < m_items.size(); ++index) {
        const Item& item = m_items[index];
        switch (item.kind) {
        case Item::Kind::Section:
            inKey = sameKey(keyPathAt(item), key);
            if (inKey)
                place.lastContent = item.first;
            break;
        case Item::Kind::KeyRemoval:
            inKey = false;
            if (keyWithin(keyPathAt(item), key)) {
                place.live.clear();
                place.lastContent = -1;
            }
            break;
        case Item::Kind::Assign:
        case Item::Kind::ValueRemoval:
            if (!inKey)
                break;
            place.lastContent = item.last;
            if (named(item)) {
                if (item.kind == Item::Kind::ValueRemoval)
                    place.live.clear();
                else
                    place.live.push_back(index);
            }
            break;
        case Item::Kind::Unreadable:
            if (inKey)
                place.lastContent = item.last;
            break;
        }
    }
    return place;
}

std::optional<Value> StoreFile::find(std::string_view key, std::string_view name) const
{
    const Place at = place(key, name);
    if (at.live.empty())
        return std::nullopt;
    return readValueLine(m_items[at.live.back()].first)->value;
}

std::string StoreFile::set(std::string_view keyPath, const Value& value) const
{
    const Place at = place(keyPath, value.name);
    std::vector<Splice> splices;
    const auto addHeader = [&] {
        if (!m_headerSeen)
            splices.push_back({0, 0, std::string(kHeader) + m_newline});
    };

    if (!at.live.empty()) {
        const Item& item = m_items[at.live.back()];
        const Value existing = readValueLine(item.first)->value;
        if (sameData(existing, value))
            return apply({});
        Value replacement = value;
        replacement.name = existing.name;  // the spelling it was written with
        const std::string_view first = content(item.first);
        const std::size_t indent = first.find_first_not_of(" \t");
        addHeader();
        splices.push_back({m_lines[item.first].begin + indent, m_lines[item.last].end, valueLine(replacement)});
        return apply(std::move(splices));
    }

    addHeader();
    if (at.lastContent >= 0) {
        // At the end of the key's last part in effect.
        const auto after = static_cast<std::size_t>(at.lastContent);
        const std::string_view end = lineEnd(after);
        if (end.empty())
            splices.push_back({m_lines[after].end, m_lines[after].end, breakAfterLastLine() + valueLine(value)});
        else
            splices.push_back({m_lines[after].next, m_lines[after].next, valueLine(value) + std::string(end)});
        return apply(std::move(splices));
    }

    // A new key at the end, one blank line from what is before it.
    std::string text;
    if (!m_text.empty() && m_text.back() != '\n')
        text += breakAfterLastLine();
    if (m_lines.empty() || !trim(content(m_lines.size() - 1)).empty())
        text += m_newline;
    text += "[" + canonicalKeyPath(keyPath) + "]" + m_newline + valueLine(value) + m_newline;
    splices.push_back({m_text.size(), m_text.size(), std::move(text)});
    return apply(std::move(splices));
}

std::string StoreFile::breakAfterLastLine() const
{
    return m_newline == "\n" && !m_text.empty() && m_text.back() == '\r' ? std::string("\r\n") : m_newline;
}

std::optional<std::string> StoreFile::remove(std::string_view key, std::string_view name) const
{
    const Place at = place(key, name);
    if (at.live.empty())
        return std::nullopt;
    std::vector<Splice> splices;
    for (const std::size_t index : at.live) {
        const Item& item = m_items[index];
        // After a line ending in "\" the next line could be read as its continuation: a
        // blank line stays between them.
        const bool keepApart = item.first > 0 && endsInBackslash(item.first - 1);
        splices.push_back(
            {m_lines[item.first].begin, keepApart ? m_lines[item.last].end : m_lines[item.last].next, {}});
    }
    return apply(std::move(splices));
}

std::string StoreFile::apply(std::vector<Splice> splices) const
{
    std::stable_sort(splices.begin(), splices.end(), [](const Splice& a, const Splice& b) {
        return a.begin < b.begin;
    });
    // Built in one piece: a store can be megabytes, and each copy of it costs.
    std::string text;
    std::size_t size = m_prefix.size() + m_text.size() + m_suffix.size();
    for (const Splice& splice : splices)
        size += splice.text.size() - (splice.end - splice.begin);
    text.reserve(size);
    if (m_encoding == Encoding::Utf8)
        text += m_prefix;
    std::size_t at = 0;
    for (const Splice& splice : splices) {
        text.append(m_text, at, splice.begin - at);
        text += splice.text;
        at = splice.end;
    }
    text.append(m_text, at, std::string::npos);
    if (m_encoding == Encoding::Utf16Le)
        return m_prefix + utf16LeFromUtf8(text) + m_suffix;
    return text;
}

bool StoreFile::holds(std::string_view bytes) const
{
    if (m_encoding == Encoding::Utf16Le)
        return bytes == apply({});
    return bytes.size() == m_prefix.size() + m_text.size() && bytes.substr(0, m_prefix.size()) == m_prefix
        && bytes.substr(m_prefix.size()) == m_text;
}

Document StoreFile::document() const
{
    Document document;
    std::unordered_map<std::string, std::size_t> index;  // lower-case path to key
    Key* current = nullptr;
    for (const Item& item : m_items) {
        switch (item.kind) {
        case Item::Kind::Section: {
            const std::string path = canonicalKeyPath(keyPathAt(item));
            const auto [at, added] = index.emplace(asciiLower(path), document.keys.size());
            if (added)
                document.keys.push_back(Key{path, {}});
            current = &document.keys[at->second];
            break;
        }
        case Item::Kind::KeyRemoval: {
            const std::string gone = canonicalKeyPath(keyPathAt(item));
            std::erase_if(document.keys, [&](const Key& key) {
                return keyWithin(gone, key.path);
            });
            index.clear();
            for (std::size_t k = 0; k < document.keys.size(); ++k)
                index.emplace(asciiLower(document.keys[k].path), k);
            current = nullptr;
            break;
        }
        case Item::Kind::Assign:
        case Item::Kind::ValueRemoval: {
            if (!current)
                break;  // never: value lines are items only inside a key
            ValueLine line = *readValueLine(item.first);
            if (line.removal)
                std::erase_if(current->values, [&](const Value& v) {
                    return equalsIgnoringAsciiCase(v.name, line.value.name);
                });
            else if (Value* existing = findValue(*current, line.value.name))
                *existing = std::move(line.value);
            else
                current->values.push_back(std::move(line.value));
            break;
        }
        case Item::Kind::Unreadable:
            break;
        }
    }
    return document;
}

}  // namespace quenno::platform::regfile
