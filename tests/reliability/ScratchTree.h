#pragma once
// A folder tree made for one test, with names given as raw bytes (newlines and bytes that
// are not UTF-8 included). Removed with everything below it at the end, even parts whose
// paths are too long to name or whose permissions were taken away.

#include "detection/CRC.h"

#include <QDir>
#include <QProcess>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace quenno::test {

// The bytes the tests' signature list knows.
inline const std::string kInfected = "MZ\x90\x00 infected sample for the reliability tests\r\n";

inline std::string infectedChecksum()
{
    return detection::ChecksumText(detection::CRC::ComputeCrc(
        std::span(reinterpret_cast<const std::uint8_t*>(kInfected.data()), kInfected.size())));
}

class ScratchTree {
public:
    explicit ScratchTree(const std::string& parent = QDir::tempPath().toStdString())
    {
        std::string pattern = parent + "/quenno-tree-XXXXXX";
        if (::mkdtemp(pattern.data()))
            m_root = pattern;
    }
    ~ScratchTree()
    {
        if (!m_root.empty()) {
            const QString root = QString::fromLocal8Bit(m_root.c_str());
            QProcess::execute("chmod", {"-R", "u+rwX", root});
            QProcess::execute("rm", {"-rf", root});
        }
    }
    ScratchTree(const ScratchTree&) = delete;
    ScratchTree& operator=(const ScratchTree&) = delete;

    bool valid() const { return !m_root.empty(); }
    const std::string& root() const { return m_root; }
    std::string path(const std::string& relative) const { return relative.empty() ? m_root : m_root + "/" + relative; }

    bool folder(const std::string& relative) const { return ::mkdir(path(relative).c_str(), 0755) == 0; }
    bool file(const std::string& relative, const std::string& content = kInfected) const
    {
        const int fd = ::open(path(relative).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        const bool written = ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
        return ::close(fd) == 0 && written;
    }

private:
    std::string m_root;
};

}  // namespace quenno::test
