// database.db as the user may have edited it: any bytes. Checks that every reader follows
// one line rule (a line ends at LF, a CR just before it belongs to the break): the record
// lines with their breaks give the text back byte for byte, parsing keeps every non-empty
// line, the count label agrees with the line ends, the index finds what the lists find;
// and that each mode switch changes the settings line's own bytes only (or puts one above
// the first line) and keeps every other byte, line breaks included.

#include "FuzzCheck.h"
#include "detection/SignatureFile.h"
#include "detection/SignatureIndex.h"
#include "tests/support/MemoryFileSystem.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

using namespace quenno;

namespace {

std::size_t countLf(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

std::string joinFields(const std::vector<std::string>& fields)
{
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i)
        out += (i ? ";" : "") + fields[i];
    return out;
}

// The file after a switch to `settings`, worked out from the bytes alone.
std::string switched(const std::string& text, const std::string& settings)
{
    const std::size_t lf = text.find('\n');
    std::string first = text.substr(0, lf);
    const bool crLf = lf != std::string::npos && !first.empty() && first.back() == '\r';
    if (crLf)
        first.pop_back();
    if (!text.empty() && detection::IsSettingsLine(first))
        return settings + text.substr(first.size());
    const bool lfOnly = lf != std::string::npos && !crLf;
    return settings + (lfOnly ? "\n" : "\r\n") + text;
}

// Entries of a text: lines between LFs (less a CR before the LF) that are not empty and
// hold no NUL.
std::size_t countEntries(const std::string& text)
{
    std::size_t entries = 0;
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t lf = text.find('\n', from);
        std::string line = text.substr(from, lf == std::string::npos ? lf : lf - from);
        if (lf != std::string::npos && !line.empty() && line.back() == '\r')
            line.pop_back();
        entries += !line.empty() && line.find('\0') == std::string::npos;
        from = lf == std::string::npos ? text.size() : lf + 1;
    }
    return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    // Record lines: with their breaks they give the text back; none holds an LF.
    const detection::RecordLines split = detection::SplitWithBreaks(text);
    FUZZ_CHECK(detection::JoinWithBreaks(split) == text);
    const std::vector<std::string>& lines = split.lines;
    FUZZ_CHECK(lines == detection::SplitRecordLines(text));
    FUZZ_CHECK(lines.size() == countLf(text) + (!text.empty() && text.back() != '\n'));
    for (const std::string& line : lines)
        FUZZ_CHECK(line.find('\n') == std::string::npos);

    // The table holds every non-empty line without NUL, in order, split at ";".
    const detection::SignatureTable table = detection::ParseDelimitedText(text, ";");
    std::size_t entry = 0;
    for (const std::string& line : lines) {
        if (line.empty() || line.find('\0') != std::string::npos)
            continue;
        FUZZ_CHECK(entry < table.size());
        FUZZ_CHECK(joinFields(table[entry]) == line);
        ++entry;
    }
    FUZZ_CHECK(entry == table.size());
    (void)detection::SettingsOf(table);

    FUZZ_CHECK(entry == countEntries(text));
    const std::size_t pieces = text.empty() ? 0 : countLf(text) + 1;
    FUZZ_CHECK(detection::CountText(text) == " " + std::to_string(pieces >= 2 ? pieces - 2 : 0));

    // The mode switches on a file holding the text.
    test::MemoryFileSystem files;
    const std::string path = files.inApplicationFolder(detection::kDatabaseName);
    files.files[path] = text;
    detection::SignatureFile db(files, path);
    FUZZ_CHECK(db.LoadSignatures());
    FUZZ_CHECK(db.wName().size() == db.wSign().size());
    FUZZ_CHECK(db.wName().size() + 1 == std::max<std::size_t>(table.size(), 1));

    // Indexed straight from the text, the list finds exactly what the loaded lists find.
    {
        const detection::SignatureIndex fromLists(db.wName(), db.wSign());
        // ...whether it is given whole or in pieces cut anywhere (sizes taken from the text).
        detection::DatabaseIndexer indexer;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t piece = 1 + static_cast<unsigned char>(text[at]) % 7;
            indexer.feed(std::string_view(text).substr(at, piece));
            at += piece;
        }
        const detection::SignatureIndex indexes[]
            = {detection::SignatureIndex::FromDatabaseText(text), indexer.finish()};
        for (const auto& fromText : indexes) {
            FUZZ_CHECK(fromText.empty() == fromLists.empty());
            for (const std::string& sign : db.wSign()) {
                const auto a = fromLists.find(sign);
                const auto b = fromText.find(sign);
                FUZZ_CHECK(std::equal(a.begin(), a.end(), b.begin(), b.end()));
                for (const std::size_t j : a)
                    FUZZ_CHECK(fromText.name(j) == fromLists.name(j));
            }
        }
        const auto settings = detection::SettingsOf(table);
        const auto settingsFromText = detection::SettingsOfText(text);
        FUZZ_CHECK(settings.has_value() == settingsFromText.has_value());
        FUZZ_CHECK(
            !settings
            || (settings->sizeLimit == settingsFromText->sizeLimit && settings->pattern == settingsFromText->pattern));
    }
    FUZZ_CHECK(db.LoadRecords());
    FUZZ_CHECK(db.List1() == lines);

    const std::string normal = switched(text, detection::kNormalSettings);
    const std::string full = switched(normal, detection::kFullSettings);
    FUZZ_CHECK(full == switched(text, detection::kFullSettings));

    FUZZ_CHECK(db.ExeFiles());
    FUZZ_CHECK(files.files[path] == normal);
    FUZZ_CHECK(db.AllFiles());
    FUZZ_CHECK(files.files[path] == full);
    FUZZ_CHECK(db.ExeFiles());
    FUZZ_CHECK(files.files[path] == normal);
    FUZZ_CHECK(db.wName().size() + 1 == countEntries(normal));
    return 0;
}
