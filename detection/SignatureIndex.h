#pragma once
// Signature lists searched by checksum text, so that the cost per scanned file does not
// grow with the number of signatures.

#include "platform/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quenno::detection {

// Every record index that holds a text, in list order. The index keeps its own copy of
// the names: the screen may reload its lists (a mode switch during a scan) while a scan
// still uses the index.
class SignatureIndex {
public:
    // Record j is (wName[j], wSign[j]).
    SignatureIndex(const std::vector<std::string>& wName, const std::vector<std::string>& wSign);
    // Record j is record(j), its name and checksum both views into *text. The index keeps
    // text alive and its names as places in it, so the names are not held twice.
    SignatureIndex(std::shared_ptr<const std::string> text, std::size_t count,
                   const std::function<std::pair<std::string_view, std::string_view>(std::size_t)>& record);

    // The records of database.db's whole text, straight from the text: the same index as
    // the one built from the lists that SignatureFile::LoadSignatures fills (entry 0, the
    // settings line, is not a record), without building those lists first.
    static SignatureIndex FromDatabaseText(std::string_view text);
    // The same, read from the file piece by piece (through a symbolic link); firstEntry
    // gets entry 0's text. nullopt when the file cannot be read in full.
    static std::optional<SignatureIndex> FromDatabaseFile(const platform::FileSystem& files, const std::string& path,
                                                          std::string* firstEntry);

    // Indexes of records whose checksum equals text exactly, ascending; empty when none.
    std::span<const std::uint32_t> find(const std::string& text) const;
    // Name of record j (an index that find returned).
    std::string_view name(std::size_t j) const;
    // No record can ever match (none has a checksum text that a file can have).
    bool empty() const;

private:
    friend class DatabaseIndexer;
    struct Impl;
    explicit SignatureIndex(std::shared_ptr<const Impl> impl);
    std::shared_ptr<const Impl> m_impl;
};

// Builds the index from database.db's text handed over in pieces of any size, keeping only
// the names, not the text.
class DatabaseIndexer {
public:
    explicit DatabaseIndexer(std::uint64_t expectedBytes = 0);
    ~DatabaseIndexer();
    DatabaseIndexer(const DatabaseIndexer&) = delete;
    DatabaseIndexer& operator=(const DatabaseIndexer&) = delete;

    void feed(std::string_view piece);
    // Text of entry 0 (the settings line) once it has been fed, else "".
    const std::string& firstEntry() const { return m_first; }
    // The index of everything fed; the indexer is spent.
    SignatureIndex finish();

private:
    void line(std::string_view text);

    std::shared_ptr<SignatureIndex::Impl> m_impl;
    std::string m_partial;  // what followed the last line break so far
    std::string m_first;
    bool m_firstSeen = false;
};

}  // namespace quenno::detection
