#include "host/web/BoundedServer.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace host {

namespace {

using Clock = std::chrono::steady_clock;

// Waits are cut into slices this long so that a stopping server is noticed.
constexpr int kSliceMs = 100;
constexpr std::chrono::seconds kWriteTimeout{5};
// After a refusal, what the client still sends is read and dropped for a
// moment, so that closing does not reset the connection before the answer is read.
constexpr auto kDrainTime = std::chrono::milliseconds(200);
constexpr size_t kDrainBytes = 64 * 1024;

thread_local bool t_timedOut = false;
class ConnectionStream;
thread_local ConnectionStream* t_connection = nullptr;

std::string ipOf(const sockaddr_storage& address)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text, sizeof text);
    else if (address.ss_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr, text, sizeof text);
    return text;
}

int portOf(const sockaddr_storage& address)
{
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return 0;
}

// A connection's socket, read through a buffer that holds the request head
// (and whatever followed it) once readHead has found its end.
class ConnectionStream final : public httplib::Stream {
public:
    enum class Head { complete, closed, timedOut, tooLarge, stopping };

    ConnectionStream(int fd, const ServerLimits& limits, const std::atomic<socket_t>& listening)
        : m_fd(fd), m_limits(limits), m_listening(listening)
    {
    }

    // Waits up to the idle timeout for a request's first byte.
    bool awaitRequest()
    {
        if (m_pos < m_buffer.size())
            return true;
        return waitFor(POLLIN, Clock::now() + m_limits.idleTimeout) > 0;
    }

    // Reads the request line and headers, within the request's deadline.
    Head readHead()
    {
        m_buffer.erase(0, m_pos);
        m_pos = 0;
        m_deadline = Clock::now() + m_limits.requestDeadline;
        t_timedOut = false;
        size_t searched = 0;
        for (;;) {
            const size_t end = m_buffer.find("\r\n\r\n", searched > 3 ? searched - 3 : 0);
            const size_t headSize = end == std::string::npos ? m_buffer.size() : end + 4;
            if (headSize > m_limits.maxHeadBytes ||
                static_cast<size_t>(std::count(m_buffer.begin(), m_buffer.begin() + static_cast<long>(headSize), '\n')) >
                    m_limits.maxHeaderLines + 1)
                return Head::tooLarge;
            if (end != std::string::npos)
                return Head::complete;
            searched = m_buffer.size();
            const int ready = waitFor(POLLIN, m_deadline);
            if (ready == 0)
                return Head::timedOut;
            if (ready < 0)
                return Head::stopping;
            // Never more than one byte past the cap: the head is refused there.
            char chunk[4096];
            const size_t room = std::min(sizeof chunk, m_limits.maxHeadBytes + 1 - std::min(m_buffer.size(), m_limits.maxHeadBytes));
            const ssize_t n = ::recv(m_fd, chunk, room, 0);
            if (n <= 0)
                return Head::closed;
            m_buffer.append(chunk, static_cast<size_t>(n));
        }
    }

    // Answers with `status` and a line of text, and closes the sending side.
    void refuse(int status, const char* reason, const std::string& text)
    {
        const std::string body = text + "\n";
        const std::string answer = "HTTP/1.1 " + std::to_string(status) + " " + reason +
                                   "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " + std::to_string(body.size()) +
                                   "\r\nConnection: close\r\n\r\n" + body;
        m_deadline = Clock::now() + kWriteTimeout;
        for (size_t sent = 0; sent < answer.size();) {
            const ssize_t n = write(answer.data() + sent, answer.size() - sent);
            if (n <= 0)
                return;
            sent += static_cast<size_t>(n);
        }
        ::shutdown(m_fd, SHUT_WR);
        const auto until = Clock::now() + kDrainTime;
        char dropped[4096];
        for (size_t drained = 0; drained < kDrainBytes && waitFor(POLLIN, until) > 0;) {
            const ssize_t n = ::recv(m_fd, dropped, sizeof dropped, 0);
            if (n <= 0)
                break;
            drained += static_cast<size_t>(n);
        }
    }

    // Hands the socket over: from now on nothing is written to it.
    int take()
    {
        m_taken = true;
        return m_fd;
    }
    bool taken() const { return m_taken; }

    bool is_readable() const override { return !m_taken && (m_pos < m_buffer.size() || waitFor(POLLIN, m_deadline) > 0); }

    bool is_writable() const override
    {
        if (m_taken)
            return true;
        if (waitFor(POLLOUT, Clock::now() + kWriteTimeout) <= 0)
            return false;
        // A page that has gone shows as a socket readable with nothing to read.
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0) {
            char byte;
            if (::recv(m_fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0)
                return false;
        }
        return true;
    }

    ssize_t read(char* ptr, size_t size) override
    {
        if (m_taken)
            return -1;
        if (m_pos < m_buffer.size()) {
            const size_t n = std::min(size, m_buffer.size() - m_pos);
            std::memcpy(ptr, m_buffer.data() + m_pos, n);
            m_pos += n;
            return static_cast<ssize_t>(n);
        }
        const int ready = waitFor(POLLIN, m_deadline);
        if (ready <= 0) {
            t_timedOut = ready == 0;
            return -1;
        }
        return ::recv(m_fd, ptr, size, 0);
    }

    ssize_t write(const char* ptr, size_t size) override
    {
        // What httplib still writes after a handler took the socket goes nowhere.
        if (m_taken)
            return static_cast<ssize_t>(size);
        if (waitFor(POLLOUT, Clock::now() + kWriteTimeout) <= 0)
            return -1;
        return ::send(m_fd, ptr, size, MSG_NOSIGNAL);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override
    {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getpeername(m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            ip = ipOf(address);
            port = portOf(address);
        }
    }

    void get_local_ip_and_port(std::string& ip, int& port) const override
    {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            ip = ipOf(address);
            port = portOf(address);
        }
    }

    socket_t socket() const override { return m_fd; }

private:
    // 1 when the socket is ready, 0 when `until` passed first, -1 when the
    // server stops or the socket fails.
    int waitFor(short events, Clock::time_point until) const
    {
        for (;;) {
            if (m_listening == INVALID_SOCKET)
                return -1;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
            if (left <= 0)
                return 0;
            pollfd p{m_fd, events, 0};
            const int n = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, kSliceMs)));
            if (n > 0)
                return (p.revents & (events | POLLHUP | POLLERR)) ? 1 : -1;
            if (n < 0 && errno != EINTR)
                return -1;
        }
    }

    int m_fd;
    const ServerLimits& m_limits;
    const std::atomic<socket_t>& m_listening;
    std::string m_buffer;
    size_t m_pos = 0;
    bool m_taken = false;
    Clock::time_point m_deadline = Clock::now();
};

class BoundedServer final : public httplib::Server {
public:
    explicit BoundedServer(const ServerLimits& limits) : m_limits(limits)
    {
        new_task_queue = [workers = limits.workers] { return new httplib::ThreadPool(workers); };
    }

private:
    bool process_and_close_socket(socket_t sock) override
    {
        bool ok = true;
        {
            ConnectionStream stream(sock, m_limits, svr_sock_);
            for (size_t left = keep_alive_max_count_; left > 0 && stream.awaitRequest(); --left) {
                const auto head = stream.readHead();
                if (head == ConnectionStream::Head::tooLarge) {
                    stream.refuse(431, "Request Header Fields Too Large",
                                  "the request's headers are larger than " + std::to_string(m_limits.maxHeadBytes / 1024) +
                                      " KB or more than " + std::to_string(m_limits.maxHeaderLines) + " lines");
                    break;
                }
                if (head == ConnectionStream::Head::timedOut) {
                    stream.refuse(408, "Request Timeout", "the request did not arrive within " + seconds() + " s");
                    break;
                }
                if (head != ConnectionStream::Head::complete)
                    break;
                bool closed = false;
                t_connection = &stream;
                ok = process_request(stream, left == 1, closed, nullptr);
                t_connection = nullptr;
                if (stream.taken())
                    return true;
                if (!ok || closed)
                    break;
            }
        }
        ::shutdown(sock, SHUT_RDWR);
        ::close(sock);
        return ok;
    }

    std::string seconds() const
    {
        const auto ms = m_limits.requestDeadline.count();
        return ms % 1000 == 0 ? std::to_string(ms / 1000) : std::to_string(static_cast<double>(ms) / 1000).substr(0, 4);
    }

    ServerLimits m_limits;
};

} // namespace

std::unique_ptr<httplib::Server> makeBoundedServer(const ServerLimits& limits)
{
    return std::make_unique<BoundedServer>(limits);
}

bool requestTimedOut() { return t_timedOut; }

int takeConnection() { return t_connection ? t_connection->take() : -1; }

} // namespace host
