// What one client may hold of the page's server, over loopback with raw
// sockets: slow clients and open log streams do not stall other requests,
// a request's head is capped in size and lines, a request must arrive within
// its deadline, bodies are capped with a text that says the cap, and
// state-changing requests another site's page could send are refused.
// Every wait is bounded; nothing sleeps a fixed time.
#include "tests/support/BarePhone.h"
#include "host/web/PhoneQueue.h"
#include "host/web/WebServer.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kToken = "0123456789abcdef0123456789abcdef";

using BarePhone = quorvel::test::BarePhone;

// A raw connection to the server, closed when it goes.
class Connection {
public:
    explicit Connection(int port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected = ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~Connection() { ::close(m_fd); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // False once the server has closed or reset the connection.
    bool send(const std::string& data)
    {
        for (size_t sent = 0; sent < data.size();) {
            const ssize_t n = ::send(m_fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            sent += static_cast<size_t>(n);
        }
        return true;
    }
    // Reads until `part` has arrived, the server closes, or `limit` passes.
    bool await(const std::string& part, std::chrono::milliseconds limit = 5s)
    {
        const auto deadline = Clock::now() + limit;
        while (received.find(part) == std::string::npos) {
            if (!readSome(deadline))
                return false;
        }
        return true;
    }
    // Reads until the server closes the connection (true) or `limit` passes.
    bool awaitClose(std::chrono::milliseconds limit = 5s)
    {
        const auto deadline = Clock::now() + limit;
        while (!m_closed)
            if (!readSome(deadline) && !m_closed)
                return false;
        return true;
    }

    bool connected = false;
    std::string received;

private:
    bool readSome(Clock::time_point deadline)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || m_closed)
            return false;
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            m_closed = true;
            return false;
        }
        received.append(buffer, static_cast<size_t>(n));
        return true;
    }

    int m_fd = -1;
    bool m_closed = false;
};

class ClientLimits : public ::testing::Test {
protected:
    void serve(host::ServerLimits limits = {})
    {
        host::WebServerOptions options;
        options.port = 0;
        options.token = kToken;
        options.limits = limits;
        server = std::make_unique<host::WebServer>(phone, queue.runner(), options);
        std::string error;
        ASSERT_TRUE(server->start(&error)) << error;
        pump = std::thread([this] {
            while (!stopping)
                queue.runPending(5ms);
        });
    }
    void TearDown() override
    {
        stopping = true;
        if (pump.joinable())
            pump.join();
        queue.close();
        if (server)
            server->stop();
    }
    std::string host() const { return "Host: 127.0.0.1:" + std::to_string(server->port()) + "\r\n"; }
    std::string origin() const { return "http://127.0.0.1:" + std::to_string(server->port()); }
    // A request as the page makes it, with a short patience: the answer's status, -1 for none.
    int pageRequest(const std::string& method, const std::string& path, httplib::Headers headers = {},
                    const std::string& body = "", const char* type = "application/x-www-form-urlencoded")
    {
        httplib::Client client("127.0.0.1", server->port());
        client.set_connection_timeout(3, 0);
        client.set_read_timeout(3, 0);
        headers.emplace("X-Quorvel-Token", kToken);
        auto result = method == "GET" ? client.Get(path, headers) : client.Post(path, headers, body, type);
        lastBody = result ? result->body : "";
        return result ? result->status : -1;
    }
    httplib::Headers fromPage() const { return {{host::kPageRequestHeader, "page"}}; }

    BarePhone phone;
    host::PhoneQueue queue;
    std::unique_ptr<host::WebServer> server;
    std::atomic<bool> stopping{false};
    std::thread pump;
    std::string lastBody;
};

TEST_F(ClientLimits, EightSlowClientsAndSixteenLogStreamsDoNotStallARequest)
{
    serve();
    // Clients that send part of a head and then wait.
    std::vector<std::unique_ptr<Connection>> slow;
    for (int i = 0; i < 8; ++i) {
        slow.push_back(std::make_unique<Connection>(server->port()));
        ASSERT_TRUE(slow.back()->send("GET /api/state HTTP/1.1\r\n" + host() + "X-Slow: 1\r\n"));
    }
    // Log streams, each open once its answer's head has come.
    std::vector<std::unique_ptr<Connection>> streams;
    for (size_t i = 0; i < host::kMaxLogStreams; ++i) {
        streams.push_back(std::make_unique<Connection>(server->port()));
        ASSERT_TRUE(streams.back()->send("GET /api/log?token=" + kToken + " HTTP/1.1\r\n" + host() + "\r\n"));
        ASSERT_TRUE(streams.back()->await("text/event-stream")) << "stream " << i << ": " << streams.back()->received;
    }
    EXPECT_EQ(pageRequest("GET", "/api/state"), 200);
    EXPECT_EQ(pageRequest("POST", "/api/app", fromPage(), "app=nc"), 200);
    // One stream more ends the oldest; the others stay open.
    Connection newest(server->port());
    ASSERT_TRUE(newest.send("GET /api/log?token=" + kToken + " HTTP/1.1\r\n" + host() + "\r\n"));
    EXPECT_TRUE(newest.await("text/event-stream"));
    EXPECT_TRUE(streams.front()->awaitClose());
    server->publishLog("09:00:00.000 sim: after");
    EXPECT_TRUE(streams.back()->await("sim: after"));
    EXPECT_TRUE(newest.await("sim: after"));
}

TEST_F(ClientLimits, LogStreamsHoldNoWorker)
{
    host::ServerLimits limits;
    limits.workers = 2;
    serve(limits);
    std::vector<std::unique_ptr<Connection>> streams;
    for (size_t i = 0; i < host::kMaxLogStreams; ++i) {
        streams.push_back(std::make_unique<Connection>(server->port()));
        ASSERT_TRUE(streams.back()->send("GET /api/log?since=0 HTTP/1.1\r\n" + host() + "X-Quorvel-Token: " + kToken + "\r\n\r\n"));
        ASSERT_TRUE(streams.back()->await("text/event-stream")) << "stream " << i;
    }
    EXPECT_EQ(pageRequest("GET", "/api/state"), 200);
    // A page that goes is noticed, and its lines go to the others.
    streams.erase(streams.begin());
    server->publishLog("09:00:00.000 sim: one\ntwo");
    for (const auto& stream : streams)
        EXPECT_TRUE(stream->await("id: 0\ndata: 09:00:00.000 sim: one\ndata: two\n\n"));
}

TEST_F(ClientLimits, ARequestTricklingInPastItsDeadlineGets408)
{
    host::ServerLimits limits;
    limits.requestDeadline = 300ms;
    serve(limits);
    Connection trickle(server->port());
    ASSERT_TRUE(trickle.send("GET /api/state HTTP/1.1\r\n" + host()));
    // A header line every 50 ms, each within any per-read timeout, for up to 5 s.
    bool refused = false;
    const auto giveUp = Clock::now() + 5s;
    for (int line = 0; !refused && Clock::now() < giveUp; ++line) {
        trickle.send("X-Line-" + std::to_string(line) + ": 1\r\n");
        refused = trickle.await("\r\n\r\n", 50ms);
    }
    EXPECT_TRUE(refused);
    EXPECT_EQ(trickle.received.rfind("HTTP/1.1 408 ", 0), 0u) << trickle.received;
    EXPECT_TRUE(trickle.awaitClose());
    // A request that comes whole in time is answered.
    EXPECT_EQ(pageRequest("GET", "/api/state"), 200);
}

TEST_F(ClientLimits, HeadsOverTheirSizeOrLineCapGet431UnreadPastTheCap)
{
    serve();
    struct Case {
        const char* what;
        std::string headers;
    };
    const Case cases[] = {
        {"one long header", "X-Long: " + std::string(9000, 'a') + "\r\n"},
        {"too many headers", [] {
             std::string many;
             for (int i = 0; i < 150; ++i)
                 many += "X-" + std::to_string(i) + ": 1\r\n";
             return many;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Connection client(server->port());
        client.send("GET /api/state?token=" + kToken + " HTTP/1.1\r\n" + host() + c.headers + "\r\n");
        EXPECT_TRUE(client.await("\r\n\r\n"));
        EXPECT_EQ(client.received.rfind("HTTP/1.1 431 ", 0), 0u) << client.received.substr(0, 200);
        EXPECT_TRUE(client.awaitClose());
    }
    // Megabytes of headers: the server stops reading at the cap and closes
    // (the client may see its answer or, still sending, a reset).
    Connection flood(server->port());
    EXPECT_FALSE(flood.send("GET /api/state HTTP/1.1\r\n" + host() + "X-Flood: " + std::string(64 << 20, 'b')));
    EXPECT_TRUE(flood.awaitClose());
    if (!flood.received.empty()) {
        EXPECT_EQ(flood.received.rfind("HTTP/1.1 431 ", 0), 0u);
    }
    // A head under both caps is answered.
    httplib::Headers many;
    for (int i = 0; i < 80; ++i)
        many.emplace("X-" + std::to_string(i), std::string(40, 'c'));
    EXPECT_EQ(pageRequest("GET", "/api/state", many), 200);
}

TEST_F(ClientLimits, BodiesOverTheCapGet413SayingTheCap)
{
    serve();
    const std::string cap = std::to_string(host::kMaxRequestBody / 1024) + " KB";
    const std::string form = "text=" + std::string(host::kMaxRequestBody, 'a');
    EXPECT_EQ(pageRequest("POST", "/api/settings/type", fromPage(), form), 413);
    EXPECT_EQ(lastBody, "the request body is larger than " + cap + "\n");
    EXPECT_EQ(pageRequest("POST", "/api/settings/type", fromPage(), form, "application/octet-stream"), 413);
    EXPECT_EQ(lastBody, "the request body is larger than " + cap + "\n");
    // Just under the cap is read (and refused only for its content).
    EXPECT_EQ(pageRequest("POST", "/api/settings/type", fromPage(), "text=" + std::string(host::kMaxRequestBody - 100, 'a')), 400);
}

TEST_F(ClientLimits, StateChangingRequestsAnotherSiteCouldSendAreRefused)
{
    serve();
    // What a form on another site, or its no-cors fetch, sends: no header of the page's own.
    EXPECT_EQ(pageRequest("POST", "/api/app", {}, "app=nc"), 403);
    EXPECT_NE(lastBody.find(host::kPageRequestHeader), std::string::npos) << lastBody;
    const std::string port = std::to_string(server->port());
    struct Case {
        const char* name;
        const char* value;
    };
    for (const auto& [name, value] : {Case{"Origin", "http://evil.example"}, Case{"Origin", "null"},
                                      Case{"Origin", "http://127.0.0.1:1"}, Case{"Sec-Fetch-Site", "cross-site"},
                                      Case{"Sec-Fetch-Site", "same-site"}, Case{"Sec-Fetch-Site", "none"}}) {
        SCOPED_TRACE(std::string(name) + ": " + value);
        httplib::Headers headers = fromPage();
        headers.emplace(name, value);
        EXPECT_EQ(pageRequest("POST", "/api/app", headers, "app=nc"), 403);
    }
    // The page's own requests: the header, and the browser's same-origin marks.
    EXPECT_EQ(pageRequest("POST", "/api/app", fromPage(), "app=nc"), 200);
    httplib::Headers own = fromPage();
    own.emplace("Origin", origin());
    own.emplace("Sec-Fetch-Site", "same-origin");
    EXPECT_EQ(pageRequest("POST", "/api/app", own, "app=nc"), 200);
    httplib::Headers local = fromPage();
    local.emplace("Origin", "http://localhost:" + port);
    EXPECT_EQ(pageRequest("POST", "/api/app", local, "app=nc"), 200);
}

} // namespace
