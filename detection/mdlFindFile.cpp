#include "mdlFindFile.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace quenno::detection {

// A record can only ever match a computed checksum text, and such a text is canonical:
// 1 to 8 upper-case hexadecimal digits without leading zeros. Canonical texts and 32-bit
// values correspond one to one, so records are kept as (value, position) pairs sorted by
// value: a few large arrays instead of one allocation per record, quick to build for
// 100,000 records. A record whose text is not canonical never matches and is left out.
struct SignatureIndex::Impl {
    std::string nameBytes;            // every name, one after another
    std::vector<std::size_t> nameEnd; // end of name j in nameBytes
    std::vector<std::uint32_t> keys;  // sorted; keys[i] is the checksum of record positions[i]
    std::vector<std::size_t> positions;
};

namespace {

std::optional<std::uint32_t> canonicalChecksum(std::string_view text)
{
    if (text.empty() || text.size() > 8 || (text.size() > 1 && text.front() == '0'))
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : text) {
        std::uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        else
            return std::nullopt;
        value = value << 4 | digit;
    }
    return value;
}

} // namespace

SignatureIndex::SignatureIndex(const std::vector<std::string>& wName, const std::vector<std::string>& wSign)
{
    auto impl = std::make_shared<Impl>();
    // Only positions present in both lists are records.
    const std::size_t count = std::min(wName.size(), wSign.size());
    std::size_t bytes = 0;
    for (std::size_t j = 0; j < count; ++j)
        bytes += wName[j].size();
    impl->nameBytes.reserve(bytes);
    impl->nameEnd.reserve(count);
    std::vector<std::pair<std::uint32_t, std::size_t>> records;
    records.reserve(count);
    for (std::size_t j = 0; j < count; ++j) {
        impl->nameBytes += wName[j];
        impl->nameEnd.push_back(impl->nameBytes.size());
        if (const auto value = canonicalChecksum(wSign[j]))
            records.emplace_back(*value, j);
    }
    std::sort(records.begin(), records.end()); // by value, then in list order
    impl->keys.reserve(records.size());
    impl->positions.reserve(records.size());
    for (const auto& [value, j] : records) {
        impl->keys.push_back(value);
        impl->positions.push_back(j);
    }
    m_impl = std::move(impl);
}

std::span<const std::size_t> SignatureIndex::find(const std::string& text) const
{
    const auto value = canonicalChecksum(text);
    if (!value)
        return {};
    const auto& keys = m_impl->keys;
    const auto [first, last] = std::equal_range(keys.begin(), keys.end(), *value);
    return std::span<const std::size_t>(m_impl->positions).subspan(
        static_cast<std::size_t>(first - keys.begin()), static_cast<std::size_t>(last - first));
}

std::string_view SignatureIndex::name(std::size_t j) const
{
    const std::size_t begin = j == 0 ? 0 : m_impl->nameEnd[j - 1];
    return std::string_view(m_impl->nameBytes).substr(begin, m_impl->nameEnd[j] - begin);
}

bool SignatureIndex::empty() const
{
    return m_impl->keys.empty();
}

namespace {

struct Walk {
    const platform::FileSystem& files;
    const std::string pattern;  // a copy: the screen's table may be reloaded during a yield
    const SignatureIndex& signatures;
    const std::int64_t sizeLimit;
    CRC& crc;
    ScanView& view;
    const char separator;

    void folder(std::string path);
    void examine(const std::string& path, const platform::DirEntry& file);
};

void Walk::folder(std::string path)
{
    if (view.stopRequested())
        return;
    if (path.empty())
        return;
    if (path.back() != separator)
        path += separator;

    // One listing serves both passes: its kinds, lengths and attributes are all the walk
    // needs, so no entry is looked up a second time.
    const auto listing = files.listFolder(path);
    if (!listing)
        return;

    std::vector<std::string> subfolders;
    for (const auto& entry : *listing) {
        if (entry.kind == platform::EntryKind::Folder && (entry.attributes & platform::Attribute::System) == 0)
            subfolders.push_back(entry.name);
    }

    for (const auto& entry : *listing) {
        // Only regular files: links, FIFOs, sockets and devices are never opened.
        if (entry.kind != platform::EntryKind::File || !platform::wildcardMatch(pattern, entry.name))
            continue;
        if (view.stopRequested())
            return;
        examine(path, entry);
    }

    for (const auto& name : subfolders) {
        folder(path + name + separator);
        if (view.stopRequested())
            return;
    }
}

void Walk::examine(const std::string& path, const platform::DirEntry& file)
{
    const std::string fullPath = path + file.name;
    view.setStatus(fullPath);
    view.letEventsRun();
    if (sizeLimit < 0 || file.length > static_cast<std::uint64_t>(sizeLimit))
        return;
    if (signatures.empty())
        return;  // nothing to compare with: the file need not be read

    const auto matches = signatures.find(crc.FromFile(fullPath));
    // Every record that holds this checksum is reported, in list order.
    for (const std::size_t j : matches) {
        if (view.killProcessOn())
            view.killProcessesNamed(file.name);
        view.addResult(fullPath, "File " + file.name + ", detected as: " + std::string(signatures.name(j)));
    }
}

} // namespace

void FindAndMatch(const platform::FileSystem& files, std::string folder, const std::string& pattern,
                  const SignatureIndex& signatures, std::int64_t sizeLimit, CRC& crc, ScanView& view)
{
    Walk walk{files, pattern, signatures, sizeLimit, crc, view, files.separator()};
    walk.folder(std::move(folder));
}

} // namespace quenno::detection
