#include "DatabaseLists.h"

#include "detection/SignatureFile.h"

#include <algorithm>
#include <cstring>

namespace quenno::scan {

DatabaseLists::DatabaseLists() : DatabaseLists(std::string()) { }

DatabaseLists::DatabaseLists(std::string text)
{
    m_holds = Holds(text);
    if (!m_holds)
        text.clear();
    m_text = std::make_shared<const std::string>(std::move(text));
    const std::string_view all(*m_text);

    // As many lines as line breaks, and one more: reserved at once, not grown by doubling.
    const std::size_t most = static_cast<std::size_t>(std::count(all.begin(), all.end(), '\n')) + 1;
    m_lineStart.reserve(most);
    m_recordLine.reserve(most);
    bool settingsSeen = false;
    detection::ForEachLine(all, [&](const detection::TextLine& piece) {
        const std::string_view line = piece.text;
        const auto offset = static_cast<std::size_t>(line.data() - all.data());
        const auto i = static_cast<std::uint32_t>(m_lineStart.size());
        m_lineStart.push_back(static_cast<std::uint32_t>(offset));
        m_lastEnd = static_cast<std::uint32_t>(offset + line.size());
        if (line.empty() || std::memchr(line.data(), '\0', line.size()))
            return;
        if (settingsSeen)
            m_recordLine.push_back(i);
        settingsSeen = true;
    });
    m_index = std::make_shared<const detection::SignatureIndex>(m_text, m_recordLine.size(), [this](std::size_t j) {
        return std::pair(name(j), sign(j));
    });
}

std::string_view DatabaseLists::line(std::size_t i) const
{
    const std::string_view all(*m_text);
    const std::size_t start = m_lineStart[i];
    if (i + 1 == m_lineStart.size())
        return all.substr(start, m_lastEnd - start);
    // The next line starts right after this one's line break: an LF, with the CR before it
    // when there is one.
    std::size_t end = m_lineStart[i + 1] - 1;
    if (end > start && all[end - 1] == '\r')
        --end;
    return all.substr(start, end - start);
}

std::string_view DatabaseLists::name(std::size_t j) const
{
    const std::string_view record = line(m_recordLine[j]);
    return record.substr(0, record.find(';'));
}

std::string_view DatabaseLists::sign(std::size_t j) const
{
    const std::string_view record = line(m_recordLine[j]);
    const std::size_t first = record.find(';');
    if (first == std::string_view::npos)
        return {};
    const std::string_view rest = record.substr(first + 1);
    return rest.substr(0, rest.find(';'));
}

}  // namespace quenno::scan
