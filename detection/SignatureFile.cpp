#include "SignatureFile.h"

namespace quenno::detection {
namespace {

std::vector<std::string> splitFields(std::string_view line, const std::string& delimiter)
{
    if (delimiter.empty())
        return {std::string(line)};
    std::vector<std::string> fields;
    std::size_t count = 1;
    for (std::size_t at = line.find(delimiter); at != std::string_view::npos;
         at = line.find(delimiter, at + delimiter.size()))
        ++count;  // one allocation per line
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

}  // namespace

std::optional<std::string> ReadWholeFile(const platform::FileSystem& files, const std::string& path)
{
    return files.readWholeFile(files.followLinks(path));
}

SignatureTable ParseDelimitedText(const std::string& text, const std::string& delimiter)
{
    SignatureTable table;
    // Lines are visited in place; only their fields are copied out.
    ForEachLine(text, [&](const TextLine& line) {
        if (IsEntryLine(line.text))
            table.push_back(splitFields(line.text, delimiter));
    });
    return table;
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
    // The pieces between breaks: the lines, and the empty piece after a final break.
    std::size_t pieces = 0;
    LineBreak last = LineBreak::None;
    ForEachLine(wholeFile, [&](const TextLine& line) {
        ++pieces;
        last = line.lineBreak;
    });
    if (last != LineBreak::None)
        ++pieces;
    return " " + std::to_string(pieces >= 2 ? pieces - 2 : 0);
}

std::vector<std::string> SplitRecordLines(const std::string& text) { return SplitWithBreaks(text).lines; }

std::string SwitchedSettingsText(std::string text, std::string_view settingsLine)
{
    return SwitchSettingsLine(std::move(text), settingsLine).text;
}

SwitchedSettings SwitchSettingsLine(std::string text, std::string_view settingsLine)
{
    // PutSettingsLine's rule, applied to the bytes in place rather than to a copy of every
    // line: the first line's own bytes are replaced when it is a settings line, or a
    // settings line goes above it with the break the first line has (CR LF when none).
    const TextLine first = text.empty() ? TextLine{} : LineAt(text, 0);
    if (!text.empty() && IsSettingsLine(first.text)) {
        std::string replaced(first.text);
        text.replace(0, first.text.size(), settingsLine);
        return {std::move(text), std::move(replaced), settingsLine.size()};
    }
    const LineBreak lineBreak = !text.empty() && first.lineBreak == LineBreak::Lf ? LineBreak::Lf : LineBreak::CrLf;
    const std::string head = std::string(settingsLine).append(BreakBytes(lineBreak));
    text.insert(0, head);
    return {std::move(text), {}, head.size()};
}

std::optional<ScanSettings> SettingsOf(const SignatureTable& table)
{
    if (table.empty() || table.front().size() < 2)
        return std::nullopt;
    const auto limit = SizeLimitOf(table.front()[0]);
    if (!limit)
        return std::nullopt;
    return ScanSettings{*limit, table.front()[1]};
}

std::optional<ScanSettings> SettingsOfText(std::string_view text)
{
    for (std::size_t from = 0; from < text.size();) {
        const TextLine line = LineAt(text, from);
        if (IsEntryLine(line.text))
            return SettingsOf(SignatureTable{splitFields(line.text, ";")});
        from = line.next;
    }
    return std::nullopt;
}

SignatureFile::SignatureFile(platform::FileSystem& files, std::string path)
    : m_files(files), m_path(std::move(path)) { }

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
    m_records = SplitWithBreaks(*text);
    m_recordsReadable = true;
    return true;
}

platform::WriteResult SignatureFile::writeRecords(const std::string_view* expected)
{
    if (!m_recordsReadable)
        return {platform::WriteFailure::Unreadable, 0};
    const std::string content = JoinWithBreaks(m_records);
    if (expected && *expected == content)
        return {};  // already so: a read-only list in that mode needs no write
    const platform::ExpectedBytes before{expected ? std::vector<std::string_view>{*expected}
                                                  : std::vector<std::string_view>{}};
    platform::RewriteOptions options;
    options.throughLink = true;
    options.expected = expected ? &before : nullptr;
    return m_files.rewriteWholeFile(m_path, content, options);
}

bool SignatureFile::UpdateRecords()
{
    m_lastWrite = writeRecords(nullptr);
    return m_lastWrite.ok();
}

bool SignatureFile::ExeFiles() { return switchMode(kNormalSettings, kNormalSettings); }

bool SignatureFile::AllFiles() { return switchMode(kFullSettings, "100000;*.*;Limits dan ekstensi"); }

bool SignatureFile::switchMode(const std::string& settingsLine, const std::string& text2)
{
    m_text2 = text2;
    for (int attempt = 0; attempt < kSwitchAttempts; ++attempt) {
        // Take the file as it is now: the user may have edited it since the screen loaded.
        // A file that exists but cannot be read is left alone; a file that vanished is
        // written again from the records last read.
        std::optional<std::string> before;
        if (m_files.exists(m_path)) {
            before = ReadWholeFile(m_files, m_path);
            if (!before) {
                m_recordsReadable = false;
                break;
            }
            m_records = SplitWithBreaks(*before);
            m_recordsReadable = true;
        }
        PutSettingsLine(m_records, settingsLine);
        const std::string_view expected = before ? std::string_view(*before) : std::string_view();
        m_lastWrite = writeRecords(before ? &expected : nullptr);
        if (m_lastWrite.failure != platform::WriteFailure::Changed)
            break;
    }
    if (!m_recordsReadable)
        m_lastWrite = {platform::WriteFailure::Unreadable, 0};
    LoadSignatures();
    return m_lastWrite.ok();
}

}  // namespace quenno::detection
