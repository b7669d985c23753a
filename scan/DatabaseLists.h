#pragma once
// database.db as the scan screen holds it: the file's bytes once, and the record list
// List1 (every line), the signature lists wName/wSign (every record) and the engine's
// index all as places in those bytes. A list of a million records then costs little more
// than its bytes, and a mode switch only has to find its lines again.

#include "detection/SignatureIndex.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quenno::scan {

class DatabaseLists {
public:
    static constexpr std::size_t kMostBytes = UINT32_MAX;
    // No lines and no records.
    DatabaseLists();
    // The lines and records of text. A text of 4 GiB or more is not held (places are
    // 32-bit): the lists stay empty and holdsText() answers false.
    explicit DatabaseLists(std::string text);

    bool holdsText() const { return m_holds; }
    // Whether a text of this length can be held.
    static bool Holds(const std::string& text) { return text.size() < kMostBytes; }
    const std::string& text() const { return *m_text; }
    std::shared_ptr<const std::string> sharedText() const { return m_text; }

    // List1: line i exactly as read, blank ones included.
    std::size_t lineCount() const { return m_lineStart.size(); }
    std::string_view line(std::size_t i) const;
    // wName/wSign: record j is the non-empty line after the settings line (lines holding
    // NUL are not records), its name field 0 and its checksum field 1 ("" without one).
    std::size_t recordCount() const { return m_recordLine.size(); }
    std::string_view name(std::size_t j) const;
    std::string_view sign(std::size_t j) const;

    // The engine's index of the same records, sharing the bytes.
    std::shared_ptr<const detection::SignatureIndex> index() const { return m_index; }

private:
    std::shared_ptr<const std::string> m_text;
    std::vector<std::uint32_t> m_lineStart;
    std::vector<std::uint32_t> m_recordLine;
    std::uint32_t m_lastEnd = 0;  // where the last line ends (before its line break, if any)
    std::shared_ptr<const detection::SignatureIndex> m_index;
    bool m_holds = true;
};

}  // namespace quenno::scan
