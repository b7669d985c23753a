// Looking values up in a store file and editing it line by line (see StoreFile).

#include "LinuxRegistryFile.h"

#include "LinuxRegistryFileDetail.h"

#include <algorithm>

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

// The last line that removed the key or one of the keys above it; -1 when none did.
std::ptrdiff_t StoreFile::cutoff(const std::string& lowerKey) const
{
    std::ptrdiff_t cut = -1;
    for (std::size_t end = lowerKey.find('\\');; end = lowerKey.find('\\', end + 1)) {
        const auto entry = m_keys.find(end == std::string::npos ? lowerKey : lowerKey.substr(0, end));
        if (entry != m_keys.end())
            cut = std::max(cut, entry->second.removedAt);
        if (end == std::string::npos)
            return cut;
    }
}

const StoreFile::ValueEntry* StoreFile::valueEntry(std::string_view key, std::string_view name) const
{
    const auto entry = m_values.find(valueId(lowerAscii(canonicalKeyPath(key)), name));
    return entry == m_values.end() ? nullptr : &entry->second;
}

// The assignments after the last removal: every one that could be the value in effect.
std::vector<std::size_t> StoreFile::live(const ValueEntry& entry, std::ptrdiff_t cut) const
{
    cut = std::max(cut, entry.removedAt);
    std::vector<std::size_t> items;
    for (const std::size_t item : entry.assignments)
        if (static_cast<std::ptrdiff_t>(m_items[item].first) > cut)
            items.push_back(item);
    return items;
}

const Value* StoreFile::find(std::string_view key, std::string_view name) const
{
    const ValueEntry* entry = valueEntry(key, name);
    if (!entry)
        return nullptr;
    const std::vector<std::size_t> items = live(*entry, cutoff(lowerAscii(canonicalKeyPath(key))));
    return items.empty() ? nullptr : &m_items[items.back()].value;
}

std::string StoreFile::set(std::string_view keyPath, const Value& value) const
{
    const std::string key = canonicalKeyPath(keyPath);
    const std::string lowerKey = lowerAscii(key);
    const std::ptrdiff_t cut = cutoff(lowerKey);
    std::vector<Splice> splices;
    const auto addHeader = [&] {
        if (!m_headerSeen)
            splices.push_back({0, 0, std::string(kHeader) + m_newline});
    };

    if (const ValueEntry* entry = valueEntry(key, value.name)) {
        const std::vector<std::size_t> items = live(*entry, cut);
        if (!items.empty()) {
            const Item& item = m_items[items.back()];
            if (sameData(item.value, value))
                return apply({});
            Value replacement = value;
            replacement.name = item.value.name;  // the spelling it was written with
            const std::string_view first = content(item.first);
            const std::size_t indent = first.size() - first.substr(first.find_first_not_of(" \t")).size();
            addHeader();
            splices.push_back({m_lines[item.first].begin + indent, m_lines[item.last].end, valueLine(replacement)});
            return apply(std::move(splices));
        }
    }

    addHeader();
    const auto keyEntry = m_keys.find(lowerKey);
    if (keyEntry != m_keys.end() && !keyEntry->second.sections.empty()
        && static_cast<std::ptrdiff_t>(keyEntry->second.sections.back().header) > cut) {
        // At the end of the key's last part in effect, after its last value.
        const std::size_t after = keyEntry->second.sections.back().lastContent;
        const std::string_view end = lineEnd(after);
        if (end.empty())
            splices.push_back({m_lines[after].end, m_lines[after].end, m_newline + valueLine(value)});
        else
            splices.push_back({m_lines[after].next, m_lines[after].next, valueLine(value) + std::string(end)});
        return apply(std::move(splices));
    }

    // A new key at the end, one blank line from what is before it.
    std::string text;
    if (!m_text.empty() && m_text.back() != '\n')
        text += m_newline;
    if (m_lines.empty() || !trim(content(m_lines.size() - 1)).empty())
        text += m_newline;
    text += "[" + key + "]" + m_newline + valueLine(value) + m_newline;
    splices.push_back({m_text.size(), m_text.size(), std::move(text)});
    return apply(std::move(splices));
}

std::optional<std::string> StoreFile::remove(std::string_view key, std::string_view name) const
{
    const ValueEntry* entry = valueEntry(key, name);
    if (!entry)
        return std::nullopt;
    const std::vector<std::size_t> items = live(*entry, cutoff(lowerAscii(canonicalKeyPath(key))));
    if (items.empty())
        return std::nullopt;
    std::vector<Splice> splices;
    for (const std::size_t index : items) {
        const Item& item = m_items[index];
        // After a line ending in "\" the next line could be read as its continuation: a
        // blank line stays between them.
        const bool keepApart = item.first > 0 && endsInBackslash(item.first - 1);
        splices.push_back({m_lines[item.first].begin, keepApart ? m_lines[item.last].end : m_lines[item.last].next, {}});
    }
    return apply(std::move(splices));
}

std::string StoreFile::apply(std::vector<Splice> splices) const
{
    std::stable_sort(splices.begin(), splices.end(), [](const Splice& a, const Splice& b) { return a.begin < b.begin; });
    std::string text;
    std::size_t size = m_text.size();
    for (const Splice& splice : splices)
        size += splice.text.size() - (splice.end - splice.begin);
    text.reserve(size);
    std::size_t at = 0;
    for (const Splice& splice : splices) {
        text.append(m_text, at, splice.begin - at);
        text += splice.text;
        at = splice.end;
    }
    text.append(m_text, at, std::string::npos);
    if (m_encoding == Encoding::Utf16Le)
        return m_prefix + utf16LeFromUtf8(text) + m_suffix;
    return m_prefix + text + m_suffix;
}

Document StoreFile::document() const
{
    Document document;
    std::unordered_map<std::string, std::size_t> index;  // lower-case path to key
    const auto reindex = [&] {
        index.clear();
        for (std::size_t k = 0; k < document.keys.size(); ++k)
            index.emplace(lowerAscii(document.keys[k].path), k);
    };
    Key* current = nullptr;
    for (const Item& item : m_items) {
        switch (item.kind) {
        case Item::Kind::Section: {
            const auto [at, added] = index.emplace(lowerAscii(item.key), document.keys.size());
            if (added)
                document.keys.push_back(Key{item.key, {}});
            current = &document.keys[at->second];
            break;
        }
        case Item::Kind::KeyRemoval: {
            const std::string& gone = item.key;
            std::erase_if(document.keys, [&](const Key& key) {
                return sameName(std::string_view(key.path).substr(0, gone.size()), gone)
                    && (key.path.size() == gone.size() || key.path[gone.size()] == '\\');
            });
            reindex();
            current = nullptr;
            break;
        }
        case Item::Kind::Assign:
            if (!current)
                break;  // an Assign always follows its Section: never reached
            if (Value* existing = findValue(*current, item.value.name))
                *existing = item.value;
            else
                current->values.push_back(item.value);
            break;
        case Item::Kind::ValueRemoval:
            if (current)
                std::erase_if(current->values, [&](const Value& v) { return sameName(v.name, item.value.name); });
            break;
        }
    }
    return document;
}

} // namespace quenno::platform::regfile
