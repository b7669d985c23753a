#include "SignatureFile.h"

#include <charconv>
#include <limits>

namespace quenno::detection {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Every piece between CR LF pairs, the empty last one after a final CR LF included.
std::vector<std::string> splitPieces(const std::string& text)
{
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(kLineEnd, start);
        if (end == std::string::npos) {
            pieces.emplace_back(text, start);
            return pieces;
        }
        pieces.emplace_back(text, start, end - start);
        start = end + kLineEnd.size();
    }
}

std::vector<std::string> splitFields(std::string_view line, const std::string& delimiter)
{
    if (delimiter.empty())
        return {std::string(line)};
    std::vector<std::string> fields;
    std::size_t count = 1;
    for (std::size_t at = line.find(delimiter); at != std::string_view::npos;
         at = line.find(delimiter, at + delimiter.size()))
        ++count; // one allocation per line
    fields.reserve(count);
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = line.find(delimiter, start);
        if (end == std::string_view::npos) {
            fields.emplace_back(line.substr(start));
            return fields;
        }
        fields.emplace_back(line.substr(start, end - start));
        start = end + delimiter.size();
    }
}

std::optional<std::int32_t> wholeNumber(std::string_view text)
{
    const bool plus = !text.empty() && text.front() == '+';
    if (plus)
        text.remove_prefix(1);
    if (text.empty() || (plus && text.front() == '-'))
        return std::nullopt;
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

std::optional<std::string> ReadWholeFile(const platform::FileSystem& files, const std::string& path)
{
    return files.readWholeFile(path);
}

SignatureTable ParseDelimitedText(const std::string& text, const std::string& delimiter)
{
    SignatureTable table;
    if (text.empty())
        return table;
    // Lines are visited in place; only their fields are copied out.
    const std::string_view all(text);
    for (std::size_t start = 0;;) {
        const std::size_t end = all.find(kLineEnd, start);
        const std::string_view line = all.substr(start, end == std::string_view::npos ? end : end - start);
        if (!line.empty() && line.find('\0') == std::string_view::npos)
            table.push_back(splitFields(line, delimiter));
        if (end == std::string_view::npos)
            return table;
        start = end + kLineEnd.size();
    }
}

std::optional<SignatureTable> ParseDelimitedFile(const platform::FileSystem& files, const std::string& path,
                                                 const std::string& delimiter)
{
    const auto text = ReadWholeFile(files, path);
    if (!text)
        return std::nullopt;
    return ParseDelimitedText(*text, delimiter);
}

std::string CountText(const std::string& wholeFile)
{
    // An empty text has no pieces at all; any other has one more than it has CR LFs.
    // Counted, not split: a list of a million lines would otherwise be copied for a number.
    std::size_t pieces = wholeFile.empty() ? 0 : 1;
    for (std::size_t at = wholeFile.find(kLineEnd); at != std::string::npos; at = wholeFile.find(kLineEnd, at + 2))
        ++pieces;
    return " " + std::to_string(pieces >= 2 ? pieces - 2 : 0);
}

std::vector<std::string> SplitRecordLines(const std::string& text)
{
    if (text.empty())
        return {};
    std::vector<std::string> lines = splitPieces(text);
    if (lines.back().empty())
        lines.pop_back();  // the piece after the final CR LF
    return lines;
}

std::string SwitchedSettingsText(std::string text, std::string_view settingsLine)
{
    const std::size_t firstEnd = text.find(kLineEnd);
    const std::size_t firstLength = firstEnd == std::string::npos ? text.size() : firstEnd;
    if (!text.empty() && IsSettingsLine(text.substr(0, firstLength))) {
        text.replace(0, firstLength, settingsLine);
        if (firstEnd == std::string::npos)
            text.append(kLineEnd);
    } else {
        text.insert(0, std::string(settingsLine).append(kLineEnd));
    }
    if (!text.ends_with(kLineEnd))
        text.append(kLineEnd);
    return text;
}

bool IsSettingsLine(const std::string& line)
{
    return wholeNumber(std::string_view(line).substr(0, line.find(';'))).has_value();
}

std::optional<ScanSettings> SettingsOf(const SignatureTable& table)
{
    if (table.empty() || table.front().size() < 2)
        return std::nullopt;
    const auto limit = wholeNumber(table.front()[0]);
    if (!limit)
        return std::nullopt;
    return ScanSettings{*limit, table.front()[1]};
}

std::optional<ScanSettings> SettingsOfText(std::string_view text)
{
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find(kLineEnd, start);
        const std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
        if (!line.empty() && line.find('\0') == std::string_view::npos)
            return SettingsOf(SignatureTable{splitFields(line, ";")});
        if (end == std::string_view::npos)
            break;
        start = end + kLineEnd.size();
    }
    return std::nullopt;
}

SignatureFile::SignatureFile(platform::FileSystem& files, std::string path)
    : m_files(files), m_path(std::move(path))
{
}

bool SignatureFile::LoadSignatures()
{
    m_wName.clear();
    m_wSign.clear();
    m_table.clear();
    auto table = ParseDelimitedFile(m_files, m_path, ";");
    if (!table)
        return false;
    m_table = std::move(*table);
    m_wName.reserve(m_table.size());
    m_wSign.reserve(m_table.size());
    for (std::size_t i = 1; i < m_table.size(); ++i) {
        const auto& fields = m_table[i];
        m_wName.push_back(fields.empty() ? std::string() : fields[0]);
        m_wSign.push_back(fields.size() >= 2 ? fields[1] : std::string());
    }
    return true;
}

bool SignatureFile::LoadRecords()
{
    const auto text = ReadWholeFile(m_files, m_path);
    if (!text) {
        // A file that is there but cannot be read must never be overwritten by a later
        // switch. A file that vanished may be written again from the records last read.
        if (m_files.exists(m_path))
            m_recordsReadable = false;
        return false;
    }
    m_list1 = SplitRecordLines(*text);
    m_recordsReadable = true;
    return true;
}

bool SignatureFile::UpdateRecords()
{
    if (!m_recordsReadable)
        return false;
    std::string content;
    for (const std::string& line : m_list1) {
        content += line;
        content += kLineEnd;
    }
    return m_files.writeWholeFile(m_path, content);
}

bool SignatureFile::ExeFiles()
{
    return switchMode(kNormalSettings, kNormalSettings);
}

bool SignatureFile::AllFiles()
{
    return switchMode(kFullSettings, "100000;*.*;Limits dan ekstensi");
}

bool SignatureFile::switchMode(const std::string& settingsLine, const std::string& text2)
{
    m_text2 = text2;
    // Take the file as it is now: the user may have edited it since the screen loaded.
    // A file that exists but cannot be read is left alone; a file that vanished is
    // written again from the records last read.
    if (m_files.exists(m_path) && !LoadRecords()) {
        LoadSignatures();
        return false;
    }
    if (!m_list1.empty() && IsSettingsLine(m_list1.front()))
        m_list1.front() = settingsLine;
    else
        m_list1.insert(m_list1.begin(), settingsLine);  // never lose the first record
    const bool written = UpdateRecords();
    LoadSignatures();
    return written;
}

} // namespace quenno::detection
