// quorveld end to end against the mock ModemManager: each case is checked
// through the stores under the device root, the widget's output and the log.
#include "CodesPlist.h"
#include "LinuxHostFixture.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace linuxhost::test {
namespace {

using namespace std::chrono_literals;

const std::string kBalanceCode = codeXml("*100#", 2, {{"Balance", 0}, {"Bonus", 1}});

class EndToEnd : public LinuxHostTest {
protected:
    void answer(const std::string& code, const std::string& mode, const std::string& text, const std::string& sender = "")
    {
        mock("SetUssdReply", g_variant_new("(ssss)", code.c_str(), mode.c_str(), text.c_str(), sender.c_str()));
    }
    bool storeHas(const std::string& part)
    {
        return waitFor([&] { return codesStore().find(part) != std::string::npos; });
    }
    void refresh() { ASSERT_TRUE(refreshTaken()) << "no refresh went through to the engine"; }
    std::string widgetLine()
    {
        CommandResult r = quorvel({"widget"});
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }
};

TEST_F(EndToEnd, TheMockIsFaithfulToTheRealClient)
{
    startModemManager();
    answer("*100#", "reply", "Balance 12.50 rub");
    CommandResult ussd = run({"/usr/bin/mmcli", "-m", "0", "--3gpp-ussd-initiate=*100#"});
    EXPECT_EQ(ussd.status, 0) << ussd.err;
    EXPECT_NE(ussd.out.find("new reply from network: 'Balance 12.50 rub'"), std::string::npos) << ussd.out;

    mock("DeliverSms", g_variant_new("(ss)", "900", "Balance 7.00"));
    EXPECT_TRUE(waitFor([&] {
        return run({"/usr/bin/mmcli", "-m", "0", "--messaging-list-sms"}).out.find("/SMS/0 (received)") != std::string::npos;
    }));
    CommandResult sms = run({"/usr/bin/mmcli", "-s", "0"});
    EXPECT_NE(sms.out.find("Balance 7.00"), std::string::npos) << sms.out;
}

TEST_F(EndToEnd, AUssdReplyIsStoredUnderItsTitlesAndShownByTheWidget)
{
    startModemManager();
    answer("*100#", "reply", "Balance 12.50 rub, bonus 300");
    writeCodes(codesXml({kBalanceCode}));
    startDaemon();
    refresh();
    EXPECT_TRUE(storeHas("<string>12.50</string>")) << codesStore();
    EXPECT_TRUE(storeHas("<string>300</string>"));
    EXPECT_TRUE(waitForLog("quorveld: widget: Balance: 12.50 | Bonus: 300"));
    std::string line = widgetLine();
    EXPECT_NE(line.find("\"text\":\"Balance: 12.50 | Bonus: 300\""), std::string::npos) << line;
    EXPECT_NE(line.find("\"tooltip\":\"Refreshed at: "), std::string::npos) << line;
    EXPECT_NE(line.find("\"class\":\"values\""), std::string::npos) << line;
    EXPECT_TRUE(std::filesystem::file_size(root() / "widget.png") > 0);
    EXPECT_NE(log().find("quorveld: USSD Initiate *100# on /org/freedesktop/ModemManager1/Modem/0"), std::string::npos);
    // A clean stop, and the store is whole afterwards.
    EXPECT_EQ(stopDaemon(), 0);
    EXPECT_NE(codesStore().find("</plist>"), std::string::npos);
    EXPECT_NE(log().find("quorveld: stopped"), std::string::npos);
}

TEST_F(EndToEnd, ACyrillicReplyIsStoredAsSent)
{
    startModemManager();
    answer("*100#", "reply", "Баланс 45,20 р. Бонус 150 мин");
    writeCodes(codesXml({codeXml("*100#", 2, {{"Баланс", 0}, {"Минуты", 1}})}));
    startDaemon();
    refresh();
    EXPECT_TRUE(storeHas("<string>45,20</string>")) << codesStore();
    EXPECT_TRUE(waitForLog("quorveld: widget: Баланс: 45,20 | Минуты: 150"));
    EXPECT_NE(log().find("USSD reply to *100#: \"Баланс 45,20 р. Бонус 150 мин\""), std::string::npos);
}

TEST_F(EndToEnd, AReplyBySmsIsReadOnceReceivedWholeAndLeftOnTheModem)
{
    startModemManager();
    // In two parts: announced while receiving, read once received whole.
    answer("*102#", "sms-parts", "Minutes left 250, SMS 40", "900");
    writeCodes(codesXml({codeXml("*102#", 2, {{"Minutes", 0}, {"SMS", 1}}, "900")}));
    startDaemon();
    refresh();
    EXPECT_TRUE(storeHas("<string>250</string>")) << codesStore();
    EXPECT_TRUE(storeHas("<string>40</string>"));
    EXPECT_TRUE(waitForLog("quorveld: SMS from 900 stored as message 1"));
    // Read only after State went from receiving (2) to received (3).
    std::string text = readText(folder() / "mock.out");
    EXPECT_NE(text.find("{\"State\": 3}"), std::string::npos);
    EXPECT_EQ(logCount("stored as message"), 1u);
    EXPECT_TRUE(std::filesystem::exists(root() / "private/var/mobile/Library/SMS/sms.db"));
    CommandResult list = run({"/usr/bin/mmcli", "-m", "0", "--messaging-list-sms"});
    EXPECT_NE(list.out.find("/SMS/0 (received)"), std::string::npos) << list.out;
}

TEST_F(EndToEnd, AnActiveSessionOfAnotherProgramIsWaitedForNotCancelled)
{
    startModemManager();
    answer("*100#", "reply", "Balance 3.10 rub, bonus 20");
    mock("SetUssdState", g_variant_new("(u)", 2u));
    writeCodes(codesXml({kBalanceCode}));
    startDaemon();
    refresh();
    ASSERT_TRUE(waitForLog("a USSD session quorveld did not start is active: *100# waits until it is idle"));
    // The network releases it: the waiting code goes out then, and only then.
    mock("ReleaseSession", nullptr);
    EXPECT_TRUE(storeHas("<string>3.10</string>")) << codesStore();
    std::string calls = readText(folder() / "mock.out");
    EXPECT_EQ(calls.find("Cancel"), std::string::npos) << calls;
    EXPECT_EQ(logCount("USSD Initiate *100#"), 1u);
}

TEST_F(EndToEnd, AnErrorIsLoggedWithModemManagersNameAndTheCycleGoesOn)
{
    startModemManager();
    answer("*101#", "reply", "Data 2048 MB");
    // The modem refuses *100#.
    answer("*100#", "fail", "no answer to *100#", "org.freedesktop.ModemManager1.Error.Core.Unsupported");
    writeCodes(codesXml({kBalanceCode, codeXml("*101#", 1, {{"Data", 0}})}));
    startDaemon();
    refresh();
    EXPECT_TRUE(waitForLog("USSD Initiate *100# failed: org.freedesktop.ModemManager1.Error.Core.Unsupported: no answer to *100#"));
    // The engine moves on when a reply comes; here it never does, so a new cycle starts over.
    EXPECT_EQ(logCount("USSD Initiate *101#"), 0u);
}

TEST_F(EndToEnd, AReplyThatNeverComesLetsTheWindowCloseAndTheNextCycleRuns)
{
    startModemManager();
    answer("*100#", "silent", "");
    writeCodes(codesXml({kBalanceCode}));
    writeSettings(plist("<dict><key>maxResponseTime</key><real>1</real></dict>"));
    startDaemon();
    refresh();
    ASSERT_TRUE(waitForLog("USSD Initiate *100#"));
    // Past the window a network text is not taken for the reply.
    EXPECT_TRUE(waitFor([&] {
        mock("SetNetworkNotification", g_variant_new("(s)", ("Balance 9.99 rub, bonus 1 " + std::to_string(logCount("window has passed"))).c_str()));
        return waitForLog("Qvl: window has passed, not parsing this USSD response", 300ms);
    }, 8s));
    EXPECT_EQ(codesStore().find("9.99"), std::string::npos);
    // The next cycle dials again, and its reply is stored.
    answer("*100#", "reply", "Balance 8.00 rub, bonus 2");
    refresh();
    EXPECT_TRUE(storeHas("<string>8.00</string>")) << codesStore();
    // The first Initiate, cancelled once before the second, fails with Core.Aborted.
    EXPECT_EQ(logCount("USSD Initiate *100# on"), 2u);
    EXPECT_EQ(logCount("Error.Core.Aborted"), 1u);
}

TEST_F(EndToEnd, AModemThatGoesAwayAndComesBackIsTakenAgain)
{
    startModemManager();
    answer("*100#", "reply", "Balance 1.00 rub, bonus 5");
    writeCodes(codesXml({kBalanceCode}));
    startDaemon();
    ASSERT_TRUE(waitForLog("using modem /org/freedesktop/ModemManager1/Modem/0"));
    mock("RemoveModem", nullptr);
    ASSERT_TRUE(waitForLog("modem /org/freedesktop/ModemManager1/Modem/0 went away"));
    refresh();
    EXPECT_TRUE(waitForLog("no modem: the dial of *100# is dropped"));
    mock("AddModem", nullptr);
    answer("*100#", "reply", "Balance 1.00 rub, bonus 5");
    EXPECT_TRUE(waitFor([&] { return logCount("using modem /org/freedesktop/ModemManager1/Modem/0") == 2; }));
    refresh();
    EXPECT_TRUE(storeHas("<string>1.00</string>")) << codesStore();
}

TEST_F(EndToEnd, RoamingRegistrationHoldsARefreshBackWhileRoamingIsOff)
{
    startModemManager();
    answer("*100#", "reply", "Balance 4.00 rub, bonus 6");
    writeCodes(codesXml({kBalanceCode}));
    startDaemon();
    ASSERT_TRUE(waitForLog("registration 1 on 25001, home 25001"));
    mock("SetRegistration", g_variant_new("(us)", 5u, "26201"));
    ASSERT_TRUE(waitForLog("registration 5 on 26201, home 25001: roaming"));
    auto carrier = std::filesystem::read_symlink(root() / "var/mobile/Library/Preferences/com.apple.carrier.plist");
    auto registered = std::filesystem::read_symlink(root() / "var/mobile/Library/Preferences/com.apple.operator.plist");
    EXPECT_NE(carrier, registered);
    refresh();
    EXPECT_TRUE(waitForLog("Qvl: data refresh is disabled in roaming!"));
    EXPECT_EQ(logCount("USSD Initiate"), 0u);
    // Back home, the same tap refreshes.
    mock("SetRegistration", g_variant_new("(us)", 1u, "25001"));
    ASSERT_TRUE(waitFor([&] { return logCount("registration 1 on 25001, home 25001") >= 2; }));
    refresh();
    EXPECT_TRUE(storeHas("<string>4.00</string>")) << codesStore();
}

TEST_F(EndToEnd, TheSessionsLockStateReachesTheEngine)
{
    startModemManager();
    startLogind();
    writeCodes(codesXml({kBalanceCode}));
    writeSettings(plist("<dict><key>autoRefreshRate</key><integer>5</integer>"
                        "<key>unlockedAutorefreshAllowed</key><false/></dict>"));
    startDaemon();
    ASSERT_TRUE(waitForLog("following the lock state of session /org/freedesktop/login1/session/c1"));
    GVariant* locked = systemCall("org.freedesktop.login1", "/org/freedesktop/login1/session/c1",
                                  "org.freedesktop.login1.Session", "SetLockedHint", g_variant_new("(b)", TRUE));
    if (locked)
        g_variant_unref(locked);
    EXPECT_TRUE(waitForLog("Qvl: device is locked."));
    GVariant* unlocked = systemCall("org.freedesktop.login1", "/org/freedesktop/login1/session/c1",
                                    "org.freedesktop.login1.Session", "SetLockedHint", g_variant_new("(b)", FALSE));
    if (unlocked)
        g_variant_unref(unlocked);
    EXPECT_TRUE(waitForLog("Qvl: device is unlocked."));
    EXPECT_NE(log().find("got display status change notification: com.apple.springboard.lockcomplete"), std::string::npos);
}

TEST_F(EndToEnd, ADarwinNotificationFromAnotherProcessReachesTheEngine)
{
    startModemManager();
    writeCodes(codesXml({kBalanceCode}));
    startDaemon();
    CommandResult sent = run({"/usr/bin/gdbus", "emit", "--session", "--object-path", "/org/quillmoor/Darwin1", "--signal",
                              "org.quillmoor.Darwin1.Posted", "org.quillmoor.harrowin.ussd_sent"});
    ASSERT_EQ(sent.status, 0) << sent.err;
    EXPECT_TRUE(waitForLog("Qvl: got the request sent notification"));
}

TEST_F(EndToEnd, OnlyDialStringsReachTheModem)
{
    startModemManager();
    writeCodes(codesXml({codeXml("*100#; rm", 1, {{"Balance", 0}})}));
    startDaemon();
    refresh();
    EXPECT_TRUE(waitForLog("refusing to send \"*100#; rm\" to the modem: only 0-9 * # + are sent"));
    EXPECT_EQ(readText(folder() / "mock.out").find("Initiate"), std::string::npos);
}

TEST_F(EndToEnd, FollowPrintsALinePerRedraw)
{
    startModemManager();
    answer("*100#", "reply", "Balance 5.55 rub, bonus 7");
    writeCodes(codesXml({kBalanceCode}));
    startDaemon();
    // The follower stops when the daemon does.
    CommandResult follow;
    std::thread follower([&] { follow = quorvel({"widget", "--follow"}); });
    ASSERT_TRUE(waitFor([&] { return readText(folder() / "run1.out").find("\"class\"") != std::string::npos; }));
    refresh();
    EXPECT_TRUE(waitFor([&] { return readText(folder() / "run1.out").find("Balance: 5.55") != std::string::npos; }));
    EXPECT_EQ(stopDaemon(), 0);
    follower.join();
    EXPECT_EQ(follow.status, 1);
    EXPECT_NE(follow.err.find("quorveld has stopped"), std::string::npos);
    EXPECT_GE(std::count(follow.out.begin(), follow.out.end(), '\n'), 2);
}

TEST_F(EndToEnd, ASecondDaemonOnTheSameSessionSaysSoAndExits)
{
    startModemManager();
    startDaemon();
    CommandResult second = run({binary("quorveld"), "--root", (folder() / "other").string()});
    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.err.find("another quorveld is already running on this session"), std::string::npos) << second.err;
}

TEST_F(EndToEnd, TheCommandsSayWhenNoDaemonRuns)
{
    for (const char* command : {"refresh", "widget"}) {
        SCOPED_TRACE(command);
        CommandResult r = quorvel({command});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("quorveld is not running on this session"), std::string::npos) << r.err;
    }
}

} // namespace
} // namespace linuxhost::test
