#include "host/web/LogStreams.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

namespace host {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kLogKept = 5000;
constexpr size_t kMaxBehind = 1024 * 1024;
// A comment now and then finds out when a page has gone.
constexpr auto kHeartbeat = std::chrono::seconds(1);

const char kStreamHead[] =
    "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";

} // namespace

LogStreams::LogStreams()
{
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        m_wake[0] = m_wake[1] = -1;
    m_thread = std::thread([this] { run(); });
}

LogStreams::~LogStreams()
{
    stop();
    for (int fd : m_wake)
        if (fd >= 0)
            ::close(fd);
}

void LogStreams::publish(std::string line)
{
    {
        std::lock_guard lock(m_mutex);
        m_lines.push_back(std::move(line));
        if (m_lines.size() > kLogKept) {
            m_lines.pop_front();
            ++m_first;
        }
    }
    wake();
}

uint64_t LogStreams::next()
{
    std::lock_guard lock(m_mutex);
    return m_first + m_lines.size();
}

void LogStreams::follow(int fd, uint64_t since)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_stopping) {
            m_incoming.push_back(Stream{fd, since, kStreamHead});
            fd = -1;
        }
    }
    if (fd >= 0)
        ::close(fd);
    wake();
}

void LogStreams::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    wake();
    if (m_thread.joinable())
        m_thread.join();
}

void LogStreams::wake()
{
    if (m_wake[1] >= 0) {
        const char byte = 1;
        (void)!::write(m_wake[1], &byte, 1);
    }
}

// Adds the lines the stream has not had yet to what it is to be sent (under the mutex).
void LogStreams::fill(Stream& stream)
{
    stream.next = std::max(stream.next, m_first);
    for (; stream.next < m_first + m_lines.size() && stream.out.size() <= kMaxBehind; ++stream.next) {
        std::istringstream lines(m_lines[static_cast<size_t>(stream.next - m_first)]);
        stream.out += "id: " + std::to_string(stream.next) + "\n";
        for (std::string line; std::getline(lines, line);)
            stream.out += "data: " + line + "\n";
        stream.out += "\n";
    }
}

// Only this thread changes m_streams and closes their sockets, so a socket's
// number cannot be reused under it.
void LogStreams::run()
{
    auto beat = Clock::now();
    std::vector<pollfd> waits;
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                break;
            for (Stream& stream : m_incoming)
                m_streams.push_back(std::move(stream));
            m_incoming.clear();
            while (m_streams.size() > kMaxLogStreams) {
                ::close(m_streams.front().fd);
                m_streams.erase(m_streams.begin());
            }
            const bool beating = Clock::now() - beat >= kHeartbeat;
            if (beating)
                beat = Clock::now();
            for (Stream& stream : m_streams) {
                fill(stream);
                if (beating && stream.out.empty())
                    stream.out = ": still here\n\n";
            }
        }
        for (auto it = m_streams.begin(); it != m_streams.end();) {
            bool gone = it->out.size() > kMaxBehind;
            while (!gone && !it->out.empty()) {
                const ssize_t n = ::send(it->fd, it->out.data(), it->out.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
                if (n > 0)
                    it->out.erase(0, static_cast<size_t>(n));
                else if (n < 0 && errno == EINTR)
                    continue;
                else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                    break;
                else
                    gone = true;
            }
            if (gone) {
                ::close(it->fd);
                it = m_streams.erase(it);
            } else {
                ++it;
            }
        }
        waits.assign(1, pollfd{m_wake[0], POLLIN, 0});
        for (const Stream& stream : m_streams)
            waits.push_back(pollfd{stream.fd, static_cast<short>(POLLIN | (stream.out.empty() ? 0 : POLLOUT)), 0});
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(beat + kHeartbeat - Clock::now()).count();
        if (::poll(waits.data(), waits.size(), static_cast<int>(std::max<long long>(left, 0) + 1)) <= 0)
            continue;
        char scratch[512];
        if (waits[0].revents)
            while (::read(m_wake[0], scratch, sizeof scratch) > 0) {
            }
        // A page that has gone: its socket reads as closed. What it sends is dropped.
        for (size_t i = waits.size() - 1; i >= 1; --i) {
            if (!(waits[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::recv(waits[i].fd, scratch, sizeof scratch, MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                ::close(m_streams[i - 1].fd);
                m_streams.erase(m_streams.begin() + static_cast<long>(i - 1));
            }
        }
    }
    for (const Stream& stream : m_streams)
        ::close(stream.fd);
    m_streams.clear();
    std::lock_guard lock(m_mutex);
    for (const Stream& stream : m_incoming)
        ::close(stream.fd);
    m_incoming.clear();
}

} // namespace host
