#include "sim/cli/StandardOutput.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <streambuf>
#include <unistd.h>

namespace quorvel::cli {

namespace {

// std::cout's buffer, written to file descriptor 1 directly: stdio forgets why
// a write failed once it drops the buffer, so the reason is kept here. Line
// buffered on a terminal, so a scenario's log shows as it runs.
class CheckedOutputBuffer : public std::streambuf {
public:
    CheckedOutputBuffer() : m_lineBuffered(::isatty(STDOUT_FILENO) == 1)
    {
        setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    }

    // errno of the first write that failed; 0 while none has.
    int error() const { return m_error; }

protected:
    int_type overflow(int_type c) override
    {
        if (!writeOut())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
            if (m_lineBuffered && c == '\n' && !writeOut())
                return traits_type::eof();
        }
        return traits_type::not_eof(c);
    }

    std::streamsize xsputn(const char* text, std::streamsize count) override
    {
        std::streamsize written = std::streambuf::xsputn(text, count);
        if (m_lineBuffered && std::memchr(text, '\n', static_cast<size_t>(count)) && !writeOut())
            return 0;
        return written;
    }

    int sync() override { return writeOut() ? 0 : -1; }

private:
    // Writes what is buffered. After a failure the rest is dropped: nobody
    // will read it, and the failure is reported at the end.
    bool writeOut()
    {
        const char* next = pbase();
        while (m_error == 0 && next < pptr()) {
            const ssize_t done = ::write(STDOUT_FILENO, next, static_cast<size_t>(pptr() - next));
            if (done >= 0)
                next += done;
            else if (errno != EINTR)
                m_error = errno;
        }
        setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
        return m_error == 0;
    }

    std::array<char, 1 << 16> m_buffer;
    bool m_lineBuffered;
    int m_error = 0;
};

CheckedOutputBuffer& checkedOutput()
{
    // Never destroyed: std::cout is flushed once more after static objects
    // go, and must still find its buffer then.
    static CheckedOutputBuffer* const buffer = new CheckedOutputBuffer;
    return *buffer;
}

} // namespace

void watchStandardOutput()
{
    std::signal(SIGPIPE, SIG_IGN);
    std::cout.rdbuf(&checkedOutput());
}

int finishStandardOutput(int status)
{
    std::cout.flush();
    // Anything written through stdio rather than std::cout.
    errno = 0;
    const bool stdioFlushed = std::fflush(stdout) == 0 && !std::ferror(stdout);
    int reason = checkedOutput().error();
    if (reason == 0 && !stdioFlushed)
        reason = errno ? errno : EIO;
    if (reason == 0)
        return status;
    std::fprintf(stderr, "quorvel: cannot write standard output: %s\n", std::strerror(reason));
    return std::max(status, kWriteErrorExitStatus);
}

} // namespace quorvel::cli
