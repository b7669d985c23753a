#pragma once
// Files whose reading fails: every file whose path holds the marker opens as usual, and its
// reads give their bytes for the first goodReads calls and fail from then on (-1), as a
// device that reports an error part-way through a file.

#include "ForwardingFileSystem.h"

#include <memory>
#include <string>

namespace quenno::test {

class FailingReadFileSystem final : public ForwardingFileSystem {
public:
    FailingReadFileSystem(platform::FileSystem& inner, std::string marker, int goodReads)
        : ForwardingFileSystem(inner), m_marker(std::move(marker)), m_goodReads(goodReads)
    {
    }
    std::unique_ptr<platform::FileReader> openRead(const std::string& path) const override
    {
        auto inner = ForwardingFileSystem::openRead(path);
        if (!inner || path.find(m_marker) == std::string::npos)
            return inner;
        return std::make_unique<Reader>(std::move(inner), m_goodReads);
    }

private:
    class Reader final : public platform::FileReader {
    public:
        Reader(std::unique_ptr<platform::FileReader> inner, int goodReads)
            : m_inner(std::move(inner)), m_left(goodReads)
        {
        }
        std::int64_t read(std::span<std::uint8_t> buffer) override { return m_left-- > 0 ? m_inner->read(buffer) : -1; }
        std::uint64_t length() const override { return m_inner->length(); }
        std::uint64_t position() const override { return m_inner->position(); }
        platform::FileIdentity identity() const override { return m_inner->identity(); }

    private:
        std::unique_ptr<platform::FileReader> m_inner;
        int m_left;
    };

    std::string m_marker;
    int m_goodReads;
};

}  // namespace quenno::test
