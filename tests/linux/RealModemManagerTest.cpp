// quorveld end to end against the real ModemManager and the emulated AT modem:
// what the modem sends and receives is checked in the emulator's log, what
// quorveld makes of it in the stores under the device root and its log.
#include "CodesPlist.h"
#include "RealModemManagerFixture.h"

#include "host/linux/client/QuorvelClient.h"

#include <filesystem>
#include <string>

namespace linuxhost::test {
namespace {

using namespace std::chrono_literals;

const std::string kBalanceCode = codeXml("*100#", 2, {{"Balance", 0}, {"Bonus", 1}});

class RealModemManager : public RealModemManagerTest {
protected:
    bool storeHas(const std::string& part, std::chrono::milliseconds limit = 10s)
    {
        return waitFor([&] { return codesStore().find(part) != std::string::npos; }, limit);
    }
    void refresh() { ASSERT_TRUE(refreshTaken()) << "no refresh went through to the engine"; }
    void startDaemonOnTheModem()
    {
        startDaemon();
        ASSERT_TRUE(waitForLog("using modem /org/freedesktop/ModemManager1/Modem/"));
    }
};

TEST_F(RealModemManager, AUssdReplyIsStoredAsFigures)
{
    answer("*100#", "Balance 12.50 rub, bonus 300", R"("delay": 0.5)");
    writeCodes(codesXml({kBalanceCode}));
    startDaemonOnTheModem();
    refresh();
    EXPECT_TRUE(storeHas("<string>12.50</string>")) << codesStore();
    EXPECT_TRUE(storeHas("<string>300</string>"));
    EXPECT_TRUE(waitForLog("quorveld: widget: Balance: 12.50 | Bonus: 300"));
    // The code reached the modem once, as ModemManager encoded it for the charset it chose.
    EXPECT_EQ(modemLogCount("USSD string \"*100#\""), 1u);
    EXPECT_EQ(modemLogCount("<- AT+CUSD=1,"), 1u);
}

TEST_F(RealModemManager, ACyrillicReplyComesAsUcs2AndIsStoredAsSent)
{
    answer("*100#", "Баланс 45,20 р. Бонус 150 мин");
    writeCodes(codesXml({codeXml("*100#", 2, {{"Баланс", 0}, {"Минуты", 1}})}));
    startDaemonOnTheModem();
    refresh();
    EXPECT_TRUE(storeHas("<string>45,20</string>")) << codesStore();
    EXPECT_TRUE(waitForLog("quorveld: widget: Баланс: 45,20 | Минуты: 150"));
    EXPECT_NE(log().find("USSD reply to *100#: \"Баланс 45,20 р. Бонус 150 мин\""), std::string::npos) << log();
    // The network sent it as UCS2 (data coding scheme 72), in hex.
    EXPECT_NE(modemLog().find("-> +CUSD: 0,\"0411043004"), std::string::npos) << modemLog();
    EXPECT_NE(modemLog().find("\",72"), std::string::npos);
}

TEST_F(RealModemManager, AReplyBySmsInTwoPartsIsReadWhole)
{
    const std::string text = "Minutes left 250, SMS 40. Thank you for staying with Home Mobile: "
                             "your next bill comes on the first of the month, as every month.";
    answer("*102#", "Request accepted", R"("sms": {"sender": "900", "text": )" + json(text) + R"(, "parts": 2})");
    writeCodes(codesXml({codeXml("*102#", 2, {{"Minutes", 0}, {"SMS", 1}}, "900")}));
    startDaemonOnTheModem();
    refresh();
    EXPECT_TRUE(storeHas("<string>250</string>", 20s)) << codesStore();
    EXPECT_TRUE(storeHas("<string>40</string>"));
    // Two SMS-DELIVER parts on the modem, one message mirrored, whole.
    EXPECT_EQ(modemLogCount("-> +CMTI: \"SM\","), 2u) << modemLog();
    EXPECT_TRUE(waitForLog("SMS from 900 stored as message"));
    EXPECT_NE(log().find("as every month."), std::string::npos) << log();
    EXPECT_EQ(logCount("stored as message"), 1u) << log();
}

TEST_F(RealModemManager, AMenuCodeIsAnsweredByRespondToItsFigures)
{
    // +CUSD: 1 (further action required) twice, each answered with the code's next choice.
    answer("*100#", "1 Balance, 2 Data",
           R"("action": 1, "menu": {"1": {"text": "1 Main, 2 Main and bonus", "action": 1, )"
           R"("menu": {"2": {"text": "Balance 12.50 rub, bonus 300"}}}})");
    std::string menuCode = codeXml("*100#", 2, {{"Balance", 0}, {"Bonus", 1}});
    menuCode.insert(menuCode.rfind("</dict>"), "<key>menuChoices</key><array><string>1</string><string>2</string></array>");
    writeCodes(codesXml({menuCode}));
    startDaemonOnTheModem();
    refresh();
    EXPECT_TRUE(storeHas("<string>12.50</string>", 20s)) << codesStore() << log();
    EXPECT_TRUE(waitForLog("USSD Respond \"1\" to the menu of *100#"));
    EXPECT_TRUE(waitForLog("USSD Respond \"2\" to the menu of *100#"));
    // The choices reached the modem as answers in the open session, never a Cancel.
    EXPECT_EQ(modemLogCount("USSD string \"1\" (session user)"), 1u) << modemLog();
    EXPECT_EQ(modemLogCount("USSD string \"2\" (session user)"), 1u) << modemLog();
    EXPECT_EQ(modemLogCount("<- AT+CUSD=2"), 0u) << modemLog();
}

TEST_F(RealModemManager, ANetworkNotificationReachesTheDaemon)
{
    writeCodes(codesXml({kBalanceCode}));
    startDaemonOnTheModem();
    networkUssd("Your tariff changes on 1 May");
    EXPECT_TRUE(waitForLog("USSD network notification: \"Your tariff changes on 1 May\"")) << log();
    // A notification asks nothing of the phone: nothing goes back to the modem.
    EXPECT_EQ(modemLogCount("<- AT+CUSD"), 0u) << modemLog();
}

TEST_F(RealModemManager, AModemManagerRestartIsFollowedAndTheGsmCharsetWorks)
{
    answer("*100#", "Balance 7.25 rub, bonus 11");
    writeCodes(codesXml({kBalanceCode}));
    startDaemonOnTheModem();
    // After the restart the modem offers no UCS2: ModemManager takes GSM,
    // and replies come as plain GSM text (data coding scheme 15).
    modem(R"({"op": "charsets", "list": ["GSM"]})");
    restartModemManager();
    ASSERT_TRUE(waitForLog("ModemManager stopped", 20s)) << log();
    ASSERT_TRUE(enableModem());
    ASSERT_TRUE(waitFor([&] { return logCount("using modem /org/freedesktop/ModemManager1/Modem/") >= 2; }, 20s)) << log();
    refresh();
    EXPECT_TRUE(storeHas("<string>7.25</string>")) << codesStore();
    EXPECT_NE(modemLog().find("<- AT+CSCS=\"GSM\""), std::string::npos) << modemLog();
    EXPECT_NE(modemLog().find("-> +CUSD: 0,\"Balance 7.25 rub, bonus 11\",15"), std::string::npos);
    modem(R"({"op": "charsets", "list": ["IRA", "GSM", "UCS2"]})");
}

TEST_F(RealModemManager, PolkitRefusesACallerItDoesNotAuthorise)
{
    answer("*100#", "Balance 1.00 rub, bonus 1");
    writeCodes(codesXml({kBalanceCode}));
    // quorveld as nobody: a caller with no session, which ModemManager's
    // polkit actions do not authorise (only active sessions are).
    std::filesystem::permissions(folder(), std::filesystem::perms::all);
    ASSERT_EQ(run({"/bin/chown", "-R", "65534:65534", folder().string()}).status, 0);
    Child daemon = spawn("daemon-nobody", {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--",
                                           binary("quorveld"), "--root", root().string(), "--log-file",
                                           (folder() / "daemon.log").string()});
    ASSERT_TRUE(waitForLog("using modem /org/freedesktop/ModemManager1/Modem/")) << log();
    refresh();
    EXPECT_TRUE(waitForLog("USSD Initiate *100# failed: org.freedesktop.ModemManager1.Error.Core.Unauthorized")) << log();
    EXPECT_EQ(modemLogCount("<- AT+CUSD=1,"), 0u) << modemLog();
    EXPECT_EQ(codesStore().find("1.00"), std::string::npos);
    // Its clients are told, in the daemon's State.
    CallError error;
    auto client = QuorvelClient::connect(sessionBus(), &error);
    ASSERT_TRUE(client) << error.message;
    EXPECT_TRUE(waitFor([&] {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        return client->state() == "not-authorised" && client->stateDetail() == "ussd";
    })) << client->state() << " " << client->stateDetail();
    client.reset();
    stop(daemon);
}

} // namespace
} // namespace linuxhost::test
