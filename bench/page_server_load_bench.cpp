// The page server's answer time for a state request, idle and while 8
// clients trickle a request head in and 16 log streams are open (what used
// to hold all of httplib's workers). Over loopback; each request on a fresh
// connection, as a page's first request after a pause would be.
#include "tests/support/BarePhone.h"
#include "host/web/PhoneQueue.h"
#include "host/web/WebServer.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

using StillPhone = quorvel::test::BarePhone;

int connectTo(int port, const std::string& request)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        (void)::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    return fd;
}

void stateRequests(benchmark::State& state)
{
    StillPhone phone;
    host::PhoneQueue queue;
    host::WebServerOptions options;
    options.port = 0;
    host::WebServer server(phone, queue.runner(), options);
    std::string error;
    if (!server.start(&error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::atomic<bool> stopping{false};
    std::thread pump([&] {
        while (!stopping)
            queue.runPending(5ms);
    });
    const std::string host = "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n";
    std::vector<int> held;
    if (state.range(0)) {
        for (int i = 0; i < 8; ++i)
            held.push_back(connectTo(server.port(), "GET /api/state HTTP/1.1\r\n" + host + "X-Slow: 1\r\n"));
        for (size_t i = 0; i < host::kMaxLogStreams; ++i)
            held.push_back(connectTo(server.port(), "GET /api/log HTTP/1.1\r\n" + host + "\r\n"));
    }
    for (auto _ : state) {
        // Slow clients cut off at their deadline come back, as a hostile one would.
        for (size_t i = 0; i < 8 && state.range(0); ++i) {
            pollfd p{held[i], POLLIN, 0};
            if (::poll(&p, 1, 0) > 0) {
                ::close(held[i]);
                held[i] = connectTo(server.port(), "GET /api/state HTTP/1.1\r\n" + host + "X-Slow: 1\r\n");
            }
        }
        httplib::Client client("127.0.0.1", server.port());
        client.set_read_timeout(30, 0);
        auto result = client.Get("/api/state");
        if (!result || result->status != 200) {
            state.SkipWithError("the state request failed");
            break;
        }
    }
    for (int fd : held)
        ::close(fd);
    stopping = true;
    pump.join();
    queue.close();
    server.stop();
}
BENCHMARK(stateRequests)->ArgName("loaded")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
