// An httplib server that bounds what one client may hold. httplib reads a
// request with a timeout per recv and no limit on the headers' number, so a
// client sending a header line every few seconds, or megabytes of headers,
// holds a worker (and memory) as long as it likes. Here each connection reads
// its request head itself before httplib parses it:
//   - the head (request line and headers) must arrive whole, at most
//     `maxHeadBytes` in at most `maxHeaderLines` lines, or the client gets 431
//     and the connection closes, nothing more read;
//   - the whole request, head and body, must arrive within `requestDeadline`
//     of its first byte, or the client gets 408 and the connection closes;
//   - an idle keep-alive connection is closed after `idleTimeout`;
// and the pool has `workers` threads, enough for a few slow clients and many
// normal ones. A connection a handler takes (takeConnection) leaves the pool.
//
//   auto server = makeBoundedServer(limits);   // then Get/Post/listen as usual
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>

namespace httplib { class Server; }

namespace host {

struct ServerLimits {
    std::chrono::milliseconds requestDeadline{5000};
    std::chrono::milliseconds idleTimeout{2000};
    size_t maxHeadBytes = 8 * 1024;
    size_t maxHeaderLines = 100;
    size_t workers = 24;
};

std::unique_ptr<httplib::Server> makeBoundedServer(const ServerLimits& limits);

// Inside a handler or the error handler: whether the request being answered
// ran out of its deadline while its body was read.
bool requestTimedOut();

// Inside a handler: takes the connection's socket from the server, which
// then writes nothing more to it and neither closes nor reads it again. The
// taker answers and closes it. -1 outside a handler.
int takeConnection();

} // namespace host
