// The registry store's file can be edited by hand, replaced by an exported file, or be
// left damaged. Two inputs in one driver, chosen by the first byte:
//  - even: the bytes are a store file. When it parses, writing it and parsing that again
//    must give the same document, so a store that was read is never changed by a write;
//  - odd: the bytes build a document the way the registry calls do (any key, value name
//    and data the store accepts: no NUL, CR or LF). Written and read back it must be the
//    same document, so no value the program stores can damage the file.

#include "FuzzCheck.h"
#include "platform/linux/LinuxRegistryFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace quenno::platform;

namespace {

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
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

regfile::Document build(Bytes& in)
{
    regfile::Document document;
    while (!in.empty()) {
        regfile::Key& key = document.makeKey(keyPath(in));
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
            key.values.push_back(std::move(value));
    }
    return document;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::string written;
    if ((data[0] & 1) == 0) {
        const auto document = regfile::parse(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
        if (!document)
            return 0;
        written = regfile::write(*document);
    } else {
        Bytes in(data + 1, size - 1);
        written = regfile::write(build(in));
    }
    const auto again = regfile::parse(written);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(regfile::write(*again) == written);
    return 0;
}
