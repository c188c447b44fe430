// quorveld --serve end to end, against the private buses and the mock
// ModemManager: the page's address is logged with the path of the token's
// file (never the token), a file only the user can read; the page's static
// shell loads without the token, every other request needs it and a Host naming the
// server, the simulator's controls answer 404, and the Settings screens and
// the widget are those of the running daemon.
#include "LinuxHostFixture.h"

#include <httplib.h>

#include <regex>
#include <sys/stat.h>

namespace linuxhost::test {
namespace {

class WebPage : public LinuxHostTest {
protected:
    // Starts the daemon with the page; `starts` counts this run's start
    // among those whose lines the log holds.
    void startServing(size_t starts = 1)
    {
        if (starts == 1)
            startModemManager();
        startDaemon({"--serve", "--port", "0"});
        ASSERT_TRUE(waitFor([&] { return logCount("the browser page is at ") >= starts; })) << log();
        // The newest address is this run's; the token is in its file.
        const std::string text = log();
        const std::regex url(R"(http://127\.0\.0\.1:(\d+)/\?token=TOKEN, TOKEN being the contents of (\S+))");
        std::string file;
        for (auto it = std::sregex_iterator(text.begin(), text.end(), url); it != std::sregex_iterator(); ++it) {
            port = std::stoi((*it)[1]);
            file = (*it)[2];
        }
        ASSERT_NE(port, 0) << text;
        EXPECT_EQ(file, (root() / "web-token").string());
        token = readText(root() / "web-token");
        if (!token.empty() && token.back() == '\n')
            token.pop_back();
        ASSERT_FALSE(token.empty());
        // Neither the log file nor standard error holds the token.
        EXPECT_EQ(text.find(token), std::string::npos);
        EXPECT_EQ(readText(folder() / "daemon.err").find(token), std::string::npos);
    }
    httplib::Result get(const std::string& path, httplib::Headers headers = {})
    {
        httplib::Client client("127.0.0.1", port);
        return client.Get(path, headers);
    }
    httplib::Result post(const std::string& path, const httplib::Params& params)
    {
        httplib::Client client("127.0.0.1", port);
        return client.Post(path, {{"X-Quorvel-Token", token}, {"X-Quorvel-Request", "page"}}, params);
    }

    int port = 0;
    std::string token;
};

TEST_F(WebPage, TheTokenIsRandomAndKeptInAFileOnlyTheUserReads)
{
    startServing();
    EXPECT_EQ(token.size(), 32u);
    const auto file = root() / "web-token";
    EXPECT_EQ(readText(file), token + "\n");
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600);
    EXPECT_EQ(stopDaemon(), 0);
    // The next start makes another.
    const std::string first = token;
    startServing(2);
    EXPECT_NE(token, first);
    EXPECT_EQ(readText(file), token + "\n");
}

TEST_F(WebPage, RequestsWithoutTheTokenOrWithAStrangeHostAreRefused)
{
    startServing();
    auto status = [](const httplib::Result& r) { return r ? r->status : -1; };
    // The page's shell loads as a browser asks for it (its script then sends the token).
    EXPECT_EQ(status(get("/")), 200);
    EXPECT_EQ(status(get("/page.js")), 200);
    EXPECT_EQ(status(get("/page.css")), 200);
    EXPECT_EQ(status(get("/api/state")), 403);
    EXPECT_EQ(status(get("/api/log")), 403);
    EXPECT_EQ(status(get("/api/state?token=" + std::string(32, '0'))), 403);
    EXPECT_EQ(status(get("/?token=" + token)), 200);
    EXPECT_EQ(status(get("/api/state", {{"X-Quorvel-Token", token}})), 200);
    EXPECT_EQ(status(get("/api/state", {{"X-Quorvel-Token", token}, {"Host", "attacker.example:" + std::to_string(port)}})), 403);
    EXPECT_EQ(status(get("/api/state", {{"X-Quorvel-Token", token}, {"Host", "localhost:" + std::to_string(port)}})), 200);
    // What another site's form or no-cors fetch could send is refused, token or not.
    httplib::Client client("127.0.0.1", port);
    EXPECT_EQ(status(client.Post("/api/app?token=" + token, httplib::Params{{"app", "nc"}})), 403);
    EXPECT_EQ(status(client.Post("/api/app", {{"X-Quorvel-Token", token}, {"X-Quorvel-Request", "page"}, {"Origin", "http://evil.example"}},
                                 httplib::Params{{"app", "nc"}})),
              403);
    EXPECT_EQ(status(post("/api/app", {{"app", "nc"}})), 200);
    // No clock, no carrier, no lock or roaming switches on a real phone.
    for (const char* path : {"/api/clock", "/api/clock/next", "/api/carrier/answer", "/api/carrier/sms", "/api/lock", "/api/roaming"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(status(post(path, {{"rate", "1"}, {"on", "true"}})), 404);
    }
    EXPECT_EQ(stopDaemon(), 0);
}

TEST_F(WebPage, ShowsTheDaemonsSettingsScreensAndWidget)
{
    startServing();
    auto state = get("/api/state", {{"X-Quorvel-Token", token}});
    ASSERT_TRUE(state);
    EXPECT_NE(state->body.find("aria-label=\\\"Settings: Quorvel\\\""), std::string::npos);
    EXPECT_NE(state->body.find("\"features\":{\"clock\":false,\"carrier\":false,\"phone\":false,\"menus\":false}"), std::string::npos);
    // Down to the codes' row and into the list, through the daemon's own Settings process.
    auto scrolled = post("/api/settings/scroll", {{"x", "160"}, {"y", "300"}, {"dy", "1000"}});
    ASSERT_TRUE(scrolled);
    // Where the page shows the row's text, as a browser would click it.
    std::smatch row;
    ASSERT_TRUE(std::regex_search(scrolled->body, row, std::regex(R"re(<text x=\\"([0-9.]+)\\" y=\\"([0-9.]+)\\"[^>]*>USSD Codes<)re")))
        << scrolled->body.substr(0, 400);
    auto tapped = post("/api/settings/tap", {{"x", row[1]}, {"y", std::to_string(std::stod(row[2]) - 4)}});
    ASSERT_TRUE(tapped);
    EXPECT_EQ(tapped->status, 200) << tapped->body;
    EXPECT_NE(tapped->body.find("Settings: USSD Codes"), std::string::npos);
    auto nc = post("/api/app", {{"app", "nc"}});
    ASSERT_TRUE(nc);
    EXPECT_EQ(nc->status, 200);
    EXPECT_NE(nc->body.find("aria-label=\\\"Notification Center\\\""), std::string::npos);
    EXPECT_EQ(stopDaemon(), 0);
}

// Where the page shows `text` on the Settings screen, from the state's SVG.
bool textAt(const std::string& state, const std::string& text, double& x, double& y)
{
    std::smatch found;
    if (!std::regex_search(state, found, std::regex("<text x=\\\\\"([0-9.]+)\\\\\" y=\\\\\"([0-9.]+)\\\\\"[^>]*>" + text + "<")))
        return false;
    x = std::stod(found[1]) + 4;
    y = std::stod(found[2]) - 4;
    return true;
}

TEST_F(WebPage, ACodeAddedThroughThePageReachesTheEngineThroughTheStoreAndItsNotification)
{
    startServing();
    mock("SetUssdReply", g_variant_new("(ssss)", "*100#", "reply", "Balance 12.50 rub, bonus 300", ""));
    auto state = post("/api/settings/scroll", {{"x", "160"}, {"y", "300"}, {"dy", "1000"}});
    ASSERT_TRUE(state);
    double x = 0, y = 0;
    ASSERT_TRUE(textAt(state->body, "USSD Codes", x, y));
    ASSERT_EQ(post("/api/settings/tap", {{"x", std::to_string(x)}, {"y", std::to_string(y)}})->status, 200);
    ASSERT_EQ(post("/api/settings/tap", {{"x", "300"}, {"y", "42"}})->status, 200);   // "+"
    ASSERT_EQ(post("/api/settings/type", {{"text", "*100#"}})->status, 200);
    ASSERT_EQ(post("/api/settings/tap", {{"x", "290"}, {"y", "42"}})->status, 200);   // "Next": the modem is asked
    // The modem's answer comes back on the daemon's loop; the wizard moves on.
    std::string shown;
    EXPECT_TRUE(waitFor([&] {
        auto now = get("/api/state", {{"X-Quorvel-Token", token}});
        shown = now ? now->body : "";
        return shown.find("Settings: *100#") != std::string::npos;
    })) << log();
    ASSERT_TRUE(textAt(shown, "12.50", x, y));
    // The first number's title field sits right of its number.
    ASSERT_EQ(post("/api/settings/tap", {{"x", "200"}, {"y", std::to_string(y)}})->status, 200);
    ASSERT_EQ(post("/api/settings/type", {{"text", "Balance"}})->status, 200);
    ASSERT_EQ(post("/api/settings/tap", {{"x", "300"}, {"y", "42"}})->status, 200);   // "Save"
    auto notice = get("/api/state", {{"X-Quorvel-Token", token}});
    ASSERT_TRUE(notice);
    ASSERT_TRUE(textAt(notice->body, "OK", x, y)) << notice->body.substr(0, 300);
    ASSERT_EQ(post("/api/settings/tap", {{"x", std::to_string(x)}, {"y", std::to_string(y)}})->status, 200);
    EXPECT_TRUE(waitFor([&] { return codesStore().find("<string>*100#</string>") != std::string::npos; })) << codesStore();
    EXPECT_NE(codesStore().find("<string>Balance</string>"), std::string::npos) << codesStore();
    // The engine, in the home screen's process, reads the store again when told.
    EXPECT_TRUE(waitForLog("Qvl: number of stored codes: 1")) << log();
    EXPECT_EQ(stopDaemon(), 0);
}

} // namespace
} // namespace linuxhost::test
