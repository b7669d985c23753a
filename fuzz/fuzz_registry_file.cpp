// The registry store's file can be edited by hand, replaced by an exported file, or hold
// lines that mean nothing. Two inputs in one driver, chosen by the first byte:
//  - even: the bytes are a store file, and the first byte chooses an edit: one of its values
//    set to a number or a string, or deleted, or a new value set. The edited file must read
//    as the old one with just that change, list the same unreadable lines, and hold every
//    line of the old one that does not give that value, byte for byte and in order. A file
//    that parses strictly is also unchanged by writing it back;
//  - odd: the bytes build a document the way the registry calls do (any key, value name
//    and data the store accepts: no NUL, CR or LF). Written and read back it must be the
//    same document, and editing an empty file value by value must give the same bytes.

#include "FuzzCheck.h"
#include "platform/AsciiCase.h"
#include "platform/linux/LinuxRegistryFile.h"
#include "platform/linux/LinuxRegistryFileDetail.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace quenno::platform;

namespace {

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) { }
    bool empty() const { return m_at >= m_size; }
    std::uint8_t byte() { return empty() ? 0 : m_data[m_at++]; }
    // A length byte, then that many bytes; NUL, CR and LF become "x".
    std::string text()
    {
        std::string out;
        for (std::size_t n = byte() % 24; n > 0 && !empty(); --n) {
            const char c = static_cast<char>(byte());
            out.push_back(c == '\0' || c == '\r' || c == '\n' ? 'x' : c);
        }
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// A key path as the store addresses it: a root, then parts without empty ones.
std::string keyPath(Bytes& in)
{
    std::string path = (in.byte() & 1) ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    for (int parts = in.byte() % 4; parts > 0; --parts) {
        std::string part = in.text();
        std::erase(part, '\\');
        if (!part.empty())
            path += "\\" + part;
    }
    return path;
}

// Every value in effect, by key and name without case.
using Values = std::map<std::pair<std::string, std::string>, regfile::Value>;

Values valuesOf(const regfile::StoreFile& file)
{
    Values values;
    for (const regfile::Key& key : file.document().keys)
        for (const regfile::Value& value : key.values)
            values.emplace(std::make_pair(asciiLower(key.path), asciiLower(value.name)), value);
    return values;
}

bool sameValues(const Values& a, const Values& b)
{
    if (a.size() != b.size())
        return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j)
        if (i->first != j->first || !regfile::sameData(i->second, j->second))
            return false;
    return true;
}

// Without a last CR: a last line that ended in a lone CR ends in CR LF once a line is added
// after it, every byte kept.
std::vector<std::string> unreadableTexts(const regfile::StoreFile& file)
{
    std::vector<std::string> texts;
    for (const auto& line : file.unreadable())
        texts.push_back(line.text.ends_with('\r') ? line.text.substr(0, line.text.size() - 1) : line.text);
    return texts;
}

// Lines with their line ends (the text of UTF-16 files as the store reads it).
std::vector<std::string_view> linesOf(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const auto length = end == std::string_view::npos ? text.size() : end + 1;
        lines.push_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return lines;
}

// The text after the byte-order mark, as the store reads it.
std::string asText(std::string_view bytes)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        return std::string(bytes.substr(3));
    if (bytes.substr(0, 2) == "\xFF\xFE")
        return regfile::detail::utf8FromUtf16Le(bytes.substr(2));
    return std::string(bytes);
}

// Whether a line of the old file may have changed: a line that gives the value edited by
// itself or as the first line of a byte list, or a further line of a byte list.
bool mayChange(std::string_view line, const std::string& key, const std::string& name)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    const std::string head = "REGEDIT4\n[" + key + "]\n" + std::string(line) + "\n";
    if (regfile::StoreFile(head).find(key, name) || regfile::StoreFile(head + "  00\n").find(key, name).has_value())
        return true;
    return line.find_first_not_of("0123456789abcdefABCDEF, \t\\") == std::string_view::npos;
}

void checkEdit(std::string_view bytes, std::uint8_t choice)
{
    const regfile::StoreFile before{std::string(bytes)};
    const Values old = valuesOf(before);
    std::string key = "HKEY_CURRENT_USER\\Fuzz";
    std::string name = "V";
    const int operation = (choice >> 1) & 3;
    if (!old.empty() && operation != 3) {
        auto target = old.begin();
        std::advance(target, (choice >> 3) % old.size());
        for (const regfile::Key& k : before.document().keys)
            if (asciiLower(k.path) == target->first.first)
                key = k.path;
        name = target->second.name;
    }
    const regfile::Value value = operation == 1
        ? regfile::Value{name, regfile::Value::Kind::String, "C:\\x\\\"y\" z", 0}
        : regfile::Value{name, regfile::Value::Kind::Dword, {}, 0x12345600u ^ choice};

    Values expected = old;
    const auto id = std::make_pair(asciiLower(key), asciiLower(name));
    std::string edited;
    if (operation == 2) {
        const auto removed = before.remove(key, name);
        FUZZ_CHECK(removed.has_value() == before.find(key, name).has_value());
        if (!removed)
            return;
        edited = *removed;
        expected.erase(id);
    } else {
        edited = before.set(key, value);
        expected.insert_or_assign(id, value);
    }

    const regfile::StoreFile after(edited);
    const auto now = after.find(key, name);
    FUZZ_CHECK(operation == 2 ? !now : now && regfile::sameData(*now, value));
    FUZZ_CHECK(sameValues(valuesOf(after), expected));
    FUZZ_CHECK(unreadableTexts(after) == unreadableTexts(before));
    FUZZ_CHECK(operation == 2 || !after.headerMissing());  // a deletion only takes lines away
    for (const std::string_view mark : {"\xFF\xFE", "\xEF\xBB\xBF"})
        FUZZ_CHECK(bytes.substr(0, mark.size()) != mark || edited.substr(0, mark.size()) == mark);

    // Every line that does not give the value is still there, in order, byte for byte; the
    // last one may have been given a line end.
    const std::string oldText = asText(bytes);
    const std::string newText = asText(edited);
    const auto oldLines = linesOf(oldText);
    const auto newLines = linesOf(newText);
    FUZZ_CHECK(newLines.size() <= oldLines.size() + 4);
    std::size_t at = 0;
    for (std::size_t i = 0; i < oldLines.size(); ++i) {
        if (mayChange(oldLines[i], key, name))
            continue;
        const bool last = i + 1 == oldLines.size() && oldLines[i].back() != '\n';
        while (at < newLines.size()
               && !(last ? newLines[at].substr(0, oldLines[i].size()) == oldLines[i] : newLines[at] == oldLines[i]))
            ++at;
        FUZZ_CHECK(at < newLines.size());
        ++at;
    }
}

void checkBuilt(Bytes& in)
{
    regfile::Document document;
    std::string edited;
    while (!in.empty()) {
        const std::string path = keyPath(in);
        regfile::Key& key = document.makeKey(path);
        regfile::Value value;
        value.name = in.text();
        if (in.byte() & 1) {
            value.kind = regfile::Value::Kind::Dword;
            value.dword = static_cast<std::uint32_t>(in.byte()) << 24 | in.byte();
        } else {
            value.text = in.text();
        }
        if (regfile::Value* existing = regfile::findValue(key, value.name))
            *existing = {existing->name, value.kind, value.text, value.dword};
        else
            key.values.push_back(value);
        edited = regfile::StoreFile(edited).set(path, value);
    }
    const std::string written = regfile::write(document);
    const auto again = regfile::parse(written);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(regfile::write(*again) == written);
    FUZZ_CHECK(document.keys.empty() || edited == written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    if ((data[0] & 1) == 0) {
        const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
        checkEdit(bytes, data[0]);
        if (const auto document = regfile::parse(bytes)) {
            const std::string written = regfile::write(*document);
            const auto again = regfile::parse(written);
            FUZZ_CHECK(again.has_value());
            FUZZ_CHECK(regfile::write(*again) == written);
        }
    } else {
        Bytes in(data + 1, size - 1);
        checkBuilt(in);
    }
    return 0;
}
