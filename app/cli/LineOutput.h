#pragma once
// Lines written to a stream whose failure must not go unseen: a full device or a reader
// that went away ends the run instead of letting it report success.

#include <cstdio>
#include <string>
#include <string_view>

namespace quenno::cli {

class LineOutput {
public:
    explicit LineOutput(std::FILE* stream) : m_stream(stream) { }

    // Writes text and a line end and hands the line on at once (a reader at the other end
    // of a pipe sees each detection as it is found). False once any write has failed.
    bool line(std::string_view text);
    // Hands on what is buffered and closes the stream; false if anything written was lost.
    bool close();
    bool failed() const { return m_failed; }
    // What the operating system said about the first failure.
    const std::string& reason() const { return m_reason; }

private:
    void fail(int error);

    std::FILE* m_stream;
    bool m_failed = false;
    bool m_closed = false;
    std::string m_reason;
};

}  // namespace quenno::cli
