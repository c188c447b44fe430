// quorveld end to end against the mock ModemManager, for what the modem and
// the service do over time: ModemManager starting late or restarting, USSD
// sessions quorveld did or did not start, modems that are locked or disabled,
// and messages announced more than once. The mock behaves as ModemManager
// 1.20 does in each of these (see modemmanager.py).
#include "CodesPlist.h"
#include "LinuxHostFixture.h"

#include <filesystem>
#include <string>
#include <vector>

namespace linuxhost::test {
namespace {

using namespace std::chrono_literals;

// One code with one field per title, its values in the order given.
std::string code(const std::string& dial, const std::vector<std::string>& titles)
{
    std::string xml = "<dict><key>ussdCode</key><string>" + dial + "</string><key>expectedNumbers</key><integer>" +
                      std::to_string(titles.size()) + "</integer><key>fields</key><array>";
    for (size_t i = 0; i < titles.size(); ++i)
        xml += "<dict><key>title</key><string>" + titles[i] + "</string><key>index</key><integer>" + std::to_string(i) +
               "</integer></dict>";
    return xml + "</array></dict>";
}

std::string codes(const std::vector<std::string>& all) { return codesXml(all); }

std::string replyWindow(int seconds)
{
    return plist("<dict><key>maxResponseTime</key><integer>" + std::to_string(seconds) + "</integer></dict>");
}

// ModemManager's form of a timestamp, for now.
std::string nowTimestamp()
{
    GDateTime* now = g_date_time_new_now_local();
    gchar* text = g_date_time_format(now, "%Y-%m-%dT%H:%M:%S%:z");
    std::string result(text);
    g_free(text);
    g_date_time_unref(now);
    return result;
}

constexpr const char* kModem = "/org/freedesktop/ModemManager1/Modem/0";

class ModemEndToEnd : public LinuxHostTest {
protected:
    void answer(const std::string& dial, const std::string& mode, const std::string& text, const std::string& extra = "")
    {
        mock("SetUssdReply", g_variant_new("(ssss)", dial.c_str(), mode.c_str(), text.c_str(), extra.c_str()));
    }
    bool storeHas(const std::string& part, std::chrono::milliseconds limit = 10s)
    {
        return waitFor([&] { return codesStore().find(part) != std::string::npos; }, limit);
    }
    void refresh() { ASSERT_TRUE(refreshTaken()) << "no refresh went through to the engine"; }
    // The shell's switch (quorveld never calls it).
    void enableModem(bool on)
    {
        GVariant* reply = systemCall("org.freedesktop.ModemManager1", kModem, "org.freedesktop.ModemManager1.Modem",
                                     "Enable", g_variant_new("(b)", on));
        if (reply)
            g_variant_unref(reply);
    }
    size_t mockCount(const std::string& part) const
    {
        std::string text = readText(folder() / "mock.out");
        size_t count = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
            ++count;
        return count;
    }
};

// --- the service -------------------------------------------------------------

TEST_F(ModemEndToEnd, ModemManagerStartingAfterQuorveldIsReached)
{
    writeCodes(codes({code("*100#", {"Balance", "Bonus"})}));
    startDaemon();
    ASSERT_TRUE(waitForLog("ModemManager is not running; waiting for a modem"));
    startModemManager();
    answer("*100#", "reply", "Balance 6.20 rub, bonus 11");
    ASSERT_TRUE(waitForLog(std::string("using modem ") + kModem));
    refresh();
    EXPECT_TRUE(storeHas("<string>6.20</string>")) << codesStore();
    EXPECT_EQ(log().find("UnknownMethod"), std::string::npos);
}

TEST_F(ModemEndToEnd, ModemManagerRestartedWhileQuorveldRunsIsReachedAgain)
{
    startModemManager();
    answer("*100#", "reply", "Balance 1.00 rub, bonus 1");
    writeCodes(codes({code("*100#", {"Balance", "Bonus"})}));
    startDaemon();
    refresh();
    ASSERT_TRUE(storeHas("<string>1.00</string>")) << codesStore();
    stopModemManager();
    startModemManager();
    answer("*100#", "reply", "Balance 2.00 rub, bonus 2");
    ASSERT_TRUE(waitFor([&] { return logCount(std::string("using modem ") + kModem) == 2; }));
    refresh();
    EXPECT_TRUE(storeHas("<string>2.00</string>")) << codesStore();
    EXPECT_EQ(log().find("UnknownMethod"), std::string::npos);
}

// --- USSD sessions ---------------------------------------------------------------

TEST_F(ModemEndToEnd, ChainedCodesGoOutWithoutACancel)
{
    // ModemManager answers each Initiate before it announces the session idle.
    startModemManager();
    answer("*100#", "reply", "Balance 12.50 rub, bonus 300");
    answer("*101#", "reply", "Data 2048 MB");
    answer("*102#", "reply", "Minutes 250");
    writeCodes(codes({code("*100#", {"Balance", "Bonus"}), code("*101#", {"Data"}), code("*102#", {"Minutes"})}));
    startDaemon();
    refresh();
    EXPECT_TRUE(storeHas("<string>250</string>")) << codesStore();
    EXPECT_EQ(mockCount("Cancel"), 0u) << readText(folder() / "mock.out");
    EXPECT_EQ(log().find("cancelling"), std::string::npos);
}

TEST_F(ModemEndToEnd, ANetworkRequestWaitingForTheUserIsNeitherCancelledNorAnswered)
{
    startModemManager();
    answer("*100#", "reply", "Balance 5.00 rub, bonus 5");
    writeCodes(codes({code("*100#", {"Balance", "Bonus"})}));
    writeSettings(replyWindow(1));
    startDaemon();
    ASSERT_TRUE(waitForLog(std::string("using modem ") + kModem));
    mock("SetNetworkRequest", g_variant_new("(s)", "Your tariff: 1 keep, 2 change"));
    ASSERT_TRUE(waitForLog("USSD network request: \"Your tariff: 1 keep, 2 change\""));
    refresh();
    EXPECT_TRUE(waitForLog("a USSD session quorveld did not start is waiting for the user's response: *100# waits until "
                           "it is idle"));
    EXPECT_TRUE(waitForLog("the dial of *100# is given up: the USSD session did not become idle within 1 s"));
    EXPECT_EQ(logCount("is given up"), 1u);
    EXPECT_EQ(mockCount("Cancel"), 0u);
    EXPECT_EQ(mockCount("Respond"), 0u);
    EXPECT_EQ(mockCount("Initiate"), 0u);
}

TEST_F(ModemEndToEnd, ItsOwnUnansweredRequestIsCancelledOnceThenTheNetworksReleaseIsAwaited)
{
    startModemManager();
    // Only a process's first Cancel reaches the modem: spend it, as another program would have.
    CommandResult spent = run({"/usr/bin/mmcli", "-m", "0", "--3gpp-ussd-cancel"});
    ASSERT_EQ(spent.status, 0) << spent.err;
    answer("*100#", "silent", "");
    writeCodes(codes({code("*100#", {"Balance", "Bonus"})}));
    writeSettings(replyWindow(1));
    startDaemon();
    refresh();
    ASSERT_TRUE(waitFor([&] { return mockCount("Initiate *100#") == 1; }));
    // The engine's window passes (a network text past it is not taken for the reply).
    ASSERT_TRUE(waitFor([&] {
        mock("SetNetworkNotification", g_variant_new("(s)", ("Notice " + std::to_string(logCount("window has passed"))).c_str()));
        return waitForLog("Qvl: window has passed", 300ms);
    }, 8s));
    // The next cycle, after the window: one Cancel, and the session stays open.
    writeSettings(replyWindow(5));
    answer("*100#", "reply", "Balance 4.40 rub, bonus 4");
    refresh();
    ASSERT_TRUE(waitForLog("the USSD session of *100# is still active: cancelling it once before *100#"));
    ASSERT_TRUE(waitForLog("the USSD session of *100# is still open after its Cancel: *100# waits for the network to release it"));
    // The session changes again (still not idle): no second Cancel, no code into it.
    mock("SetUssdState", g_variant_new("(u)", 2u));
    ASSERT_TRUE(waitFor([&] { return mockCount("\"State\": 2") >= 2; }));
    EXPECT_EQ(mockCount("Cancel"), 2u); // the spent one and ours
    EXPECT_EQ(mockCount("Initiate *100#"), 1u);
    // The network releases it: the code goes out.
    mock("ReleaseSession", nullptr);
    EXPECT_TRUE(storeHas("<string>4.40</string>")) << codesStore();
    EXPECT_EQ(mockCount("Cancel"), 2u);
    EXPECT_EQ(mockCount("Initiate *100#"), 2u);
}

TEST_F(ModemEndToEnd, ASessionOpenedAfterItsOwnReplyIsNotTakenForItsOwn)
{
    startModemManager();
    answer("*100#", "reply", "Balance 3.30 rub, bonus 3");
    writeCodes(codes({code("*100#", {"Balance", "Bonus"})}));
    writeSettings(replyWindow(1));
    startDaemon();
    refresh();
    ASSERT_TRUE(storeHas("<string>3.30</string>")) << codesStore();
    // The session's idle is announced; then another program opens one.
    ASSERT_TRUE(waitFor([&] { return mockCount("Ussd\" {\"State\": 1}") >= 1; }));
    mock("SetUssdState", g_variant_new("(u)", 2u));
    refresh();
    EXPECT_TRUE(waitForLog("a USSD session quorveld did not start is active: *100# waits until it is idle"));
    EXPECT_TRUE(waitForLog("the dial of *100# is given up"));
    EXPECT_EQ(mockCount("Cancel"), 0u);
}

// --- menus of its own sessions --------------------------------------------------

// A code whose figures sit behind menus: its choices in order.
std::string menuCode(const std::string& dial, const std::vector<std::string>& titles, const std::vector<std::string>& choices)
{
    std::string xml = code(dial, titles);
    std::string list = "<key>menuChoices</key><array>";
    for (const std::string& choice : choices)
        list += "<string>" + choice + "</string>";
    return xml.substr(0, xml.size() - std::string("</dict>").size()) + list + "</array></dict>";
}

class ModemMenus : public ModemEndToEnd {
protected:
    // `path`: the choices separated by '/', the first answering the code's menu.
    void choice(const std::string& dial, const char* path, const char* mode, const char* text)
    {
        mock("SetUssdChoice", g_variant_new("(ssss)", dial.c_str(), path, mode, text));
    }
};

TEST_F(ModemMenus, AMenuCodeIsAnsweredByRespondToItsFigures)
{
    startModemManager();
    answer("*100#", "menu", "1 Balance\n2 Data");
    choice("*100#", "1", "menu", "1 Main\n2 Main and bonus");
    choice("*100#", "1/2", "reply", "Balance 12.50 rub, bonus 300");
    writeCodes(codes({menuCode("*100#", {"Balance", "Bonus"}, {"1", "2"})}));
    startDaemon();
    refresh();
    EXPECT_TRUE(storeHas("<string>12.50</string>")) << codesStore() << log();
    EXPECT_TRUE(waitForLog("the reply to *100# is a menu: it waits for a choice"));
    EXPECT_TRUE(waitForLog("Qvl: selecting menu option 1, remaining menu digits: 1"));
    EXPECT_TRUE(waitForLog("Qvl: selecting menu option 2, remaining menu digits: 0"));
    EXPECT_EQ(mockCount("Respond 1"), 1u);
    EXPECT_EQ(mockCount("Respond 2"), 1u);
    EXPECT_EQ(mockCount("Cancel"), 0u);
    EXPECT_TRUE(storeHas("<string>300</string>")) << codesStore();
}

TEST_F(ModemMenus, AWrongChoiceLeavesTheFiguresAndIsNeverCancelled)
{
    startModemManager();
    answer("*100#", "menu", "1 Balance\n2 Data");
    writeCodes(codes({menuCode("*100#", {"Balance", "Bonus"}, {"7"})}));
    startDaemon();
    refresh();
    EXPECT_TRUE(waitForLog("USSD reply to the choice \"7\" of *100#: \"Invalid choice\""));
    EXPECT_TRUE(waitForLog("Qvl: ERROR: expected 2 fields for code *100#, but parsed 0 fields!"));
    EXPECT_EQ(codesStore().find("lastValue"), std::string::npos);
    EXPECT_EQ(mockCount("Cancel"), 0u);
}

TEST_F(ModemMenus, AMenuWithoutChoicesIsLeftToTheNetworkToRelease)
{
    startModemManager();
    answer("*100#", "menu", "Reply 1 for the balance");
    writeCodes(codes({code("*100#", {"Balance", "Bonus"})}));
    writeSettings(replyWindow(2));
    startDaemon();
    refresh();
    // The engine parses the menu (no figures) and closes its alert after the
    // session's init time; nothing is sent to the modem for it.
    EXPECT_TRUE(waitForLog("Qvl: ERROR: expected 2 fields for code *100#"));
    EXPECT_TRUE(waitForLog("Qvl: _cancelClicked", 10s));
    EXPECT_EQ(mockCount("Cancel"), 0u);
    EXPECT_EQ(mockCount("Respond"), 0u);
    // Not ours to answer: a choice that reached the host would not be sent.
    EXPECT_EQ(logCount("USSD Respond"), 0u);
}

// --- modems that are not ready ------------------------------------------------------

TEST_F(ModemEndToEnd, ADisabledModemIsToldOnceAndItsDueRefreshRunsOnceEnabled)
{
    startModemManager(R"({"state": "disabled"})");
    answer("*100#", "reply", "Balance 7.70 rub, bonus 7");
    writeCodes(codes({code("*100#", {"Balance", "Bonus"})}));
    startDaemon();
    ASSERT_TRUE(waitForLog(std::string("modem ") + kModem + " is disabled (disabled): enable it"));
    refresh();
    ASSERT_TRUE(waitForLog("is not ready: the dial of *100# is dropped; a refresh runs once it is enabled"));
    // Its USSD State 0 is no session: nothing is cancelled, nothing sent.
    EXPECT_EQ(mockCount("Cancel"), 0u);
    EXPECT_EQ(mockCount("Initiate"), 0u);
    enableModem(true);
    EXPECT_TRUE(waitForLog("a refresh was due while no modem was ready: refreshing now"));
    EXPECT_TRUE(storeHas("<string>7.70</string>")) << codesStore();
    EXPECT_EQ(logCount("is disabled (disabled)"), 1u);
    EXPECT_EQ(logCount("refreshing now"), 1u);
    EXPECT_EQ(log().find("Enable"), std::string::npos);
}

TEST_F(ModemEndToEnd, APinLockedModemIsTakenOnceUnlockedAndEnabled)
{
    startModemManager(R"({"state": "locked"})");
    answer("*100#", "reply", "Balance 8.80 rub, bonus 8");
    writeCodes(codes({code("*100#", {"Balance", "Bonus"})}));
    startDaemon();
    ASSERT_TRUE(waitForLog(std::string("modem ") + kModem + " is locked (sim-pin): unlock it"));
    refresh();
    ASSERT_TRUE(waitForLog("the dial of *100# is dropped"));
    // The PIN is entered: Modem3gpp.Ussd and the rest arrive by InterfacesAdded.
    GVariant* unlocked = systemCall("org.freedesktop.ModemManager1", "/org/freedesktop/ModemManager1/SIM/0",
                                    "org.freedesktop.ModemManager1.Sim", "SendPin", g_variant_new("(s)", "1234"));
    if (unlocked)
        g_variant_unref(unlocked);
    ASSERT_TRUE(waitForLog(std::string("modem ") + kModem + " is disabled"));
    enableModem(true);
    EXPECT_TRUE(storeHas("<string>8.80</string>")) << codesStore();
    EXPECT_EQ(logCount("is locked (sim-pin)"), 1u);
}

// --- messages ------------------------------------------------------------------

TEST_F(ModemEndToEnd, AMessageIsMirroredOnceAcrossReEnablesAndRestarts)
{
    startModemManager();
    startDaemon();
    ASSERT_TRUE(waitForLog(std::string("using modem ") + kModem));
    std::string when = nowTimestamp();
    mock("DeliverSmsAt", g_variant_new("(sss)", "900", "Bonus 50 added", when.c_str()));
    ASSERT_TRUE(waitForLog("SMS from 900 stored as message 1"));
    // Re-enabled: announced again under the same path.
    enableModem(false);
    enableModem(true);
    // ModemManager restarts: the same message, a reused path, announced at enable.
    stopModemManager();
    startModemManager(R"({"state": "disabled", "stored": [["900", "Bonus 50 added", ")" + when + R"("]]})");
    ASSERT_TRUE(waitFor([&] { return logCount(std::string("using modem ") + kModem) == 2; }));
    enableModem(true);
    EXPECT_TRUE(waitForLog("SMS from 900 of " + when + " was mirrored before; not again"));
    // quorveld restarts, and the modem is enabled once more.
    ASSERT_EQ(stopDaemon(), 0);
    startDaemon();
    ASSERT_TRUE(waitFor([&] { return logCount(std::string("using modem ") + kModem) == 3; }));
    enableModem(false);
    enableModem(true);
    EXPECT_TRUE(waitFor([&] { return logCount("was mirrored before; not again") == 2; }));
    EXPECT_EQ(logCount("stored as message"), 1u);
}

TEST_F(ModemEndToEnd, AMessageFromBeforeQuorveldFirstRanIsNotPostedAsNew)
{
    startModemManager(R"({"state": "disabled", "stored": [["900", "Old news", "2020-01-01T10:00:00+00:00"]]})");
    startDaemon();
    ASSERT_TRUE(waitForLog(std::string("using modem ") + kModem));
    enableModem(true);
    EXPECT_TRUE(waitForLog("SMS from 900 of 2020-01-01T10:00:00+00:00 came before quorveld first ran; not posted as new"));
    // A new one after it is.
    mock("DeliverSms", g_variant_new("(ss)", "900", "Fresh news"));
    EXPECT_TRUE(waitForLog("SMS from 900 stored as message 1: \"Fresh news\""));
    EXPECT_EQ(logCount("stored as message"), 1u);
}

TEST_F(ModemEndToEnd, AMessageReceivedWhileQuorveldWasStoppedIsMirroredOnceWhenItComesBack)
{
    startModemManager();
    startDaemon();
    ASSERT_TRUE(waitForLog(std::string("using modem ") + kModem));
    ASSERT_EQ(stopDaemon(), 0);
    mock("DeliverSms", g_variant_new("(ss)", "900", "While away"));
    startDaemon();
    EXPECT_TRUE(waitForLog("SMS from 900 stored as message 1: \"While away\""));
    ASSERT_EQ(stopDaemon(), 0);
    startDaemon();
    EXPECT_TRUE(waitForLog("was mirrored before; not again"));
    EXPECT_EQ(logCount("stored as message"), 1u);
}

} // namespace
} // namespace linuxhost::test
