// The page's live log: the newest lines, numbered from the first ever
// published, and the open streams that follow them as Server-Sent Events.
// The streams are served by one thread of their own with non-blocking
// writes, so an open page holds no worker of the HTTP server. At most
// `kMaxLogStreams` are open: a new one ends the oldest. A stream whose reader
// falls more than a megabyte behind is ended too.
//
//   LogStreams logs;
//   logs.publish("09:00:00.000 sim: ...");   // any thread
//   logs.follow(fd, 0);                       // a connection whose request was checked
//   logs.stop();                              // ends every stream
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace host {

inline constexpr size_t kMaxLogStreams = 16;

class LogStreams {
public:
    LogStreams();
    ~LogStreams();
    LogStreams(const LogStreams&) = delete;
    LogStreams& operator=(const LogStreams&) = delete;

    void publish(std::string line);
    // The number the next published line will have.
    uint64_t next();
    // Takes the connection: answers its request's head and streams from line
    // `since` on (or the oldest kept), until the reader goes or the cap ends it.
    void follow(int fd, uint64_t since);
    // Ends every stream and the thread. Idempotent.
    void stop();

private:
    struct Stream {
        int fd;
        uint64_t next;
        std::string out;
    };
    void run();
    void wake();
    void fill(Stream& stream);

    std::mutex m_mutex;
    std::deque<std::string> m_lines;
    uint64_t m_first = 0;
    std::vector<Stream> m_incoming;   // handed over, not yet served
    bool m_stopping = false;
    std::vector<Stream> m_streams;    // the thread's own, oldest first
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
};

} // namespace host
