#pragma once
// database.db: the settings line and the signature records. Text is 8-bit bytes; every
// byte of a line survives a rewrite.

#include "platform/FileSystem.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quenno::detection {

// One entry per non-empty line, each the ";"-separated fields of that line.
using SignatureTable = std::vector<std::vector<std::string>>;

inline constexpr const char* kDatabaseName = "database.db";
inline constexpr const char* kNormalSettings = "50000;*.exe;Limits dan ekstensi";
inline constexpr const char* kFullSettings = "100000;*.*;Limits dan ekstensi ";

// Whole content, or nullopt when the file is missing or cannot be read (the caller decides).
std::optional<std::string> ReadWholeFile(const platform::FileSystem& files, const std::string& path);
// Splits at CR LF, drops empty lines and lines holding NUL, splits each at `delimiter`.
SignatureTable ParseDelimitedText(const std::string& text, const std::string& delimiter);
std::optional<SignatureTable> ParseDelimitedFile(const platform::FileSystem& files, const std::string& path,
                                                 const std::string& delimiter);

// The count label's text: " " + (pieces at CR LF - 2), never negative.
std::string CountText(const std::string& wholeFile);

// Every line of the text, split at CR LF only (a lone CR or LF stays inside its line);
// the empty piece after a final CR LF is not a line, so "" has no lines.
std::vector<std::string> SplitRecordLines(const std::string& text);
// The same lines as SplitRecordLines, visited in place as (offset of the line in text, line),
// so that a list of a million lines costs no copy of them.
template <typename Visit> void ForEachLine(std::string_view text, Visit&& visit)
{
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string_view::npos) {
            visit(start, text.substr(start));
            return;
        }
        visit(start, text.substr(start, end - start));
        start = end + 2;
    }
}
// The text as a mode switch writes it: settingsLine replaces the first line when that is a
// settings line and goes above it otherwise; every other line keeps its bytes, and the
// text ends with CR LF. Byte for byte what SignatureFile's switch writes from List1. The
// text is changed in place (both settings lines have the same length), so a big list is
// not copied.
std::string SwitchedSettingsText(std::string text, std::string_view settingsLine);

// A settings line is one whose first field is a whole number (optional sign, digits,
// within 32 bits).
bool IsSettingsLine(const std::string& line);

// Settings of a table's entry 0: size limit (field 0) and pattern (field 1). nullopt when
// there is no entry 0, it has no pattern, or its limit is not a 32-bit whole number.
struct ScanSettings {
    std::int32_t sizeLimit = 0;
    std::string pattern;
};
std::optional<ScanSettings> SettingsOf(const SignatureTable& table);
// The same from the file's whole text, reading only its first entry.
std::optional<ScanSettings> SettingsOfText(std::string_view text);

// The scan screen's signature state: the table, the parallel lists wName/wSign, the
// record list List1 (every line, blank ones included) and Text2 (last settings written).
class SignatureFile {
public:
    SignatureFile(platform::FileSystem& files, std::string path);

    // Empties wName/wSign and refills them from the parsed file. False when the file
    // could not be read (lists then stay empty). A record without a checksum field gets
    // "" (which no file has), so item i of the lists is always table entry i + 1.
    bool LoadSignatures();
    // Refills List1 with every line of the file. False when the file is missing or
    // unreadable; List1 then stays as it was.
    bool LoadRecords();
    // Writes List1 back, every line ending CR LF, beside-then-rename. Never runs after a
    // failed read of the file.
    bool UpdateRecords();
    // Mode switches: replace the settings line (inserting one above the records when the
    // file has none), rewrite, reload. The records are read again first, so lines edited
    // in the file since LoadRecords are kept. False when nothing could be written.
    bool ExeFiles();
    bool AllFiles();

    const SignatureTable& table() const { return m_table; }
    const std::vector<std::string>& wName() const { return m_wName; }
    const std::vector<std::string>& wSign() const { return m_wSign; }
    const std::vector<std::string>& List1() const { return m_list1; }
    const std::string& Text2() const { return m_text2; }
    const std::string& path() const { return m_path; }

private:
    bool switchMode(const std::string& settingsLine, const std::string& text2);

    platform::FileSystem& m_files;
    std::string m_path;
    SignatureTable m_table;
    std::vector<std::string> m_wName;
    std::vector<std::string> m_wSign;
    std::vector<std::string> m_list1;
    std::string m_text2;
    bool m_recordsReadable = false;
};

} // namespace quenno::detection
