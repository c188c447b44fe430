// What the real ModemManager does that the mock did not, and how quorveld
// must meet it: each case expects the sound behaviour (issue 16's faults),
// seen from the emulated modem's side (what reached it) and from the stores.
#include "CodesPlist.h"
#include "RealModemManagerFixture.h"

#include "host/linux/client/QuorvelClient.h"

#include <string>

namespace linuxhost::test {
namespace {

using namespace std::chrono_literals;

const std::string kBalanceCode = codeXml("*100#", 2, {{"Balance", 0}, {"Bonus", 1}});
const std::string kDataCode = codeXml("*101#", 1, {{"Data", 0}});

class RealModemManagerFaults : public RealModemManagerTest {
protected:
    bool storeHas(const std::string& part, std::chrono::milliseconds limit = 15s)
    {
        return waitFor([&] { return codesStore().find(part) != std::string::npos; }, limit);
    }
    void refresh() { ASSERT_TRUE(refreshTaken()) << "no refresh went through to the engine"; }
    bool modemState(const std::string& state, std::chrono::milliseconds limit = 60s)
    {
        return waitFor([&] { return mmcli({"-m", "any"}).out.find("state: " + state) != std::string::npos; }, limit);
    }
    // ModemManager stopped and started again; quorveld, if it runs, saw the
    // modem go and come back.
    void restartAndEnable()
    {
        size_t uses = logCount("using modem ");
        restartModemManager();
        ASSERT_TRUE(enableModem());
        if (uses > 0) {
            ASSERT_TRUE(waitFor([&] { return logCount("using modem ") > uses; }, 20s)) << log();
        }
    }
};

TEST_F(RealModemManagerFaults, ChainedCodesAreDialledWithoutACancel)
{
    // ModemManager answers Initiate before its State property says idle: a
    // code dialled right after a reply must not take the session for active.
    answer("*100#", "Balance 1.10 rub, bonus 2");
    answer("*101#", "Data 2048 MB");
    answer("*102#", "Minutes 300");
    writeCodes(codesXml({kBalanceCode, kDataCode, codeXml("*102#", 1, {{"Minutes", 0}})}));
    startDaemon();
    ASSERT_TRUE(waitForLog("using modem "));
    for (int cycle = 0; cycle < 2; ++cycle) {
        size_t before = modemLogCount("USSD string \"*102#\"");
        refresh();
        ASSERT_TRUE(waitFor([&] { return modemLogCount("USSD string \"*102#\"") > before; }, 15s)) << log();
    }
    EXPECT_TRUE(storeHas("<string>300</string>")) << codesStore();
    EXPECT_EQ(logCount("cancelling it before"), 0u) << log();
    EXPECT_EQ(modemLogCount("<- AT+CUSD=2"), 0u) << modemLog();
}

TEST_F(RealModemManagerFaults, ANetworkRequestTheUserIsReadingIsNeitherCancelledNorAnswered)
{
    answer("*100#", "Balance 2.30 rub, bonus 4");
    writeCodes(codesXml({kBalanceCode}));
    startDaemon();
    ASSERT_TRUE(waitForLog("using modem "));
    // The network asks the user something; it gives up on the answer after 4 s.
    modem(R"({"op": "notify", "text": "Subscribe to news? 1 yes 2 no", "action": 1, "release": 4})");
    ASSERT_TRUE(waitForLog("USSD network request: \"Subscribe to news? 1 yes 2 no\"")) << log();
    refresh();
    // The dial waits for the session to be released, then goes through.
    EXPECT_TRUE(storeHas("<string>2.30</string>", 20s)) << codesStore();
    EXPECT_EQ(modemLogCount("<- AT+CUSD=2"), 0u) << modemLog();
    EXPECT_EQ(modemLogCount("(session user)"), 0u) << modemLog();
    EXPECT_NE(modemLog().find("USSD session released by the network"), std::string::npos);
}

TEST_F(RealModemManagerFaults, AMenuLeftOpenIsNeverTypedInto)
{
    // ModemManager answers a second Cancel from its cache without reaching
    // the modem: the menu stays open there, whatever State says, until the
    // network releases it (6 s here).
    answer("*100#", "Balance 3.40 rub, bonus 5. 1 more, 2 exit", R"("action": 1, "release": 6)");
    answer("*101#", "Data 500 MB");
    writeCodes(codesXml({kBalanceCode, kDataCode}));
    startDaemon();
    ASSERT_TRUE(waitForLog("using modem "));
    refresh();
    EXPECT_TRUE(storeHas("<string>500</string>", 25s)) << codesStore();
    answer("*101#", "Data 400 MB");
    refresh();
    EXPECT_TRUE(storeHas("<string>400</string>", 25s)) << codesStore();
    // No code ever went into the open menu as its answer.
    EXPECT_EQ(modemLogCount("(session user)"), 0u) << modemLog();
    EXPECT_EQ(modemLogCount("USSD string \"*101#\" (session network)"), 0u);
    EXPECT_EQ(codesStore().find("Unknown"), std::string::npos);
}

TEST_F(RealModemManagerFaults, StoredMessagesAreMirroredOnceAcrossRestarts)
{
    // A message from before quorveld ran (stamped an hour ago) is not a new one.
    modem(R"({"op": "sms", "sender": "900", "text": "Old news from before", "age": 3600})");
    ASSERT_TRUE(waitFor([&] { return mmcli({"-m", "any", "--messaging-list-sms"}).out.find("(received)") !=
                                     std::string::npos; }, 15s));
    startDaemon();
    ASSERT_TRUE(waitForLog("using modem "));
    deliverSms("900", "Balance 5.00");
    ASSERT_TRUE(waitForLog("SMS from 900 stored as message", 15s)) << log();
    // ModemManager announces what is in storage again at every enable.
    restartAndEnable();
    ASSERT_TRUE(waitFor([&] {
        std::string list = mmcli({"-m", "any", "--messaging-list-sms"}).out;
        return list.find("(received)") != list.rfind("(received)");
    }, 20s));
    // ...and quorveld restarts too.
    EXPECT_EQ(stopDaemon(), 0);
    startDaemon();
    ASSERT_TRUE(waitForLog("using modem "));
    EXPECT_FALSE(waitFor([&] { return logCount("stored as message") > 1; }, 4s)) << log();
    EXPECT_EQ(log().find("Old news from before"), std::string::npos) << log();
}

TEST_F(RealModemManagerFaults, AModemUnlockedAfterItsPinIsUsed)
{
    answer("*100#", "Balance 6.60 rub, bonus 7");
    writeCodes(codesXml({kBalanceCode}));
    modem(R"({"op": "pin", "pin": "1234"})");
    restartModemManager();
    ASSERT_TRUE(modemState("locked"));
    startDaemon();
    // Locked, the modem has no USSD interface yet; it comes with the unlock.
    std::string info = mmcli({"-m", "any"}).out;
    size_t at = info.find("/org/freedesktop/ModemManager1/SIM/");
    ASSERT_NE(at, std::string::npos) << info;
    std::string sim = info.substr(at, info.find_first_of(" \n", at) - at);
    CommandResult unlocked = mmcli({"-i", sim, "--pin=1234"});
    modem(R"({"op": "pin", "pin": ""})");
    ASSERT_EQ(unlocked.status, 0) << unlocked.err;
    ASSERT_TRUE(enableModem());
    refresh();
    EXPECT_TRUE(storeHas("<string>6.60</string>", 20s)) << codesStore() << log();
    EXPECT_EQ(logCount("no modem: the dial of"), 0u) << log();
}

TEST_F(RealModemManagerFaults, ADisabledModemsDialWaitsForItToBeEnabled)
{
    answer("*100#", "Balance 8.80 rub, bonus 9");
    writeCodes(codesXml({kBalanceCode}));
    startDaemon();
    ASSERT_TRUE(waitForLog("using modem "));
    ASSERT_EQ(mmcli({"-m", "any", "-d"}).status, 0);
    ASSERT_TRUE(modemState("disabled"));
    // The daemon's clients are told why nothing is dialled.
    CallError error;
    auto client = QuorvelClient::connect(sessionBus(), &error);
    ASSERT_TRUE(client) << error.message;
    auto stateIs = [&](const std::string& state) {
        return waitFor([&] {
            while (g_main_context_iteration(nullptr, FALSE)) {
            }
            return client->state() + " " + client->stateDetail() == state;
        }, 15s);
    };
    EXPECT_TRUE(stateIs("modem-unavailable disabled")) << client->state() << " " << client->stateDetail();
    refresh();
    // A disabled modem's USSD State is 0 (unknown): no session to cancel.
    EXPECT_FALSE(waitForLog("cancelling it before", 2s)) << log();
    // quorveld does not enable the modem; once the phone's shell does, the
    // due refresh runs by itself.
    ASSERT_TRUE(enableModem());
    EXPECT_TRUE(storeHas("<string>8.80</string>", 20s)) << codesStore() << log();
    EXPECT_TRUE(stateIs("idle ")) << client->state() << " " << client->stateDetail();
}

} // namespace
} // namespace linuxhost::test
