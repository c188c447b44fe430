// quorveld end to end with codes that follow their SIM: the modem's SIM read
// from ModemManager (its ICCID and operator), a code of another SIM skipped
// until its SIM is back, and a code without a SIM dialled on any.
#include "CodesPlist.h"
#include "LinuxHostFixture.h"
#include "host/linux/client/QuorvelClient.h"

#include <functional>
#include <string>

namespace linuxhost::test {
namespace {

using namespace std::chrono_literals;

// The mock's SIM (modemmanager.py).
constexpr const char* kHomeIccid = "89701010000000000001";
constexpr const char* kTravelIccid = "89442000000000000002";

std::string codeOfSim(const std::string& dial, const std::string& title, const std::string& simId)
{
    std::string xml = codeXml(dial, 1, {{title, 0}});
    return xml.substr(0, xml.size() - 7) + "<key>simId</key><string>" + simId + "</string></dict>";
}

class SimEndToEnd : public LinuxHostTest {
protected:
    void answer(const std::string& dial, const std::string& text)
    {
        mock("SetUssdReply", g_variant_new("(ssss)", dial.c_str(), "reply", text.c_str(), ""));
    }
    bool stored(const std::string& part) { return codesStore().find(part) != std::string::npos; }
    // Taps refresh until `done` holds: the daemon lets a tap through only
    // once the last cycle is over and a few seconds old.
    bool refreshUntil(const std::function<bool()>& done)
    {
        return waitFor([&] { return done() || (refreshTaken(2s) && waitFor(done, 1500ms)); }, 30s);
    }
    size_t skipped() { return logCount("Qvl: skipping *100#: its SIM is not in"); }
};

TEST_F(SimEndToEnd, ACodeOfASimTakenOutIsSkippedUntilItIsBack)
{
    startModemManager();
    answer("*100#", "Balance 10");
    answer("*102#", "Minutes 50");
    writeSettings(plist("<dict><key>codesFollowSim</key><true/></dict>"));
    writeCodes(codesXml({codeOfSim("*100#", "Balance", kHomeIccid), codeXml("*102#", 1, {{"Minutes", 0}})}));
    startDaemon();
    ASSERT_TRUE(waitForLog(std::string("SIM ") + kHomeIccid + " of 25001 in")) << log();
    ASSERT_TRUE(refreshUntil([&] { return stored("<string>50</string>") && stored("<string>10</string>"); })) << codesStore();
    EXPECT_TRUE(waitForLog("quorveld: widget: Balance: 10 | Minutes: 50")) << log();
    EXPECT_EQ(skipped(), 0u);

    // A travel SIM in: the home SIM's code waits, the other goes on.
    mock("SwapSim", g_variant_new("(ss)", kTravelIccid, "23410"));
    ASSERT_TRUE(waitForLog(std::string("SIM ") + kTravelIccid + " of 23410 in")) << log();
    // The widget is drawn again at once, the home SIM's figure no longer shown.
    EXPECT_TRUE(waitForLog("quorveld: widget: Balance: SIM not in | Minutes: 50")) << log();
    answer("*100#", "Balance 99");
    answer("*102#", "Minutes 40");
    ASSERT_TRUE(refreshUntil([&] { return stored("<string>40</string>"); })) << codesStore();
    EXPECT_GE(skipped(), 1u) << log();
    EXPECT_FALSE(stored("<string>99</string>")) << "the home SIM's figure is kept";
    EXPECT_TRUE(stored("<string>10</string>")) << codesStore();

    // No SIM at all: nothing of the home SIM is dialled.
    mock("RemoveSim", nullptr);
    ASSERT_TRUE(waitForLog("the SIM is out of")) << log();
    const size_t before = skipped();
    ASSERT_TRUE(refreshUntil([&] { return skipped() > before; })) << log();

    // Home again: dialled on it.
    mock("SwapSim", g_variant_new("(ss)", kHomeIccid, "25001"));
    ASSERT_TRUE(waitFor([&] { return logCount(std::string("SIM ") + kHomeIccid + " of 25001 in") == 2; }, 10s)) << log();
    EXPECT_TRUE(refreshUntil([&] { return stored("<string>99</string>"); })) << codesStore();
    EXPECT_EQ(log().find("is not in the modem: the dial of"), std::string::npos) << "no dial on a SIM that is out";
}

TEST_F(SimEndToEnd, SaveCodeRecordsTheModemsSimOnlyWhileCodesFollowTheirSim)
{
    startModemManager();
    startDaemon();
    ASSERT_TRUE(waitForLog(std::string("SIM ") + kHomeIccid + " of 25001 in")) << log();
    CallError error;
    std::unique_ptr<QuorvelClient> client = QuorvelClient::connect(sessionBus(), &error);
    ASSERT_TRUE(client) << error.message;

    ASSERT_TRUE(client->saveCode("*100#", "", 1, {{0, "Balance"}}, &error)) << error.message;
    EXPECT_EQ(codesStore().find("simId"), std::string::npos) << codesStore();

    ASSERT_TRUE(client->setSetting("codesFollowSim", true, &error)) << error.message;
    ASSERT_TRUE(client->saveCode("*102#", "", 1, {{0, "Minutes"}}, &error)) << error.message;
    const std::string store = codesStore();
    const size_t key = store.find("<key>simId</key>");
    ASSERT_NE(key, std::string::npos) << store;
    EXPECT_EQ(key, store.rfind("<key>simId</key>")) << "only the code saved while the setting is on";
    EXPECT_EQ(store.find(std::string("<string>") + kHomeIccid + "</string>", key), store.find("<string>", key)) << store;
    EXPECT_GT(key, store.find("*100#")) << "under the second code";
}

} // namespace
} // namespace linuxhost::test
