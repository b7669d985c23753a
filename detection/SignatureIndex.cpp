#include "SignatureIndex.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <tuple>
#include <utility>

namespace quenno::detection {

// A record can only ever match a computed checksum text, and such a text is canonical:
// 1 to 8 upper-case hexadecimal digits without leading zeros. Canonical texts and 32-bit
// values correspond one to one, so records are kept by value in a few flat arrays instead
// of one allocation per record, quick to build for 100,000 records. A record whose text is
// not canonical never matches and is left out.
struct SignatureIndex::Impl {
    std::string nameBytes;               // holds every name (the names, or the whole file)
    // Name j is nameBytes[nameStart[j], nameEnd[j]). Offsets are 32-bit, which halves the
    // fresh memory a load touches; a record lying past 4 GiB of names is never matched.
    std::vector<std::uint32_t> nameStart;
    std::vector<std::uint32_t> nameEnd;
    // Records sorted by checksum value, then by position. The ones whose value has the
    // upper half h are [bucketEnd[h - 1], bucketEnd[h]) (from 0 for h = 0); within a bucket
    // only the lower half is kept.
    std::vector<std::uint32_t> bucketEnd;
    std::vector<std::uint16_t> lowHalf;
    std::vector<std::uint32_t> positions;

    void reserve(std::size_t records);
    void addRecord(std::size_t start, std::size_t end, std::string_view checksum);
    void sortRecords();

private:
    std::vector<std::uint32_t> m_values;  // of the records with a canonical checksum, in list order
    std::vector<std::uint32_t> m_positions;
};

namespace {

constexpr std::size_t kBuckets = 1u << 16;

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

void SignatureIndex::Impl::reserve(std::size_t records)
{
    nameStart.reserve(records);
    nameEnd.reserve(records);
    m_values.reserve(records);
    m_positions.reserve(records);
}

void SignatureIndex::Impl::addRecord(std::size_t start, std::size_t end, std::string_view checksum)
{
    const std::size_t j = nameStart.size();
    // Positions are 32-bit: a list that long would not fit in memory as text anyway.
    if (j >= UINT32_MAX)
        return;
    const bool reachable = end <= UINT32_MAX;
    nameStart.push_back(reachable ? static_cast<std::uint32_t>(start) : 0);
    nameEnd.push_back(reachable ? static_cast<std::uint32_t>(end) : 0);
    if (const auto value = canonicalChecksum(checksum); value && reachable) {
        m_values.push_back(*value);
        m_positions.push_back(static_cast<std::uint32_t>(j));
    }
}

// A counting sort on the upper half (stable, so list order stays within equal values),
// then each bucket by its lower half: checksums spread evenly, so buckets hold one or two
// records and the whole sort is linear.
void SignatureIndex::Impl::sortRecords()
{
    const std::size_t count = m_values.size();
    bucketEnd.assign(kBuckets, 0);
    for (const std::uint32_t value : m_values)
        ++bucketEnd[value >> 16];
    std::uint32_t sum = 0;
    for (std::uint32_t& end : bucketEnd) {
        sum += end;
        end = sum;
    }
    lowHalf.resize(count);
    positions.resize(count);
    // Filled from the back, so that each bucket's end counts down to its start.
    for (std::size_t i = count; i-- > 0;) {
        const std::uint32_t at = --bucketEnd[m_values[i] >> 16];
        lowHalf[at] = static_cast<std::uint16_t>(m_values[i]);
        positions[at] = m_positions[i];
    }
    // bucketEnd now holds each bucket's start; shift it to hold the ends.
    for (std::size_t h = 0; h + 1 < kBuckets; ++h)
        bucketEnd[h] = bucketEnd[h + 1];
    bucketEnd[kBuckets - 1] = static_cast<std::uint32_t>(count);

    std::vector<std::pair<std::uint16_t, std::uint32_t>> bucket;
    for (std::size_t h = 0, begin = 0; h < kBuckets; begin = bucketEnd[h++]) {
        const std::size_t end = bucketEnd[h];
        if (end - begin < 2)
            continue;
        bucket.clear();
        for (std::size_t i = begin; i < end; ++i)
            bucket.emplace_back(lowHalf[i], positions[i]);
        std::sort(bucket.begin(), bucket.end());
        for (std::size_t i = begin; i < end; ++i)
            std::tie(lowHalf[i], positions[i]) = bucket[i - begin];
    }
    m_values = {};
    m_positions = {};
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
    impl->reserve(count);
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
    impl->reserve(size / 24 + 1);

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

std::span<const std::uint32_t> SignatureIndex::find(const std::string& text) const
{
    const auto value = canonicalChecksum(text);
    if (!value)
        return {};
    const Impl& impl = *m_impl;
    const std::size_t high = *value >> 16;
    const auto begin = impl.lowHalf.begin() + (high == 0 ? 0 : impl.bucketEnd[high - 1]);
    const auto end = impl.lowHalf.begin() + impl.bucketEnd[high];
    const auto [first, last] = std::equal_range(begin, end, static_cast<std::uint16_t>(*value));
    return std::span<const std::uint32_t>(impl.positions)
        .subspan(static_cast<std::size_t>(first - impl.lowHalf.begin()), static_cast<std::size_t>(last - first));
}

std::string_view SignatureIndex::name(std::size_t j) const
{
    return std::string_view(m_impl->nameBytes).substr(m_impl->nameStart[j], m_impl->nameEnd[j] - m_impl->nameStart[j]);
}

bool SignatureIndex::empty() const
{
    return m_impl->positions.empty();
}

} // namespace quenno::detection
