// The page's server against a served simulated device, over loopback with
// httplib's client: every action through its endpoint, every bad request
// refused with 400 and nothing changed, unknown paths, the body cap, and the
// access token and Host rules. The device runs on the test's thread, as it
// runs on the serve loop's: requests go out from a helper thread while the
// test's thread runs the queue. The clock moves only when a request moves it.
#include "tests/support/BarePhone.h"
#include "common/QuorvelNames.h"
#include "history/AlertRules.h"
#include "host/web/PhoneQueue.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/PropertyList.h"
#include "host/web/WebServer.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UITableView.h"
#include "platform/ui/UITableViewCell.h"
#include "platform/ui/UITextField.h"
#include "platform/ui/UIViewController.h"
#include "sim/carrier/SimCarrier.h"
#include "host/common/render/ScreenRenderer.h"
#include "sim/settingsapp/SettingsApp.h"
#include "sim/springboard/SpringBoard.h"
#include "sim/web/SimPhone.h"
#include "sim/world/DeviceFolder.h"
#include "sim/world/World.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <regex>
#include <functional>
#include <string>

namespace {

using namespace std::chrono_literals;

struct Answer {
    int status = 0;
    std::string body;
};

// A served device: the World, its page backend, the queue and the server.
class ServedPhone {
public:
    explicit ServedPhone(host::WebServerOptions options = portZero())
    {
        world.carrier().answerByUssd("*100#", "Balance 12.50 rub, bonus 300", platform::Micros(2'000'000));
        world.boot();
        phone = std::make_unique<sim::SimPhone>(world);
        server = std::make_unique<host::WebServer>(*phone, queue.runner(), options);
        std::string error;
        started = server->start(&error);
        EXPECT_TRUE(started) << error;
    }
    ~ServedPhone()
    {
        queue.close();
        server->stop();
    }

    static host::WebServerOptions portZero()
    {
        host::WebServerOptions options;
        options.port = 0;
        return options;
    }

    // Sends a request from a helper thread while this thread serves the device.
    Answer send(const std::function<httplib::Result(httplib::Client&)>& request)
    {
        auto pending = std::async(std::launch::async, [&] {
            httplib::Client client("127.0.0.1", server->port());
            client.set_read_timeout(10, 0);
            httplib::Result result = request(client);
            return result ? Answer{result->status, result->body} : Answer{-1, httplib::to_string(result.error())};
        });
        while (pending.wait_for(0ms) != std::future_status::ready)
            queue.runPending(5ms);
        return pending.get();
    }
    Answer post(const std::string& path, const httplib::Params& params)
    {
        // As the page's script sends it.
        return send([&](httplib::Client& c) { return c.Post(path, {{host::kPageRequestHeader, "page"}}, params); });
    }
    Answer get(const std::string& path, const httplib::Headers& headers = {})
    {
        return send([&](httplib::Client& c) { return c.Get(path, headers); });
    }
    std::string state() { return phone->stateJson(); }

    sim::SettingsApp& settings() { return sim::settingsApp(world); }

    // Where the row showing `text` is on the screen, scrolled into view first.
    platform::CGPoint rowOnScreen(const std::string& text)
    {
        auto top = settings().topViewController();
        for (const auto& view : {top->view()}) {
            std::vector<std::shared_ptr<platform::UIView>> stack{view};
            while (!stack.empty()) {
                auto v = stack.back();
                stack.pop_back();
                if (auto cell = std::dynamic_pointer_cast<platform::UITableViewCell>(v); cell && cell->text() == text) {
                    const auto b = cell->bounds();
                    return cell->convertPointToView(platform::CGPointMake(b.size.width / 2, b.size.height / 2), nullptr);
                }
                for (const auto& s : v->subviews())
                    stack.push_back(s);
            }
        }
        ADD_FAILURE() << "no row " << text;
        return {};
    }

    sim::World world;
    std::unique_ptr<sim::SimPhone> phone;
    host::PhoneQueue queue;
    std::unique_ptr<host::WebServer> server;
    bool started = false;
};

httplib::Params at(double x, double y) { return {{"x", std::to_string(x)}, {"y", std::to_string(y)}}; }

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(WebServer, ServesThePageItsScriptAndTheDeviceStateFromTheBinary)
{
    ServedPhone served;
    const Answer page = served.get("/");
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(contains(page.body, "<script src=\"page.js\">"));
    EXPECT_EQ(served.get("/page.js").status, 200);
    EXPECT_EQ(served.get("/page.css").status, 200);
    const Answer state = served.get("/api/state");
    ASSERT_EQ(state.status, 200);
    // The Settings screen as SVG, its texts as text, its rows as buttons.
    EXPECT_TRUE(contains(state.body, ">Auto Refresh</text>"));
    EXPECT_TRUE(contains(state.body, "role=\\\"button\\\" aria-label=\\\"Auto Refresh, Off\\\""));
    EXPECT_TRUE(contains(state.body, "\"features\":{\"clock\":true,\"carrier\":true,\"phone\":true,\"menus\":true}"));
}

TEST(WebServer, AnswersUncompressedWhateverTheBrowserAccepts)
{
    // Brotli at httplib's default level costs tens of milliseconds a state.
    ServedPhone served;
    const Answer state = served.send([](httplib::Client& c) {
        c.set_decompress(false);
        return c.Get("/api/state", {{"Accept-Encoding", "br, gzip, deflate"}});
    });
    EXPECT_EQ(state.status, 200);
    EXPECT_EQ(state.body.front(), '{');
}

TEST(WebServer, AddsACodeThroughTheWizardByTapsAndTyping)
{
    ServedPhone served;
    EXPECT_EQ(served.post("/api/settings/scroll", {{"x", "160"}, {"y", "300"}, {"dy", "1000"}}).status, 200);
    const platform::CGPoint row = served.rowOnScreen("USSD Codes");
    ASSERT_LT(row.y, 480);
    EXPECT_EQ(served.post("/api/settings/tap", at(row.x, row.y)).status, 200);
    EXPECT_EQ(served.settings().screenTitle(), "USSD Codes");
    // The bar's buttons are buttons to a screen reader too.
    EXPECT_TRUE(std::regex_search(served.get("/api/state").body, std::regex(R"(role=\\"button\\"[^>]*>\+</text>)")));
    // The "+" bar button, at the right end of the navigation bar.
    EXPECT_EQ(served.post("/api/settings/tap", at(300, 42)).status, 200);
    EXPECT_EQ(served.settings().screenTitle(), "Add New Code");
    const Answer typed = served.post("/api/settings/type", {{"text", "*100#"}});
    EXPECT_EQ(typed.status, 200);
    EXPECT_TRUE(contains(typed.body, "data-value=\\\"*100#\\\""));
    // "Next" dials; the carrier answers 2 s later, at one of the next timers.
    EXPECT_EQ(served.post("/api/settings/tap", at(290, 42)).status, 200);
    const platform::Date before = served.world.now();
    while (served.settings().screenTitle() != "*100#" && served.world.now().since(before) < platform::Micros(3'000'000))
        EXPECT_EQ(served.post("/api/clock/next", {}).status, 200);
    EXPECT_EQ(served.settings().screenTitle(), "*100#");
    // The first number's title field, then a key of the on-screen keyboard.
    auto title = std::dynamic_pointer_cast<platform::UITextField>(served.settings().topViewController()->view()->viewWithTag(100));
    ASSERT_TRUE(title);
    const platform::CGPoint fieldAt = title->convertPointToView(platform::CGPointMake(10, 10), nullptr);
    EXPECT_EQ(served.post("/api/settings/tap", at(fieldAt.x, fieldAt.y)).status, 200);
    EXPECT_EQ(served.settings().application()->firstResponder(), title);
    platform::CGPoint keyAt{};
    for (const host::KeyboardKey& key : host::keyboardKeys(false))
        if (key.typed == "Q")
            keyAt = platform::CGPointMake(key.box.minX() + key.box.size.width / 2,
                                          key.box.minY() + key.box.size.height / 2 + platform::UIApplication::keyboardFrame().minY());
    EXPECT_EQ(served.post("/api/settings/tap", at(keyAt.x, keyAt.y)).status, 200);
    EXPECT_EQ(title->text(), "Q");
}

TEST(WebServer, RefusesWhatTheScreenCannotTakeWith409AndChangesNothing)
{
    ServedPhone served;
    const std::string before = served.state();
    const Answer typed = served.post("/api/settings/type", {{"text", "abc"}});
    EXPECT_EQ(typed.status, 409);
    EXPECT_TRUE(contains(typed.body, "no text field is being edited"));
    // The navigation bar's empty middle takes no tap.
    EXPECT_EQ(served.post("/api/settings/tap", at(160, 30)).status, 409);
    EXPECT_EQ(served.post("/api/widget/tap", at(10, 10)).status, 409);   // Notification Center is not shown
    EXPECT_EQ(served.state(), before);
}

TEST(WebServer, PhoneControlsActOnTheDevice)
{
    ServedPhone served;
    EXPECT_EQ(served.post("/api/dnd", {{"on", "true"}}).status, 200);
    EXPECT_TRUE(served.world.springBoard().statusBarItemEnabled(1));
    EXPECT_EQ(served.post("/api/roaming", {{"on", "on"}}).status, 200);
    EXPECT_TRUE(served.world.folder().roaming());
    const Answer locked = served.post("/api/lock", {{"on", "true"}});
    EXPECT_EQ(locked.status, 200);
    EXPECT_TRUE(contains(locked.body, "\"locked\":true,\"dnd\":true,\"roaming\":true"));
    EXPECT_EQ(served.post("/api/app", {{"app", "nc"}}).status, 200);
    EXPECT_TRUE(contains(served.state(), "aria-label=\\\"Notification Center\\\""));
    EXPECT_EQ(served.post("/api/clock", {{"rate", "60"}}).status, 200);
    EXPECT_EQ(served.phone->rate(), 60);
}

TEST(WebServer, CarrierConsoleAnswersSilencesAndSendsSms)
{
    ServedPhone served;
    EXPECT_EQ(served.post("/api/carrier/answer", {{"code", "*102#"}, {"text", "Minutes 250"}, {"delay", "1.5"}}).status, 200);
    const sim::CarrierScript* script = served.world.carrier().script("*102#");
    ASSERT_TRUE(script && script->ussd);
    EXPECT_EQ(script->ussd->text, "Minutes 250");
    EXPECT_EQ(script->ussd->delay, platform::Micros(1'500'000));
    EXPECT_EQ(served.post("/api/carrier/silence", {{"code", "*102#"}}).status, 200);
    EXPECT_FALSE(served.world.carrier().script("*102#")->ussd);
    const Answer sms = served.post("/api/carrier/sms", {{"sender", "900"}, {"text", "Data 1536 MB"}});
    EXPECT_EQ(sms.status, 200);
    EXPECT_TRUE(contains(sms.body, "{\"code\":\"*102#\",\"reply\":\"\",\"delay\":0,\"silent\":true}"));
}

TEST(WebServer, RecordsAStoredCodesMenuPathOrRemovesIt)
{
    ServedPhone served;
    EXPECT_EQ(served.post("/api/codes/menu", {{"code", "*100#"}, {"choices", "1/2"}}).status, 409) << "no codes yet";
    platform::Dict record{{quorvel::kUssdCodeKey, std::string("*100#")}, {quorvel::kExpectedNumbersKey, int64_t(1)}};
    ASSERT_TRUE(platform::writeDictionaryAtomically(
        quorvel::kCodesStorePath, platform::Dict{{quorvel::kCodesKey, platform::Array{platform::Value(record)}}}));

    const Answer set = served.post("/api/codes/menu", {{"code", "*100#"}, {"choices", " 1 / 2 "}});
    EXPECT_EQ(set.status, 200) << set.body;
    EXPECT_TRUE(contains(set.body, "\"menus\":true"));
    platform::Value stored = platform::readDictionary(quorvel::kCodesStorePath)[quorvel::kCodesKey].at(0);
    EXPECT_EQ(stored[quorvel::kMenuChoicesKey], platform::Value(platform::Array{platform::Value("1"), platform::Value("2")}));
    EXPECT_EQ(stored[quorvel::kExpectedNumbersKey].integerValue(), 1);

    const Answer other = served.post("/api/codes/menu", {{"code", "*101#"}, {"choices", "1"}});
    EXPECT_EQ(other.status, 409);
    EXPECT_TRUE(contains(other.body, "no stored code dials *101#"));

    EXPECT_EQ(served.post("/api/codes/menu", {{"code", "*100#"}, {"choices", ""}}).status, 200);
    stored = platform::readDictionary(quorvel::kCodesStorePath)[quorvel::kCodesKey].at(0);
    EXPECT_TRUE(stored[quorvel::kMenuChoicesKey].isNone());
}

TEST(WebServer, MalformedOrOutOfRangeRequestsGet400AndChangeNothing)
{
    ServedPhone served;
    const std::string before = served.state();
    struct Case {
        const char* path;
        httplib::Params params;
    };
    const std::string tooLong(1025, 'a');
    const Case cases[] = {
        {"/api/settings/tap", {{"x", "abc"}, {"y", "10"}}},
        {"/api/settings/tap", {{"x", "-1"}, {"y", "10"}}},
        {"/api/settings/tap", {{"x", "320"}, {"y", "10"}}},
        {"/api/settings/tap", {{"x", "10"}, {"y", "480"}}},
        {"/api/settings/tap", {{"x", "nan"}, {"y", "10"}}},
        {"/api/settings/tap", {{"x", "inf"}, {"y", "10"}}},
        {"/api/settings/tap", {{"x", "10"}}},
        {"/api/settings/tap", {{"x", "10 "}, {"y", "10"}}},
        {"/api/settings/scroll", {{"x", "10"}, {"y", "10"}, {"dy", "1e9"}}},
        {"/api/settings/type", {{"text", ""}}},
        {"/api/settings/type", {{"text", tooLong}}},
        {"/api/settings/type", {{"text", "\xff\xfe"}}},
        {"/api/widget/tap", {{"x", "1"}, {"y", "-0.5"}}},
        {"/api/app", {{"app", "springboard"}}},
        {"/api/lock", {{"on", "maybe"}}},
        {"/api/dnd", {}},
        {"/api/clock", {{"rate", "5"}}},
        {"/api/clock", {{"rate", "1.0"}}},
        {"/api/carrier/answer", {{"code", "*1a#"}, {"text", "x"}, {"delay", "1"}}},
        {"/api/carrier/answer", {{"code", "*100#"}, {"text", "x"}, {"delay", "-1"}}},
        {"/api/carrier/answer", {{"code", "*100#"}, {"text", "x"}, {"delay", "3601"}}},
        {"/api/carrier/answer", {{"code", "*100#"}, {"delay", "1"}}},
        {"/api/carrier/silence", {{"code", ""}}},
        {"/api/carrier/sms", {{"sender", ""}, {"text", "x"}}},
        {"/api/carrier/sms", {{"sender", "900"}, {"text", std::string(1601, 'x')}}},
        {"/api/codes/menu", {{"code", "*100#"}, {"choices", "1//2"}}},
        {"/api/codes/menu", {{"code", "*100#"}, {"choices", "1/\n2"}}},
        {"/api/codes/menu", {{"code", "*100#"}, {"choices", std::string(183, '1')}}},
        {"/api/codes/menu", {{"code", "*100#"}, {"choices", "1/1/1/1/1/1/1/1/1/1/1/1/1/1/1/1/1"}}},
        {"/api/codes/menu", {{"code", "*10a#"}, {"choices", "1"}}},
    };
    for (const Case& c : cases) {
        std::string shown = c.path;
        for (const auto& [name, value] : c.params)
            shown += " " + name + "=" + value.substr(0, 20);
        SCOPED_TRACE(shown);
        const Answer answer = served.post(c.path, c.params);
        EXPECT_EQ(answer.status, 400);
        // One line saying why.
        ASSERT_FALSE(answer.body.empty());
        EXPECT_EQ(answer.body.find('\n'), answer.body.size() - 1);
    }
    EXPECT_EQ(served.state(), before);
    EXPECT_EQ(served.world.carrier().scripts().size(), 1u);
}

// The page's alert form: one per titled field, saving writes the rules file
// (and wakes the history module, which fires at once on the stored value),
// empty limits clear it, and a malformed form is refused with nothing written.
TEST(WebServer, AlertFormsSetAndClearAFieldsAlertsAndRefuseMalformedOnes)
{
    ServedPhone served;
    platform::Dict field{{quorvel::kIndexKey, 0}, {quorvel::kTitleKey, "Balance"}, {quorvel::kLastValueKey, "4,80"}};
    platform::Dict record{{quorvel::kUssdCodeKey, "*100#"}, {quorvel::kExpectedNumbersKey, 1},
                          {quorvel::kRefreshedAtKey, served.world.now()}, {quorvel::kFieldsKey, platform::Array{platform::Value(field)}}};
    ASSERT_TRUE(platform::writeDictionaryAtomically(quorvel::kCodesStorePath,
                                                    platform::Dict{{quorvel::kCodesKey, platform::Array{platform::Value(record)}}}));
    const Answer empty = served.get("/api/state");
    EXPECT_TRUE(contains(empty.body,
                         "\"alerts\":[{\"code\":\"*100#\",\"index\":0,\"title\":\"Balance\",\"below\":\"\",\"falling\":\"\",\"stale\":\"\"}]"))
        << empty.body;

    const Answer saved = served.post("/api/alert", {{"code", "*100#"}, {"index", "0"}, {"below", "5"}, {"falling", ""}, {"stale", "24"}});
    EXPECT_EQ(saved.status, 200) << saved.body;
    EXPECT_TRUE(contains(saved.body, "\"below\":\"5.00\",\"falling\":\"\",\"stale\":\"24\"")) << saved.body;
    served.world.runPending();
    EXPECT_EQ(served.world.springBoard().bulletinCount(sim::kQuorvelBulletinSection), 1);

    const std::string rules = platform::readFile(quorvel::history::kAlertRulesPath).value_or("");
    const httplib::Params bad[] = {
        {{"code", "*1a#"}, {"index", "0"}, {"below", "5"}},
        {{"index", "0"}, {"below", "5"}},
        {{"code", "*100#"}, {"index", "1.5"}, {"below", "5"}},
        {{"code", "*100#"}, {"index", "1000"}, {"below", "5"}},
        {{"code", "*100#"}, {"index", "0"}, {"below", "five"}},
        {{"code", "*100#"}, {"index", "0"}, {"below", "nan"}},
        {{"code", "*100#"}, {"index", "0"}, {"falling", "0"}},
        {{"code", "*100#"}, {"index", "0"}, {"falling", "-1"}},
        {{"code", "*100#"}, {"index", "0"}, {"stale", "1.5"}},
        {{"code", "*100#"}, {"index", "0"}, {"stale", "0"}},
        {{"code", "*100#"}, {"index", "0"}, {"stale", "9000"}},
    };
    for (const httplib::Params& params : bad) {
        std::string shown;
        for (const auto& [name, value] : params)
            shown += " " + name + "=" + value;
        SCOPED_TRACE(shown);
        EXPECT_EQ(served.post("/api/alert", params).status, 400);
        EXPECT_EQ(platform::readFile(quorvel::history::kAlertRulesPath).value_or(""), rules);
    }
    // A form from another site (no page header) changes nothing either.
    const Answer foreign = served.send([](httplib::Client& c) {
        return c.Post("/api/alert", httplib::Params{{"code", "*100#"}, {"index", "0"}});
    });
    EXPECT_EQ(foreign.status, 403);
    EXPECT_EQ(platform::readFile(quorvel::history::kAlertRulesPath).value_or(""), rules);

    EXPECT_EQ(served.post("/api/alert", {{"code", "*100#"}, {"index", "0"}, {"below", ""}, {"falling", ""}, {"stale", ""}}).status, 200);
    EXPECT_TRUE(quorvel::history::readAlertRules().rules.empty());
}

TEST(WebServer, UnknownPathsGet404AndLargeBodiesAreRefusedUnread)
{
    ServedPhone served;
    const std::string before = served.state();
    const Answer missing = served.get("/api/nothing");
    EXPECT_EQ(missing.status, 404);
    EXPECT_EQ(missing.body, "no such page: /api/nothing\n");
    EXPECT_EQ(served.get("/api/settings/tap").status, 404);   // a POST path, asked with GET
    const std::string big = "text=" + std::string(host::kMaxRequestBody, 'a');
    const Answer refused = served.send([&](httplib::Client& c) {
        return c.Post("/api/settings/type", {{host::kPageRequestHeader, "page"}}, big, "application/x-www-form-urlencoded");
    });
    EXPECT_EQ(refused.status, 413);
    EXPECT_EQ(served.state(), before);
}

using BarePhone = quorvel::test::BarePhone;

// A bare phone served with a token, its thread running the queue meanwhile.
class TokenServer : public ::testing::Test {
protected:
    TokenServer() : server(phone, queue.runner(), options())
    {
        std::string error;
        EXPECT_TRUE(server.start(&error)) << error;
        pump = std::thread([this] {
            while (!stopping)
                queue.runPending(5ms);
        });
    }
    ~TokenServer() override
    {
        stopping = true;
        pump.join();
        queue.close();
        server.stop();
    }
    static host::WebServerOptions options()
    {
        host::WebServerOptions o;
        o.port = 0;
        o.token = "0123456789abcdef0123456789abcdef";
        return o;
    }
    int status(const std::string& path, const httplib::Headers& headers = {})
    {
        httplib::Client client("127.0.0.1", server.port());
        auto result = client.Get(path, headers);
        return result ? result->status : -1;
    }
    std::string port() const { return std::to_string(server.port()); }

    BarePhone phone;
    host::PhoneQueue queue;
    host::WebServer server;
    std::atomic<bool> stopping{false};
    std::thread pump;
};

TEST_F(TokenServer, EveryRequestButThePagesStaticShellNeedsTheToken)
{
    const std::string token = options().token;
    // The page, script, style and fonts load as a browser asks for them: with no token.
    EXPECT_EQ(status("/"), 200);
    EXPECT_EQ(status("/page.js"), 200);
    EXPECT_EQ(status("/page.css"), 200);
    EXPECT_NE(status("/font/regular"), 403);
    EXPECT_EQ(status("/page.js/x"), 403);
    EXPECT_EQ(status("/api/log"), 403);
    EXPECT_EQ(status("/api/state"), 403);
    EXPECT_EQ(status("/api/state?token=0123456789abcdef0123456789abcdee"), 403);
    EXPECT_EQ(status("/api/state?token=" + token.substr(1)), 403);
    EXPECT_EQ(status("/?token=" + token), 200);
    EXPECT_EQ(status("/api/state", {{"X-Quorvel-Token", token}}), 200);
    // Unknown paths stay hidden from whoever lacks the token.
    EXPECT_EQ(status("/api/nothing"), 403);
    EXPECT_EQ(server.url(), "http://127.0.0.1:" + port() + "/?token=" + token);
}

TEST_F(TokenServer, TheHostHeaderMustNameThisServer)
{
    const httplib::Headers token{{"X-Quorvel-Token", options().token}};
    auto with = [&](const std::string& host) {
        httplib::Headers headers = token;
        headers.emplace("Host", host);
        return headers;
    };
    EXPECT_EQ(status("/api/state", with("localhost:" + port())), 200);
    EXPECT_EQ(status("/api/state", with("127.0.0.1:" + port())), 200);
    EXPECT_EQ(status("/api/state", with("evil.example:" + port())), 403);
    EXPECT_EQ(status("/api/state", with("127.0.0.1")), 403);
    EXPECT_EQ(status("/api/state", with("127.0.0.1:1")), 403);
}

TEST_F(TokenServer, APhoneWithoutClockCarrierOrPhoneControlsHidesThemAndAnswers404)
{
    httplib::Client client("127.0.0.1", server.port());
    const httplib::Headers token{{"X-Quorvel-Token", options().token}};
    auto state = client.Get("/api/state", token);
    ASSERT_TRUE(state);
    EXPECT_TRUE(contains(state->body, "\"features\":{\"clock\":false,\"carrier\":false,\"phone\":false,\"menus\":false}"));
    for (const char* path : {"/api/clock", "/api/clock/next", "/api/carrier/answer", "/api/carrier/silence", "/api/carrier/sms",
                             "/api/lock", "/api/dnd", "/api/roaming", "/api/codes/menu"}) {
        SCOPED_TRACE(path);
        httplib::Headers headers = token;
        headers.emplace(host::kPageRequestHeader, "page");
        auto result = client.Post(path, headers, httplib::Params{{"rate", "1"}, {"on", "true"}});
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 404);
    }
}

TEST_F(TokenServer, TheLogStreamsEachLineOnceAsServerSentEvents)
{
    server.publishLog("09:00:00.000 sim: first");
    server.publishLog("09:00:01.000 Qvl: two\nlines");
    httplib::Client client("127.0.0.1", server.port());
    std::string received;
    // The stream never ends by itself: the receiver stops it once both lines are in.
    client.Get("/api/log?since=0&token=" + options().token, [&](const char* data, size_t size) {
        received.append(data, size);
        if (received.find("data: lines") == std::string::npos)
            return true;
        return false;
    });
    EXPECT_EQ(received, "id: 0\ndata: 09:00:00.000 sim: first\n\nid: 1\ndata: 09:00:01.000 Qvl: two\ndata: lines\n\n");
    // Reconnecting after line 0 (as EventSource does) starts at line 1.
    std::string again;
    client.Get("/api/log", {{"X-Quorvel-Token", options().token}, {"Last-Event-ID", "0"}}, [&](const char* data, size_t size) {
        again.append(data, size);
        return again.find("\n\n") == std::string::npos;
    });
    EXPECT_EQ(again.rfind("id: 1\n", 0), 0u) << again;
}

TEST(PhoneQueue, AfterCloseNothingRunsAndWaitingCallersAreReleased)
{
    host::PhoneQueue queue;
    bool ran = false;
    auto waiting = std::async(std::launch::async, [&] { return queue.run([&] { ran = true; }); });
    // The work is queued, never run: closing must release its caller.
    while (waiting.wait_for(1ms) != std::future_status::ready) {
        queue.close();
    }
    EXPECT_FALSE(waiting.get());
    EXPECT_FALSE(ran);
    EXPECT_FALSE(queue.run([&] { ran = true; }));
    EXPECT_FALSE(ran);
}

} // namespace
