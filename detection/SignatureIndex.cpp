#include "SignatureIndex.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

namespace quenno::detection {

// A record can only ever match a computed checksum text, and such a text is canonical:
// 1 to 8 upper-case hexadecimal digits without leading zeros. Canonical texts and 32-bit
// values correspond one to one, so records are kept as (value, position) pairs sorted by
// value: a few large arrays instead of one allocation per record, quick to build for
// 100,000 records. A record whose text is not canonical never matches and is left out.
struct SignatureIndex::Impl {
    std::string nameBytes;               // holds every name (the names, or the whole file)
    std::vector<std::size_t> nameStart;  // name j is nameBytes[nameStart[j], nameEnd[j])
    std::vector<std::size_t> nameEnd;
    std::vector<std::uint32_t> keys;     // sorted; keys[i] is the checksum of record positions[i]
    std::vector<std::size_t> positions;

    void addRecord(std::size_t start, std::size_t end, std::string_view checksum);
    void sortRecords();

private:
    std::vector<std::pair<std::uint32_t, std::size_t>> m_records;
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

void SignatureIndex::Impl::addRecord(std::size_t start, std::size_t end, std::string_view checksum)
{
    const std::size_t j = nameStart.size();
    nameStart.push_back(start);
    nameEnd.push_back(end);
    if (const auto value = canonicalChecksum(checksum))
        m_records.emplace_back(*value, j);
}

void SignatureIndex::Impl::sortRecords()
{
    std::sort(m_records.begin(), m_records.end()); // by value, then in list order
    keys.reserve(m_records.size());
    positions.reserve(m_records.size());
    for (const auto& [value, j] : m_records) {
        keys.push_back(value);
        positions.push_back(j);
    }
    m_records = {};
}

SignatureIndex::SignatureIndex(std::shared_ptr<const Impl> impl) : m_impl(std::move(impl)) {}

SignatureIndex::SignatureIndex(const std::vector<std::string>& wName, const std::vector<std::string>& wSign)
{
    auto impl = std::make_shared<Impl>();
    // Only positions present in both lists are records.
    const std::size_t count = std::min(wName.size(), wSign.size());
    std::size_t bytes = 0;
    for (std::size_t j = 0; j < count; ++j)
        bytes += wName[j].size();
    impl->nameBytes.reserve(bytes);
    impl->nameStart.reserve(count);
    impl->nameEnd.reserve(count);
    for (std::size_t j = 0; j < count; ++j) {
        const std::size_t start = impl->nameBytes.size();
        impl->nameBytes += wName[j];
        impl->addRecord(start, impl->nameBytes.size(), wSign[j]);
    }
    impl->sortRecords();
    m_impl = std::move(impl);
}

SignatureIndex SignatureIndex::FromDatabaseText(std::string text)
{
    auto impl = std::make_shared<Impl>();
    impl->nameBytes = std::move(text);
    const char* const all = impl->nameBytes.data();
    const std::size_t size = impl->nameBytes.size();
    // Records are short: a guess from the length saves growing the arrays many times.
    const std::size_t guess = size / 24 + 1;
    impl->nameStart.reserve(guess);
    impl->nameEnd.reserve(guess);

    // Lines end at CR LF only; empty lines and lines holding NUL are not entries, and the
    // first entry is the settings line. Fields end at ";": a record is name;checksum[;...].
    bool settingsSeen = false;
    std::size_t start = 0;
    while (start < size) {
        std::size_t end = start;
        for (;;) {
            const void* cr = std::memchr(all + end, '\r', size - end);
            if (!cr) {
                end = size;
                break;
            }
            end = static_cast<std::size_t>(static_cast<const char*>(cr) - all);
            if (end + 1 < size && all[end + 1] == '\n')
                break;
            ++end;
        }
        const std::string_view line(all + start, end - start);
        start = end + 2;
        if (line.empty() || std::memchr(line.data(), '\0', line.size()))
            continue;
        if (!settingsSeen) {
            settingsSeen = true;
            continue;
        }
        const std::size_t nameLength = std::min(line.find(';'), line.size());
        const std::size_t lineStart = static_cast<std::size_t>(line.data() - all);
        std::string_view checksum;
        if (nameLength < line.size()) {
            checksum = line.substr(nameLength + 1);
            checksum = checksum.substr(0, checksum.find(';'));
        }
        impl->addRecord(lineStart, lineStart + nameLength, checksum);
    }
    impl->sortRecords();
    return SignatureIndex(std::move(impl));
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
    return std::string_view(m_impl->nameBytes).substr(m_impl->nameStart[j], m_impl->nameEnd[j] - m_impl->nameStart[j]);
}

bool SignatureIndex::empty() const
{
    return m_impl->keys.empty();
}

} // namespace quenno::detection
