// database.db as the user may have edited it: any bytes. Checks that parsing keeps every
// non-empty line, that the count label agrees with the line ends, and that each mode
// switch puts exactly one settings line first and every other line back byte for byte.

#include "FuzzCheck.h"
#include "MemoryFileSystem.h"
#include "detection/SignatureFile.h"
#include "detection/SignatureIndex.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

using namespace quenno;

namespace {

std::string joinLines(const std::string& first, const std::vector<std::string>& rest)
{
    std::string out = first + "\r\n";
    for (const std::string& line : rest)
        out += line + "\r\n";
    return out;
}

std::size_t countLineEnds(const std::string& text)
{
    std::size_t count = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
        ++count;
    return count;
}

std::string joinFields(const std::vector<std::string>& fields)
{
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i)
        out += (i ? ";" : "") + fields[i];
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    // Record lines: joined again they give the text back (with a final CR LF added).
    const std::vector<std::string> lines = detection::SplitRecordLines(text);
    if (!text.empty()) {
        const std::string rejoined = joinLines(lines.front(), {lines.begin() + 1, lines.end()});
        FUZZ_CHECK(rejoined == text || rejoined == text + "\r\n");
    } else {
        FUZZ_CHECK(lines.empty());
    }

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

    const std::size_t pieces = text.empty() ? 0 : countLineEnds(text) + 1;
    FUZZ_CHECK(detection::CountText(text) == " " + std::to_string(pieces >= 2 ? pieces - 2 : 0));

    // The mode switches on a file holding the text.
    fuzz::MemoryFileSystem files;
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
        const detection::SignatureIndex indexes[] = {detection::SignatureIndex::FromDatabaseText(text),
                                                     indexer.finish()};
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
        FUZZ_CHECK(!settings || (settings->sizeLimit == settingsFromText->sizeLimit
                                 && settings->pattern == settingsFromText->pattern));
    }
    FUZZ_CHECK(db.LoadRecords());
    FUZZ_CHECK(db.List1() == lines);

    std::vector<std::string> records = lines;
    if (!records.empty() && detection::IsSettingsLine(records.front()))
        records.erase(records.begin());
    const std::string normal = joinLines(detection::kNormalSettings, records);
    const std::string full = joinLines(detection::kFullSettings, records);

    FUZZ_CHECK(db.ExeFiles());
    FUZZ_CHECK(files.files[path] == normal);
    FUZZ_CHECK(db.AllFiles());
    FUZZ_CHECK(files.files[path] == full);
    FUZZ_CHECK(db.ExeFiles());
    FUZZ_CHECK(files.files[path] == normal);
    FUZZ_CHECK(db.wName().size() == records.size() - static_cast<std::size_t>(std::count_if(
                                         records.begin(), records.end(), [](const std::string& line) {
                                             return line.empty() || line.find('\0') != std::string::npos;
                                         })));
    return 0;
}
