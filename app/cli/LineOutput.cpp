#include "LineOutput.h"

#include <cerrno>
#include <cstring>

namespace quenno::cli {

bool LineOutput::line(std::string_view text)
{
    if (m_failed || m_closed)
        return false;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), m_stream) != text.size() || std::fputc('\n', m_stream) == EOF
        || std::fflush(m_stream) != 0)
        fail(errno);
    return !m_failed;
}

bool LineOutput::close()
{
    if (m_closed)
        return !m_failed;
    m_closed = true;
    errno = 0;
    const bool flushed = std::fflush(m_stream) == 0 && std::ferror(m_stream) == 0;
    const int flushError = errno;
    // A file system may say only at close that the data did not reach it.
    const bool closed = std::fclose(m_stream) == 0;
    if (!m_failed && (!flushed || !closed))
        fail(!flushed ? flushError : errno);
    return !m_failed;
}

void LineOutput::fail(int error)
{
    if (m_failed)
        return;
    m_failed = true;
    m_reason = error != 0 ? std::strerror(error) : "write error";
}

}  // namespace quenno::cli
