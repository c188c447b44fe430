#include "host/web/WebServer.h"

#include "host/web/MenuPath.h"

#include "host/common/render/RenderFonts.h"
#include "host/common/text/JsonString.h"
#include "host/web/AlertForms.h"
#include "host/web/WebAssets.h"
#include "platform/foundation/Utf8.h"

#include <httplib.h>

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <optional>

namespace host {

namespace {

using httplib::Request;
using httplib::Response;

constexpr double kScreenWidth = 320;
constexpr double kScreenHeight = 480;
constexpr size_t kMaxText = 1024;

// A request the server refuses before the phone sees it.
struct BadRequest {
    std::string reason;
};

void answerText(Response& res, int status, const std::string& line)
{
    res.status = status;
    res.set_content(line + "\n", "text/plain; charset=utf-8");
}

std::string param(const Request& req, const char* name)
{
    if (!req.has_param(name))
        throw BadRequest{std::string("missing parameter ") + name};
    return req.get_param_value(name);
}

double number(const Request& req, const char* name, double low, double high)
{
    const std::string text = param(req, name);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        throw BadRequest{std::string(name) + " is not a number: \"" + text.substr(0, 40) + "\""};
    if (value < low || value >= high)
        throw BadRequest{std::string(name) + " is out of range"};
    return value;
}

bool flag(const Request& req, const char* name)
{
    const std::string text = param(req, name);
    if (text == "true" || text == "on")
        return true;
    if (text == "false" || text == "off")
        return false;
    throw BadRequest{std::string(name) + " must be true or false"};
}

// Text a person typed: valid UTF-8, not empty, at most `limit` bytes.
std::string text(const Request& req, const char* name, size_t limit = kMaxText, bool mayBeEmpty = false)
{
    std::string value = param(req, name);
    if (value.empty() && !mayBeEmpty)
        throw BadRequest{std::string(name) + " is empty"};
    if (value.size() > limit)
        throw BadRequest{std::string(name) + " is longer than " + std::to_string(limit) + " bytes"};
    if (!platform::utf8::isValid(value))
        throw BadRequest{std::string(name) + " is not UTF-8"};
    return value;
}

// A code as dialled: digits, *, # and + only.
std::string code(const Request& req)
{
    std::string value = text(req, "code", 40);
    for (char c : value)
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '*' || c == '#' || c == '+'))
            throw BadRequest{"code may hold only digits, *, # and +"};
    return value;
}

// An optional number: none when the parameter is missing or empty.
std::optional<double> optionalNumber(const Request& req, const char* name, double low, double high)
{
    if (!req.has_param(name) || req.get_param_value(name).empty())
        return std::nullopt;
    return number(req, name, low, high);
}

// The alert form's rule, every limit checked as the rules file's writer checks it.
quorvel::history::AlertRule alertRule(const Request& req)
{
    quorvel::history::AlertRule rule;
    rule.code = code(req);
    rule.index = static_cast<int64_t>(number(req, "index", 0, quorvel::history::kMostAlertIndex + 1));
    if (static_cast<double>(rule.index) != number(req, "index", 0, quorvel::history::kMostAlertIndex + 1))
        throw BadRequest{"index must be a whole number"};
    rule.below = optionalNumber(req, "below", -quorvel::history::kLargestAlertAmount, quorvel::history::kLargestAlertAmount);
    rule.fallingPerDay = optionalNumber(req, "falling", 0, quorvel::history::kLargestAlertAmount);
    if (rule.fallingPerDay && *rule.fallingPerDay <= 0)
        throw BadRequest{"falling must be above 0"};
    if (std::optional<double> hours = optionalNumber(req, "stale", 1, quorvel::history::kMostStaleHours + 1)) {
        if (*hours != static_cast<double>(static_cast<int64_t>(*hours)))
            throw BadRequest{"stale must be a whole number of hours"};
        rule.staleHours = static_cast<int64_t>(*hours);
    }
    return rule;
}

platform::CGPoint point(const Request& req)
{
    return platform::CGPointMake(number(req, "x", 0, kScreenWidth), number(req, "y", 0, kScreenHeight));
}

bool tokensEqual(const std::string& a, const std::string& b)
{
    // Compares every byte whatever the first difference, so timing tells nothing.
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

// The page's static shell: no secret in it, and a browser fetches it
// without the token (the script then sends the token with each request).
bool isShell(const Request& req)
{
    return req.method == "GET" &&
           (req.path == "/" || req.path == "/page.js" || req.path == "/page.css" || req.path == "/font/regular" ||
            req.path == "/font/bold");
}

// Why a state-changing request is refused as one another site's page may
// have sent; empty for the page's own. A cross-site form or no-cors fetch
// cannot add a header of its own, and the browser names where it came from.
std::string crossSiteProblem(const Request& req, const std::string& port)
{
    if (req.has_header("Sec-Fetch-Site") && req.get_header_value("Sec-Fetch-Site") != "same-origin")
        return "requests from other sites are refused";
    if (req.has_header("Origin")) {
        const std::string origin = req.get_header_value("Origin");
        if (origin != "http://127.0.0.1" + port && origin != "http://localhost" + port)
            return "requests from other origins are refused";
    }
    if (!req.has_header(kPageRequestHeader))
        return std::string("a request that changes something needs the ") + kPageRequestHeader +
               " header, which the page's script sends";
    return {};
}

std::string kilobytes(size_t bytes) { return std::to_string(bytes / 1024) + " KB"; }

std::optional<std::string> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

WebServer::WebServer(PhoneBackend& phone, PhoneThread onPhone, WebServerOptions options)
    : m_phone(phone), m_onPhone(std::move(onPhone)), m_options(std::move(options)), m_server(makeBoundedServer(m_options.limits))
{
}

WebServer::~WebServer() { stop(); }

bool WebServer::start(std::string* error)
{
    if (m_options.port < 0 || m_options.port > 65535) {
        if (error)
            *error = "the port must be between 0 and 65535";
        return false;
    }
    m_server->set_payload_max_length(kMaxRequestBody);
    // An answer goes out as headers and body in separate writes; without this
    // the body waits for the page's delayed acknowledgement (some 40 ms).
    m_server->set_tcp_nodelay(true);
    addRoutes();
    if (m_options.port == 0) {
        m_port = m_server->bind_to_any_port("127.0.0.1");
    } else {
        m_port = m_server->bind_to_port("127.0.0.1", m_options.port) ? m_options.port : -1;
    }
    if (m_port <= 0) {
        if (error)
            *error = "cannot listen on 127.0.0.1:" + std::to_string(m_options.port) + " (in use?)";
        m_port = 0;
        return false;
    }
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    return true;
}

void WebServer::stop()
{
    if (m_thread.joinable()) {
        m_server->stop();
        m_thread.join();
    }
    m_logs.stop();
}

std::string WebServer::address() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/"; }

std::string WebServer::url() const
{
    std::string out = address();
    if (!m_options.token.empty())
        out += "?token=" + m_options.token;
    return out;
}

void WebServer::publishLog(std::string line) { m_logs.publish(std::move(line)); }

bool WebServer::admitted(const std::string& token) const
{
    return m_options.token.empty() || tokensEqual(token, m_options.token);
}

std::string WebServer::state()
{
    std::string phone;
    std::string alerts;
    if (!m_onPhone([&] {
            phone = m_phone.stateJson();
            alerts = alertFormsJson();
        }))
        return {};
    // The phone's object, with what the server knows added at its end.
    std::string features = ",\"features\":{\"clock\":" + std::string(m_phone.clock() ? "true" : "false") +
                           ",\"carrier\":" + (m_phone.carrier() ? "true" : "false") +
                           ",\"phone\":" + (m_phone.hasPhoneControls() ? "true" : "false") +
                           ",\"menus\":" + (m_phone.editsMenuPaths() ? "true" : "false") + "}";
    features += ",\"logNext\":" + std::to_string(m_logs.next());
    features += ",\"title\":" + jsonString(m_options.title);
    features += ",\"alerts\":" + alerts;
    if (!phone.empty() && phone.back() == '}')
        phone.insert(phone.size() - 1, features);
    return phone;
}

void WebServer::addRoutes()
{
    httplib::Server& s = *m_server;

    s.set_pre_routing_handler([this](const Request& req, Response& res) {
        // Answers go uncompressed: over loopback compression saves nothing,
        // and httplib's brotli (at its default level) costs some 50 ms for
        // each state. The request object is httplib's own, not a constant.
        const_cast<Request&>(req).headers.erase("Accept-Encoding");
        const std::string host = req.get_header_value("Host");
        const std::string port = ":" + std::to_string(m_port);
        if (host != "127.0.0.1" + port && host != "localhost" + port) {
            answerText(res, 403, "the Host header must be 127.0.0.1" + port + " or localhost" + port);
            return httplib::Server::HandlerResponse::Handled;
        }
        const std::string token = req.has_param("token") ? req.get_param_value("token") : req.get_header_value("X-Quorvel-Token");
        if (!isShell(req) && !admitted(token)) {
            answerText(res, 403, "a valid access token is needed (see the URL the server printed)");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (req.method != "GET" && req.method != "HEAD") {
            if (const std::string problem = crossSiteProblem(req, port); !problem.empty()) {
                answerText(res, 403, problem);
                return httplib::Server::HandlerResponse::Handled;
            }
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    // Every error gets a one-line reason; the handlers' own reasons stay.
    s.set_error_handler(httplib::Server::HandlerWithResponse([](const Request& req, Response& res) {
        if (!res.body.empty())
            return httplib::Server::HandlerResponse::Unhandled;
        if (res.status == 404)
            answerText(res, 404, "no such page: " + req.path);
        else if (res.status == 413)
            answerText(res, 413, "the request body is larger than " + kilobytes(kMaxRequestBody));
        else if (requestTimedOut())
            answerText(res, 408, "the request did not arrive in time");
        else
            answerText(res, res.status, "the request was refused (" + std::to_string(res.status) + ")");
        return httplib::Server::HandlerResponse::Handled;
    }));
    s.set_exception_handler([](const Request&, Response& res, std::exception_ptr) {
        answerText(res, 500, "the server failed on this request");
    });

    s.Get("/", [](const Request&, Response& res) { res.set_content(std::string(web::pageHtml()), "text/html; charset=utf-8"); });
    s.Get("/page.js", [](const Request&, Response& res) {
        res.set_content(std::string(web::pageScript()), "text/javascript; charset=utf-8");
    });
    s.Get("/page.css", [](const Request&, Response& res) { res.set_content(std::string(web::pageStyle()), "text/css; charset=utf-8"); });
    // The pictures' system face, so the page draws text in the same font whatever the browser has.
    s.Get(R"(/font/(regular|bold))", [](const Request& req, Response& res) {
        const auto& file = kRenderFontFiles[req.matches[1] == "bold" ? 1 : 0];
        const auto bytes = readFile(file.path);
        if (!bytes) {
            answerText(res, 404, std::string("the font ") + file.path + " is not installed");
            return;
        }
        res.set_header("Cache-Control", "max-age=86400");
        res.set_content(*bytes, "font/ttf");
    });

    s.Get("/api/state", [this](const Request&, Response& res) {
        const std::string json = state();
        if (json.empty())
            return answerText(res, 503, "the phone is shutting down");
        res.set_header("Cache-Control", "no-store");
        res.set_content(json, "application/json");
    });

    // Read when the codes store changed (a refresh, a save): not with every state.
    s.Get("/api/figures", [this](const Request&, Response& res) {
        std::string json;
        if (!m_onPhone([&] { json = m_phone.figuresJson(); }))
            return answerText(res, 503, "the phone is shutting down");
        if (json.empty())
            return answerText(res, 404, "this phone keeps no figures over time");
        res.set_header("Cache-Control", "no-store");
        res.set_content(json, "application/json");
    });

    s.Get("/api/log", [this](const Request& req, Response& res) {
        uint64_t next = 0;
        std::string since = req.has_param("since") ? req.get_param_value("since") : req.get_header_value("Last-Event-ID");
        if (!since.empty()) {
            const auto [end, error] = std::from_chars(since.data(), since.data() + since.size(), next);
            if (error != std::errc() || end != since.data() + since.size())
                return answerText(res, 400, "since must be a line number");
            if (!req.has_param("since"))
                ++next;   // Last-Event-ID names the last line the page has
        }
        // The log's thread answers and streams from here on; this worker is free again.
        const int fd = takeConnection();
        if (fd < 0)
            return answerText(res, 500, "the log cannot be streamed");
        m_logs.follow(fd, next);
    });

    // An action: validated here, done on the phone's thread, answered with
    // the new state (so the page redraws from one round trip).
    auto action = [this](const char* path, std::function<std::function<PageReply()>(const Request&)> prepare) {
        m_server->Post(path, [this, prepare](const Request& req, Response& res) {
            std::function<PageReply()> act;
            try {
                act = prepare(req);
            } catch (const BadRequest& bad) {
                return answerText(res, 400, bad.reason);
            }
            if (!act)
                return answerText(res, 404, "this phone has no such control");
            PageReply reply;
            if (!m_onPhone([&] { reply = act(); }))
                return answerText(res, 503, "the phone is shutting down");
            if (!reply.ok)
                return answerText(res, 409, reply.problem);
            const std::string json = state();
            if (json.empty())
                return answerText(res, 503, "the phone is shutting down");
            res.set_content(json, "application/json");
        });
    };

    action("/api/app", [this](const Request& req) -> std::function<PageReply()> {
        const std::string app = param(req, "app");
        if (app != "settings" && app != "nc")
            throw BadRequest{"app must be settings or nc"};
        return [this, app] { return m_phone.showApp(app == "nc" ? PageApp::notificationCenter : PageApp::settings); };
    });
    action("/api/settings/tap", [this](const Request& req) -> std::function<PageReply()> {
        const auto at = point(req);
        return [this, at] { return m_phone.tapSettings(at); };
    });
    action("/api/settings/scroll", [this](const Request& req) -> std::function<PageReply()> {
        const auto at = point(req);
        const double dy = number(req, "dy", -10000, 10000);
        return [this, at, dy] { return m_phone.scrollSettings(at, dy); };
    });
    action("/api/settings/type", [this](const Request& req) -> std::function<PageReply()> {
        const std::string typed = text(req, "text");
        return [this, typed] { return m_phone.typeSettings(typed); };
    });
    action("/api/widget/tap", [this](const Request& req) -> std::function<PageReply()> {
        const auto at = point(req);
        return [this, at] { return m_phone.tapWidget(at); };
    });
    action("/api/lock", [this](const Request& req) -> std::function<PageReply()> {
        if (!m_phone.hasPhoneControls())
            return nullptr;
        const bool on = flag(req, "on");
        return [this, on] { return m_phone.setLocked(on); };
    });
    action("/api/dnd", [this](const Request& req) -> std::function<PageReply()> {
        if (!m_phone.hasPhoneControls())
            return nullptr;
        const bool on = flag(req, "on");
        return [this, on] { return m_phone.setDoNotDisturb(on); };
    });
    action("/api/roaming", [this](const Request& req) -> std::function<PageReply()> {
        if (!m_phone.hasPhoneControls())
            return nullptr;
        const bool on = flag(req, "on");
        return [this, on] { return m_phone.setRoaming(on); };
    });
    action("/api/clock", [this](const Request& req) -> std::function<PageReply()> {
        if (!m_phone.clock())
            return nullptr;
        const std::string rate = param(req, "rate");
        if (rate != "0" && rate != "1" && rate != "10" && rate != "60")
            throw BadRequest{"rate must be 0, 1, 10 or 60"};
        return [this, value = std::stoi(rate)] {
            m_phone.clock()->setRate(value);
            return PageReply::done();
        };
    });
    action("/api/clock/next", [this](const Request&) -> std::function<PageReply()> {
        if (!m_phone.clock())
            return nullptr;
        return [this] { return m_phone.clock()->runToNextTimer(); };
    });
    action("/api/alert", [](const Request& req) -> std::function<PageReply()> {
        const quorvel::history::AlertRule rule = alertRule(req);
        return [rule] { return saveAlertForm(rule); };
    });
    action("/api/carrier/answer", [this](const Request& req) -> std::function<PageReply()> {
        if (!m_phone.carrier())
            return nullptr;
        const std::string dialled = code(req);
        const std::string reply = text(req, "text");
        const double delay = number(req, "delay", 0, 3601);
        return [this, dialled, reply, delay] {
            m_phone.carrier()->answer(dialled, reply, delay);
            return PageReply::done();
        };
    });
    action("/api/carrier/silence", [this](const Request& req) -> std::function<PageReply()> {
        if (!m_phone.carrier())
            return nullptr;
        const std::string dialled = code(req);
        return [this, dialled] {
            m_phone.carrier()->silence(dialled);
            return PageReply::done();
        };
    });
    action("/api/codes/menu", [this](const Request& req) -> std::function<PageReply()> {
        if (!m_phone.editsMenuPaths())
            return nullptr;
        const std::string dialled = code(req);
        std::string problem;
        std::optional<std::vector<std::string>> choices = parseMenuPath(text(req, "choices", 400, true), problem);
        if (!choices)
            throw BadRequest{problem};
        return [this, dialled, choices = std::move(*choices)] { return m_phone.setMenuChoices(dialled, choices); };
    });
    action("/api/carrier/sms", [this](const Request& req) -> std::function<PageReply()> {
        if (!m_phone.carrier())
            return nullptr;
        const std::string sender = text(req, "sender", 40);
        const std::string message = text(req, "text", 1600);
        return [this, sender, message] { return m_phone.carrier()->sendSms(sender, message); };
    });
}

} // namespace host
