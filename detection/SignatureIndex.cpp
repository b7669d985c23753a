#include "SignatureIndex.h"

#include "SignatureFileLines.h"

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
    // Every name, one after another: name j is names[nameEnd[j - 1], nameEnd[j]) (from 0
    // for j = 0). Only the names are kept, with 32-bit ends, so a load touches little fresh
    // memory; a record lying past 4 GiB of names gets an empty name and never matches.
    std::string names;
    std::vector<std::uint32_t> nameEnd;
    // Or, for an index over a shared text, name j is shared[nameStart[j], nameEnd[j]).
    std::shared_ptr<const std::string> shared;
    std::vector<std::uint32_t> nameStart;
    // Records sorted by checksum value, then by position. The ones whose value has the
    // upper half h are [bucketEnd[h - 1], bucketEnd[h]) (from 0 for h = 0); within a bucket
    // only the lower half is kept.
    std::vector<std::uint32_t> bucketEnd;
    std::vector<std::uint16_t> lowHalf;
    std::vector<std::uint32_t> positions;

    void reserve(std::size_t records, std::size_t nameBytes);
    void addRecord(std::string_view name, std::string_view checksum);
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

}  // namespace

void SignatureIndex::Impl::reserve(std::size_t records, std::size_t nameBytes)
{
    names.reserve(nameBytes);
    nameEnd.reserve(records);
    m_values.reserve(records);
    m_positions.reserve(records);
}

void SignatureIndex::Impl::addRecord(std::string_view name, std::string_view checksum)
{
    const std::size_t j = nameEnd.size();
    // Positions are 32-bit: a list that long would not fit in memory as text anyway.
    if (j >= UINT32_MAX)
        return;
    bool reachable;
    if (shared) {
        const auto at = static_cast<std::size_t>(name.data() - shared->data());
        reachable = at + name.size() <= UINT32_MAX;
        nameStart.push_back(reachable ? static_cast<std::uint32_t>(at) : 0);
        nameEnd.push_back(reachable ? static_cast<std::uint32_t>(at + name.size()) : 0);
    } else {
        reachable = names.size() + name.size() <= UINT32_MAX;
        if (reachable)
            names.append(name);
        nameEnd.push_back(static_cast<std::uint32_t>(names.size()));
    }
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

SignatureIndex::SignatureIndex(std::shared_ptr<const Impl> impl) : m_impl(std::move(impl)) { }

SignatureIndex::SignatureIndex(const std::vector<std::string>& wName, const std::vector<std::string>& wSign)
{
    auto impl = std::make_shared<Impl>();
    // Only positions present in both lists are records.
    const std::size_t count = std::min(wName.size(), wSign.size());
    std::size_t bytes = 0;
    for (std::size_t j = 0; j < count; ++j)
        bytes += wName[j].size();
    impl->reserve(count, bytes);
    for (std::size_t j = 0; j < count; ++j)
        impl->addRecord(wName[j], wSign[j]);
    impl->sortRecords();
    m_impl = std::move(impl);
}

SignatureIndex::SignatureIndex(std::shared_ptr<const std::string> text, std::size_t count,
                               const std::function<std::pair<std::string_view, std::string_view>(std::size_t)>& record)
{
    auto impl = std::make_shared<Impl>();
    impl->shared = std::move(text);
    impl->nameStart.reserve(count);
    impl->reserve(count, 0);
    for (std::size_t j = 0; j < count; ++j) {
        const auto [name, checksum] = record(j);
        impl->addRecord(name, checksum);
    }
    impl->sortRecords();
    m_impl = std::move(impl);
}

SignatureIndex SignatureIndex::FromDatabaseText(std::string_view text)
{
    DatabaseIndexer indexer(text.size());
    indexer.feed(text);
    return indexer.finish();
}

std::optional<SignatureIndex> SignatureIndex::FromDatabaseFile(const platform::FileSystem& files,
                                                               const std::string& path, std::string* firstEntry)
{
    const auto reader = files.openRead(files.followLinks(path));
    if (!reader)
        return std::nullopt;
    DatabaseIndexer indexer(reader->length());
    std::vector<std::uint8_t> piece(64 * 1024);
    for (;;) {
        const std::int64_t got = reader->read(piece);
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        indexer.feed(std::string_view(reinterpret_cast<const char*>(piece.data()), static_cast<std::size_t>(got)));
    }
    if (firstEntry)
        *firstEntry = indexer.firstEntry();
    return indexer.finish();
}

DatabaseIndexer::DatabaseIndexer(std::uint64_t expectedBytes) : m_impl(std::make_shared<SignatureIndex::Impl>())
{
    // Records are short: a guess from the length saves growing the arrays many times.
    // Reserving more than is used costs nothing until it is touched.
    const auto bytes = static_cast<std::size_t>(std::min<std::uint64_t>(expectedBytes, std::uint64_t{1} << 32));
    m_impl->reserve(bytes / 24 + 1, bytes);
}

DatabaseIndexer::~DatabaseIndexer() = default;

// Lines follow SignatureFileLines.h: each ends at an LF, and a CR just before it belongs to
// the break. A piece may end anywhere, even between the CR and the LF, so whatever follows
// the last LF of a piece waits for the next one.
void DatabaseIndexer::feed(std::string_view piece)
{
    const char* const all = piece.data();
    std::size_t start = 0;
    while (start < piece.size()) {
        const void* lf = std::memchr(all + start, '\n', piece.size() - start);
        if (!lf)
            break;
        const auto end = static_cast<std::size_t>(static_cast<const char*>(lf) - all);
        if (m_partial.empty()) {
            line(WithoutBreakCr(piece.substr(start, end - start)));
        } else {
            m_partial.append(piece.substr(start, end - start));
            line(WithoutBreakCr(m_partial));
            m_partial.clear();
        }
        start = end + 1;
    }
    m_partial.append(piece.substr(start));
}

SignatureIndex DatabaseIndexer::finish()
{
    if (!m_partial.empty())
        line(m_partial);  // the last line needs no break; a CR at its end stays in it
    m_partial.clear();
    m_impl->sortRecords();
    return SignatureIndex(std::move(m_impl));
}

// Empty lines and lines holding NUL are not entries, and the first entry is the settings
// line. Fields end at ";": a record is name;checksum[;...].
void DatabaseIndexer::line(std::string_view text)
{
    if (!IsEntryLine(text))
        return;
    if (!m_firstSeen) {
        m_firstSeen = true;
        m_first.assign(text);
        return;
    }
    const std::size_t nameLength = std::min(text.find(';'), text.size());
    std::string_view checksum;
    if (nameLength < text.size()) {
        checksum = text.substr(nameLength + 1);
        checksum = checksum.substr(0, checksum.find(';'));
    }
    m_impl->addRecord(text.substr(0, nameLength), checksum);
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
    if (m_impl->shared)
        return std::string_view(*m_impl->shared)
            .substr(m_impl->nameStart[j], m_impl->nameEnd[j] - m_impl->nameStart[j]);
    const std::size_t begin = j == 0 ? 0 : m_impl->nameEnd[j - 1];
    return std::string_view(m_impl->names).substr(begin, m_impl->nameEnd[j] - begin);
}

bool SignatureIndex::empty() const { return m_impl->positions.empty(); }

}  // namespace quenno::detection
