#pragma once
// Signature lists searched by checksum text, so that the cost per scanned file does not
// grow with the number of signatures.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quenno::detection {

// Every record index that holds a text, in list order. The index keeps its own copy of
// the names: the screen may reload its lists (a mode switch during a scan) while a scan
// still uses the index.
class SignatureIndex {
public:
    // Record j is (wName[j], wSign[j]).
    SignatureIndex(const std::vector<std::string>& wName, const std::vector<std::string>& wSign);

    // The records of database.db's whole text, straight from the text: the same index as
    // the one built from the lists that SignatureFile::LoadSignatures fills (entry 0, the
    // settings line, is not a record), without building those lists first.
    static SignatureIndex FromDatabaseText(std::string text);

    // Indexes of records whose checksum equals text exactly, ascending; empty when none.
    std::span<const std::uint32_t> find(const std::string& text) const;
    // Name of record j (an index that find returned).
    std::string_view name(std::size_t j) const;
    // No record can ever match (none has a checksum text that a file can have).
    bool empty() const;

private:
    struct Impl;
    explicit SignatureIndex(std::shared_ptr<const Impl> impl);
    std::shared_ptr<const Impl> m_impl;
};

} // namespace quenno::detection
