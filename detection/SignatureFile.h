#pragma once
// database.db: the settings line and the signature records. Text is 8-bit bytes; a rewrite
// changes the settings line's own bytes and no other, line breaks included. Lines follow
// SignatureFileLines.h.

#include "SignatureFileLines.h"
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
// A symbolic link is read through.
std::optional<std::string> ReadWholeFile(const platform::FileSystem& files, const std::string& path);
// Splits into lines, drops empty lines and lines holding NUL, splits each at `delimiter`.
SignatureTable ParseDelimitedText(const std::string& text, const std::string& delimiter);
std::optional<SignatureTable> ParseDelimitedFile(const platform::FileSystem& files, const std::string& path,
                                                 const std::string& delimiter);

// The count label's text: " " + (pieces between line breaks - 2), never negative.
std::string CountText(const std::string& wholeFile);

// Every line of the text without its break; "" has no lines.
std::vector<std::string> SplitRecordLines(const std::string& text);
// The text as a mode switch writes it: settingsLine replaces the first line's own bytes
// when that is a settings line and goes above it otherwise; every other byte stays. Byte
// for byte what SignatureFile's switch writes from List1, made in place, so a big list is
// not copied line by line.
std::string SwitchedSettingsText(std::string text, std::string_view settingsLine);

// The same switch, saying what the text held before without a copy of it: the old text is
// `replaced` followed by text.substr(keptFrom).
struct SwitchedSettings {
    std::string text;
    std::string replaced;  // the old settings line's bytes; empty when one was put above
    std::size_t keptFrom = 0;
};
SwitchedSettings SwitchSettingsLine(std::string text, std::string_view settingsLine);

// How often a mode switch reads the file again when it changed on disk between reading and
// writing (another editor, a second window), before it leaves the file alone.
inline constexpr int kSwitchAttempts = 4;

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
    // Writes List1 back, each line with the break it was read with, beside-then-rename
    // (through a symbolic link, which stays). Never runs after a failed read of the file.
    bool UpdateRecords();
    // Mode switches: replace the settings line (inserting one above the records when the
    // file has none), rewrite, reload. The file is read again first, so lines edited in it
    // since LoadRecords are kept; when it changes again before the new content is in
    // place, the switch starts over from the changed file, a few times, then leaves it
    // alone. A file already in the mode is not written. False when the file does not hold
    // the mode afterwards; lastWrite() tells why.
    bool ExeFiles();
    bool AllFiles();
    // How the last UpdateRecords or mode switch ended.
    const platform::WriteResult& lastWrite() const { return m_lastWrite; }

    const SignatureTable& table() const { return m_table; }
    const std::vector<std::string>& wName() const { return m_wName; }
    const std::vector<std::string>& wSign() const { return m_wSign; }
    const std::vector<std::string>& List1() const { return m_records.lines; }
    const std::string& Text2() const { return m_text2; }
    const std::string& path() const { return m_path; }

private:
    bool switchMode(const std::string& settingsLine, const std::string& text2);
    platform::WriteResult writeRecords(const std::string_view* expected);

    platform::FileSystem& m_files;
    std::string m_path;
    SignatureTable m_table;
    std::vector<std::string> m_wName;
    std::vector<std::string> m_wSign;
    RecordLines m_records;  // List1 and the break of each line
    std::string m_text2;
    bool m_recordsReadable = false;
    platform::WriteResult m_lastWrite;
};

}  // namespace quenno::detection
