// quorveld's life on a phone, end to end against the private buses: what it
// writes to its log from the network, the modes of its files, how it ends
// when a bus goes away, refresh requests in a burst, and the resume from a
// sleep that took a refresh's due time with it.
#include "LinuxHostFixture.h"

#include <sys/stat.h>

#include <sstream>
#include <string>

namespace linuxhost::test {
namespace {

using namespace std::chrono_literals;

const std::string kCodes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>codes</key><array>"
    "<dict><key>ussdCode</key><string>*100#</string><key>expectedNumbers</key><integer>2</integer>"
    "<key>fields</key><array><dict><key>title</key><string>Balance</string><key>index</key><integer>0</integer></dict>"
    "<dict><key>title</key><string>Bonus</string><key>index</key><integer>1</integer></dict></array></dict>"
    "</array></dict></plist>\n";

std::string settings(const std::string& entries)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + entries + "</dict></plist>\n";
}

unsigned modeOf(const std::filesystem::path& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0xFFFF;
}

// Whether some line of `text` starts with `start`.
bool hasLineStarting(const std::string& text, const std::string& start)
{
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(start, 0) == 0)
            return true;
    return false;
}

class DaemonLife : public LinuxHostTest {
protected:
    void answer(const std::string& text)
    {
        mock("SetUssdReply", g_variant_new("(ssss)", "*100#", "reply", text.c_str(), ""));
    }
    bool storeHas(const std::string& part)
    {
        return waitFor([&] { return codesStore().find(part) != std::string::npos; });
    }
    void callRefresh()
    {
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_sync(sessionBus(), "org.quillmoor.Quorvel1", "/org/quillmoor/Quorvel1",
                                                      "org.quillmoor.Quorvel1", "Refresh", nullptr, nullptr,
                                                      G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
        ASSERT_NE(reply, nullptr) << error->message;
        g_variant_unref(reply);
    }
    // logind's PrepareForSleep, as the mock's EmitSignal sends it.
    void prepareForSleep(bool going)
    {
        GVariantBuilder args;
        g_variant_builder_init(&args, G_VARIANT_TYPE("av"));
        g_variant_builder_add(&args, "v", g_variant_new_boolean(going));
        GVariant* sent = systemCall("org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.DBus.Mock",
                                    "EmitSignal",
                                    g_variant_new("(sssav)", "org.freedesktop.login1.Manager", "PrepareForSleep", "b", &args));
        if (sent)
            g_variant_unref(sent);
    }
};

TEST_F(DaemonLife, TextFromTheNetworkNeverWritesLinesOfItsOwn)
{
    startModemManager();
    answer("Balance 1.25\r\n13:00:00.000 quorveld: FORGED journal line\x1b[2J");
    writeCodes(kCodes);
    startDaemon();
    ASSERT_TRUE(waitForLog("using modem"));
    callRefresh();
    ASSERT_TRUE(waitForLog("USSD reply to *100#"));
    mock("SetNetworkNotification", g_variant_new("(s)", "Promo\n13:00:01.000 quorveld: FORGED notification\xc2\x9b"));
    ASSERT_TRUE(waitForLog("USSD network notification"));
    for (const std::string& sink : {log(), readText(folder() / "daemon.err")}) {
        EXPECT_FALSE(hasLineStarting(sink, "13:00:00.000 quorveld: FORGED")) << sink;
        EXPECT_FALSE(hasLineStarting(sink, "13:00:01.000 quorveld: FORGED")) << sink;
        EXPECT_EQ(sink.find('\x1b'), std::string::npos);
        EXPECT_EQ(sink.find('\r'), std::string::npos);
        EXPECT_NE(sink.find("Balance 1.25\\r\\n13:00:00.000 quorveld: FORGED journal line\\x1b[2J"), std::string::npos);
        EXPECT_NE(sink.find("Promo\\n13:00:01.000 quorveld: FORGED notification\\u009b"), std::string::npos);
    }
    // The engine's own lines are as they were.
    EXPECT_NE(log().find("Qvl: number of stored codes: 1"), std::string::npos);
}

TEST_F(DaemonLife, ADarwinNameFromTheBusIsBoundedInSize)
{
    startModemManager();
    startDaemon();
    const std::string huge = "org.quillmoor." + std::string(100000, 'x');
    CommandResult sent = run({"/usr/bin/gdbus", "emit", "--session", "--object-path", "/org/quillmoor/Darwin1", "--signal",
                              "org.quillmoor.Darwin1.Posted", huge});
    ASSERT_EQ(sent.status, 0) << sent.err;
    EXPECT_TRUE(waitForLog("with a name of 100014 bytes was ignored (at most 256)")) << log().substr(0, 2000);
    EXPECT_EQ(log().find(std::string(300, 'x')), std::string::npos);
}

TEST_F(DaemonLife, ItsLogFileAndANewRootAreTheUsersAlone)
{
    startModemManager();
    const auto fresh = folder() / "made" / "root";
    startDaemon({"--root", fresh.string()}, false);
    EXPECT_EQ(modeOf(folder() / "daemon.log"), 0600u);
    EXPECT_EQ(modeOf(fresh), 0700u);
    EXPECT_EQ(stopDaemon(), 0);
}

TEST_F(DaemonLife, TheDefaultRootLeftOpenByAnEarlierVersionIsTightened)
{
    startModemManager();
    const auto root = folder() / "state" / "quorvel";
    std::filesystem::create_directories(root);
    std::filesystem::permissions(root, std::filesystem::perms(0755));
    startDaemon({}, false);
    EXPECT_EQ(modeOf(root), 0700u);
    EXPECT_TRUE(waitForLog("was readable by others (mode 0755): made 0700")) << log();
    // A root the user names keeps its mode.
    EXPECT_EQ(stopDaemon(), 0);
    std::filesystem::permissions(this->root(), std::filesystem::perms(0755));
    startDaemon();
    EXPECT_EQ(modeOf(this->root()), 0755u);
}

TEST_F(DaemonLife, LosingTheSessionBusStopsItWithAFailureStatus)
{
    startModemManager();
    startDaemon();
    stopBus("session");
    EXPECT_EQ(waitDaemonExit(10s), 1);
    EXPECT_NE(log().find("quorveld: the session bus went away"), std::string::npos) << log();
}

TEST_F(DaemonLife, LosingTheSystemBusStopsItWithAFailureStatus)
{
    startModemManager();
    startDaemon();
    stopBus("system");
    EXPECT_EQ(waitDaemonExit(10s), 1);
    EXPECT_NE(log().find("quorveld: the system bus went away"), std::string::npos) << log();
}

TEST_F(DaemonLife, ABurstOfRefreshRequestsStartsOneSession)
{
    startModemManager();
    answer("Balance 12.50 rub, bonus 300");
    writeCodes(kCodes);
    startDaemon();
    ASSERT_TRUE(waitForLog("using modem"));
    for (int i = 0; i < 200; ++i)
        callRefresh();
    EXPECT_TRUE(storeHas("<string>12.50</string>")) << codesStore();
    EXPECT_EQ(logCount("USSD Initiate *100#"), 1u) << log();
    EXPECT_EQ(readText(folder() / "mock.out").find("Cancel"), std::string::npos);
    // One line for the run of coalesced requests, and their count when the next goes out.
    EXPECT_EQ(logCount("a refresh asked for over the session bus is coalesced"), 1u);
    ASSERT_TRUE(waitFor([&] {
        callRefresh();
        return logCount("quorveld: refresh asked for over the session bus (") == 1;
    }, 15s));
    EXPECT_NE(log().find("coalesced before it)"), std::string::npos);
    EXPECT_TRUE(waitFor([&] { return logCount("USSD Initiate *100#") == 2; }));
}

class SleepingPhone : public DaemonLife {
protected:
    void SetUp() override
    {
        DaemonLife::SetUp();
        // Every resume stands for an hour asleep (the daemon's clock moves on by it).
        setEnvironment("QUORVEL_TEST_SLEEP_SECONDS=3700");
        startModemManager();
        startLogind();
        writeCodes(kCodes);
        // Hourly, also while unlocked.
        writeSettings(settings("<key>autoRefreshRate</key><integer>60</integer>"
                               "<key>unlockedAutorefreshAllowed</key><true/>"));
    }
};

TEST_F(SleepingPhone, ARefreshThatFellDueDuringTheSleepRunsOnceOnResume)
{
    answer("Balance 12.50 rub, bonus 300");
    startDaemon();
    ASSERT_TRUE(waitForLog("using modem"));
    callRefresh();
    ASSERT_TRUE(storeHas("<string>12.50</string>")) << codesStore();
    answer("Balance 11.75 rub, bonus 290");
    prepareForSleep(true);
    ASSERT_TRUE(waitForLog("quorveld: the system is going to sleep"));
    prepareForSleep(false);
    EXPECT_TRUE(storeHas("<string>11.75</string>")) << log();
    EXPECT_EQ(logCount("USSD Initiate *100#"), 2u);
    EXPECT_EQ(logCount("Qvl: timer tick, autorefresh is 3600 seconds"), 1u) << log();
}

TEST_F(SleepingPhone, TheEnginesRulesStillHoldOnResume)
{
    answer("Balance 12.50 rub, bonus 300");
    startDaemon();
    mock("SetRegistration", g_variant_new("(us)", 5u, "26201"));
    ASSERT_TRUE(waitForLog("registration 5 on 26201, home 25001: roaming"));
    prepareForSleep(false);
    EXPECT_TRUE(waitForLog("Qvl: data refresh is disabled in roaming!")) << log();
    EXPECT_EQ(logCount("USSD Initiate"), 0u);
}

} // namespace
} // namespace linuxhost::test
