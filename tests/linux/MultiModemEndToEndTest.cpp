// quorveld end to end with two modems (the mock's Modem/0 and Modem/1, each
// with its own SIM and network): codes that follow their SIM dialled each on
// the modem holding it, SIM swaps and modems coming and going followed without
// a restart, and SIM identities that are not ones ignored.
#include "CodesPlist.h"
#include "LinuxHostFixture.h"

#include <functional>
#include <string>

namespace linuxhost::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kHomeIccid = "89701010000000000001"; // Modem/0's SIM (modemmanager.py)
constexpr const char* kTravelIccid = "89442000000000000002";
constexpr const char* kOtherIccid = "89330000000000000003";
constexpr const char* kModem0 = "/org/freedesktop/ModemManager1/Modem/0";
constexpr const char* kModem1 = "/org/freedesktop/ModemManager1/Modem/1";

std::string codeOfSim(const std::string& dial, const std::string& title, const std::string& simId,
                      const std::string& sender = "")
{
    std::string xml = codeXml(dial, 1, {{title, 0}}, sender);
    return xml.substr(0, xml.size() - 7) + "<key>simId</key><string>" + simId + "</string></dict>";
}

class MultiModemEndToEnd : public LinuxHostTest {
protected:
    // Modem/0 with the home SIM, Modem/1 with the travel SIM; each network
    // answers the other SIM's code with figures that must never be stored.
    void startTwoModems()
    {
        startModemManager(std::string(R"({"modems": [[")") + kTravelIccid + R"(", "23410"]]})");
        answerOn(0, "*100#", "Balance 10");
        answerOn(1, "*100#", "Balance 666");
        answerOn(1, "*101#", "Credit 20");
        answerOn(0, "*101#", "Credit 555");
        answerOn(0, "*102#", "Minutes 50");
        answerOn(1, "*102#", "Minutes 444");
        mock("SetUssdReplyOn", g_variant_new("(ussss)", 1u, "*105#", "sms", "Bonus 30", "900"));
        writeSettings(plist("<dict><key>codesFollowSim</key><true/></dict>"));
        writeCodes(codesXml({codeOfSim("*100#", "Balance", kHomeIccid), codeOfSim("*101#", "Credit", kTravelIccid),
                             codeXml("*102#", 1, {{"Minutes", 0}}), codeOfSim("*105#", "Bonus", "23410", "900")}));
        startDaemon();
        ASSERT_TRUE(waitForLog(std::string("SIM ") + kHomeIccid + " of 25001 in " + kModem0)) << log();
        ASSERT_TRUE(waitForLog(std::string("SIM ") + kTravelIccid + " of 23410 in " + kModem1)) << log();
    }
    void answerOn(unsigned modem, const std::string& dial, const std::string& text)
    {
        mock("SetUssdReplyOn", g_variant_new("(ussss)", modem, dial.c_str(), "reply", text.c_str(), ""));
    }
    bool stored(const std::string& figure) { return codesStore().find("<string>" + figure + "</string>") != std::string::npos; }
    // Taps refresh until `done` holds: the daemon lets a tap through only
    // once the last cycle is over and a few seconds old.
    bool refreshUntil(const std::function<bool()>& done)
    {
        return waitFor([&] { return done() || (refreshTaken(2s) && waitFor(done, 1500ms)); }, 30s);
    }
    size_t skipped(const std::string& dial) { return logCount("Qvl: skipping " + dial + ": its SIM is not in"); }
    void expectNoForeignFigures()
    {
        for (const char* foreign : {"666", "555", "444"})
            EXPECT_FALSE(stored(foreign)) << "a figure of the wrong modem's network: " << foreign << "\n" << codesStore();
    }
};

TEST_F(MultiModemEndToEnd, EachCodeIsDialledOnTheModemHoldingItsSim)
{
    startTwoModems();
    ASSERT_TRUE(refreshUntil([&] { return stored("10") && stored("20") && stored("50") && stored("30"); })) << codesStore() << log();
    expectNoForeignFigures();
    EXPECT_TRUE(waitForLog(std::string("SIM ") + kTravelIccid + " is in " + kModem1 + ": *101# is dialled there")) << log();
    // The SMS-answered code of the travel network: its SMS came to Modem/1.
    EXPECT_TRUE(waitForLog("SIM 23410 is in " + std::string(kModem1) + ": *105# is dialled there")) << log();
    EXPECT_EQ(skipped("*100#") + skipped("*101#"), 0u) << log();
    EXPECT_EQ(log().find("is in none of the modems"), std::string::npos) << log();
}

TEST_F(MultiModemEndToEnd, AMenuOnTheSecondModemIsAnsweredThere)
{
    startModemManager(std::string(R"({"modems": [[")") + kTravelIccid + R"(", "23410"]]})");
    mock("SetUssdReplyOn", g_variant_new("(ussss)", 1u, "*101#", "menu", "1 Credit\n2 Data", ""));
    mock("SetUssdChoiceOn", g_variant_new("(ussss)", 1u, "*101#", "2", "reply", "Data 7 GB"));
    // The same menu on the first modem would lead elsewhere.
    mock("SetUssdReply", g_variant_new("(ssss)", "*101#", "menu", "1 Credit\n2 Data", ""));
    mock("SetUssdChoice", g_variant_new("(ssss)", "*101#", "2", "reply", "Data 555 GB"));
    writeSettings(plist("<dict><key>codesFollowSim</key><true/></dict>"));
    std::string menu = codeOfSim("*101#", "Data", kTravelIccid);
    menu.insert(menu.rfind("</dict>"), "<key>menuChoices</key><array><string>2</string></array>");
    writeCodes(codesXml({menu}));
    startDaemon();
    ASSERT_TRUE(waitForLog(std::string("SIM ") + kTravelIccid + " of 23410 in " + kModem1)) << log();
    ASSERT_TRUE(refreshUntil([&] { return stored("7"); })) << codesStore() << log();
    EXPECT_TRUE(waitForLog("the reply to *101# is a menu: it waits for a choice")) << log();
    EXPECT_TRUE(waitForLog("USSD Respond \"2\" to the menu of *101#")) << log();
    EXPECT_EQ(log().find("finds no menu of quorveld's own open"), std::string::npos) << log();
    EXPECT_FALSE(stored("555"));
}

TEST_F(MultiModemEndToEnd, ASimSwappedOutOfOneModemSkipsOnlyItsCodesUntilItIsBack)
{
    startTwoModems();
    ASSERT_TRUE(refreshUntil([&] { return stored("10") && stored("20"); })) << codesStore();

    mock("SwapSimOn", g_variant_new("(uss)", 1u, kOtherIccid, "20801"));
    ASSERT_TRUE(waitForLog(std::string("SIM ") + kOtherIccid + " of 20801 in " + kModem1)) << log();
    EXPECT_TRUE(waitForLog("Credit: SIM not in")) << log();
    answerOn(0, "*100#", "Balance 11");
    answerOn(1, "*101#", "Credit 21");
    ASSERT_TRUE(refreshUntil([&] { return stored("11"); })) << codesStore();
    EXPECT_TRUE(waitFor([&] { return skipped("*101#") >= 1; })) << log(); // it comes after *100# in the cycle
    EXPECT_FALSE(stored("21")) << "the travel SIM's code is not dialled while it is out";
    EXPECT_TRUE(stored("20")) << "its figure is kept";

    mock("SwapSimOn", g_variant_new("(uss)", 1u, kTravelIccid, "23410"));
    ASSERT_TRUE(waitFor([&] { return logCount(std::string("SIM ") + kTravelIccid + " of 23410 in " + kModem1) == 2; })) << log();
    EXPECT_TRUE(refreshUntil([&] { return stored("21"); })) << codesStore();
    expectNoForeignFigures();
}

TEST_F(MultiModemEndToEnd, ADialWaitingForItsSessionIsNotSentOnceItsSimLeft)
{
    startModemManager(std::string(R"({"modems": [[")") + kTravelIccid + R"(", "23410"]]})");
    answerOn(1, "*101#", "Credit 99");
    writeSettings(plist("<dict><key>codesFollowSim</key><true/></dict>"));
    writeCodes(codesXml({codeOfSim("*101#", "Credit", kTravelIccid)}));
    startDaemon();
    ASSERT_TRUE(waitForLog(std::string("SIM ") + kTravelIccid + " of 23410 in " + kModem1)) << log();
    // Another program's session holds the second modem: the dial waits for it.
    mock("SetUssdStateOn", g_variant_new("(uu)", 1u, 2u));
    ASSERT_TRUE(refreshTaken()) << log();
    ASSERT_TRUE(waitForLog("a USSD session quorveld did not start is active: *101# waits until it is idle")) << log();
    mock("SwapSimOn", g_variant_new("(uss)", 1u, kOtherIccid, "20801"));
    ASSERT_TRUE(waitForLog(std::string("SIM ") + kOtherIccid + " of 20801 in " + kModem1)) << log();
    mock("SetUssdStateOn", g_variant_new("(uu)", 1u, 1u));
    EXPECT_TRUE(waitForLog(std::string("SIM ") + kTravelIccid + " left " + kModem1 + " before *101# went out: it is not dialled"))
        << log();
    EXPECT_EQ(log().find("USSD Initiate *101#"), std::string::npos) << log();
    EXPECT_FALSE(stored("99")) << codesStore();
}

TEST_F(MultiModemEndToEnd, ModemsRemovedAndAddedBackAreFollowedWithoutARestart)
{
    startTwoModems();
    // The whole cycle, the SMS-answered code last: a modem removed while the
    // engine still waits for its SMS would hold the next tap for that wait.
    ASSERT_TRUE(refreshUntil([&] { return stored("10") && stored("20") && stored("50") && stored("30"); }))
        << codesStore();

    // The second modem goes: its SIM's code waits, the first modem goes on.
    mock("RemoveModemAt", g_variant_new("(u)", 1u));
    ASSERT_TRUE(waitForLog(std::string("modem ") + kModem1 + " is no longer followed")) << log();
    answerOn(0, "*100#", "Balance 12");
    answerOn(1, "*101#", "Credit 22");
    ASSERT_TRUE(refreshUntil([&] { return stored("12"); })) << codesStore();
    EXPECT_TRUE(waitFor([&] { return skipped("*101#") >= 1; })) << log(); // it comes after *100# in the cycle

    mock("AddModemAt", g_variant_new("(u)", 1u));
    ASSERT_TRUE(waitFor([&] { return logCount(std::string("modem ") + kModem1 + " is followed beside") == 2; })) << log();
    ASSERT_TRUE(refreshUntil([&] { return stored("22"); })) << codesStore();

    // The default modem goes: the other one takes codes without a SIM.
    mock("RemoveModemAt", g_variant_new("(u)", 0u));
    ASSERT_TRUE(waitForLog(std::string("modem ") + kModem0 + " went away")) << log();
    ASSERT_TRUE(waitForLog(std::string("modem ") + kModem1 + " is the first modem now")) << log();
    answerOn(1, "*102#", "Minutes 51");
    answerOn(0, "*100#", "Balance 13");
    ASSERT_TRUE(refreshUntil([&] { return stored("51"); })) << codesStore();
    EXPECT_GE(skipped("*100#"), 1u) << log();

    // Back, it is followed beside the one now used first, its SIM's code dialled on it.
    mock("AddModemAt", g_variant_new("(u)", 0u));
    ASSERT_TRUE(waitForLog(std::string("modem ") + kModem0 + " is followed beside " + kModem1)) << log();
    EXPECT_TRUE(refreshUntil([&] { return stored("13"); })) << codesStore();
    EXPECT_FALSE(stored("666")) << codesStore();
}

TEST_F(MultiModemEndToEnd, NoMoreThanEightModemsAreUsed)
{
    std::string modems;
    for (int n = 1; n <= 9; ++n)
        modems += std::string(modems.empty() ? "" : ", ") + "[\"8944200000000000001" + std::to_string(n) + "\", \"23410\"]";
    startModemManager(R"({"modems": [)" + modems + "]}");
    startDaemon();
    ASSERT_TRUE(waitForLog("10 modems: only the first 8 by path are used")) << log();
    ASSERT_TRUE(waitForLog("SIM 89442000000000000017 of 23410 in /org/freedesktop/ModemManager1/Modem/7")) << log();
    EXPECT_EQ(log().find("/org/freedesktop/ModemManager1/Modem/8 is followed"), std::string::npos) << log();
    EXPECT_EQ(log().find("/org/freedesktop/ModemManager1/Modem/9 is followed"), std::string::npos) << log();
    EXPECT_EQ(logCount("only the first 8 by path are used"), 1u) << "told once while the count stays";
}

TEST_F(MultiModemEndToEnd, ASimIdentityThatIsNoneIsIgnoredAndLoggedCutShort)
{
    startModemManager();
    startDaemon();
    ASSERT_TRUE(waitForLog(std::string("SIM ") + kHomeIccid + " of 25001 in")) << log();
    const std::string flood = "8970<b>\n" + std::string(5000, '9');
    mock("SwapSim", g_variant_new("(ss)", flood.c_str(), "25001;rm"));
    ASSERT_TRUE(waitForLog("is not an ICCID")) << log();
    EXPECT_TRUE(waitForLog("is not an MCC+MNC")) << log();
    // Neither is used: the SIM counts as one the modem cannot read.
    EXPECT_TRUE(waitForLog(std::string("SIM (no ICCID) of (unknown network) in ") + kModem0)) << log();
    EXPECT_EQ(log().find(std::string(200, '9')), std::string::npos) << "the log quotes a bounded part";
    EXPECT_EQ(log().find("<b>\n"), std::string::npos) << "a newline never ends a log line";
}

} // namespace
} // namespace linuxhost::test
