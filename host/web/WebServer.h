// The phone in a browser: an HTTP server on 127.0.0.1 (cpp-httplib) that
// serves one page, with its script and style, from the binary, and the
// requests the page makes: the phone's state, its figures over time
// (GET /api/figures, FiguresJson.h), taps and typing, the app shown,
// lock, Do Not Disturb, roaming, and (where the phone has them) the clock and
// the carrier console; the system log streams as Server-Sent Events.
//
//   WebServer server(phone, runOnPhoneThread, {.port = 8470});
//   if (!server.start(&error)) ...;
//   std::cout << server.url() << "\n";
//   server.publishLog("09:00:00.000 sim: ...");   // from the phone's thread
//   server.stop();
//
// Every request is checked before the phone sees it: its head is at most
// 8 KB and 100 lines (431) and the whole request must arrive within a few
// seconds (408, BoundedServer.h); the Host header must name 127.0.0.1 or
// localhost at the server's port (against DNS rebinding); the access token
// must match when one is set (403 otherwise), except for the page's static
// shell (the page, its script, style and fonts), whose script sends the
// token with every request it makes; a state-changing request (a POST) must
// come from the page's own script: it carries the X-Quorvel-Request header,
// which no cross-site form or no-cors fetch can send, and its Origin and
// Sec-Fetch-Site, when present, say same-origin (403 otherwise); bodies are
// capped at 8 KB (413), parameters are validated (400 with a one-line reason,
// nothing changed), unknown paths answer 404. An action the phone refuses in
// its present state answers 409 with the reason. The log streams are served
// by a thread of their own (LogStreams.h), at most 16 at once.
//
// Threads: httplib answers on a pool of its own; each phone call goes through
// the PhoneThread runner, one at a time. start, stop and the destructor
// belong to the thread that made the server; publishLog may be called from
// any thread.
#pragma once

#include "host/web/BoundedServer.h"
#include "host/web/LogStreams.h"
#include "host/web/PhoneBackend.h"

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

namespace httplib { class Server; }

namespace host {

inline constexpr int kDefaultWebPort = 8470;
// httplib refuses form bodies over 8 KB whatever the payload limit; one
// limit for every body keeps the 413's text true.
inline constexpr size_t kMaxRequestBody = 8 * 1024;
// The header the page's script sends with every request it makes.
inline constexpr const char* kPageRequestHeader = "X-Quorvel-Request";

struct WebServerOptions {
    // 0 picks a free port (port() tells which).
    int port = kDefaultWebPort;
    // When set, every request must carry it (?token= or X-Quorvel-Token).
    std::string token;
    // Shown in the page's title.
    std::string title = "Quorvel";
    // What one client may hold (tests shorten the deadline).
    ServerLimits limits;
};

class WebServer {
public:
    WebServer(PhoneBackend& phone, PhoneThread onPhone, WebServerOptions options);
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Binds 127.0.0.1 and starts answering on a thread of its own. False with
    // the reason when the port cannot be bound.
    bool start(std::string* error);
    // Stops answering (open log streams end) and joins. Idempotent.
    void stop();

    int port() const { return m_port; }
    // "http://127.0.0.1:PORT/" with the token, when there is one.
    std::string url() const;
    // The same without the token, for logs that others may read.
    std::string address() const;

    // A line of the system log, for the page's live log.
    void publishLog(std::string line);

private:
    void addRoutes();
    bool admitted(const std::string& token) const;
    std::string state();

    PhoneBackend& m_phone;
    PhoneThread m_onPhone;
    WebServerOptions m_options;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;

    LogStreams m_logs;
};

} // namespace host
