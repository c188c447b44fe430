// quorveld end to end against the real ModemManager driving two emulated
// modems (real_modemmanager.py --modems 2): each code that follows its SIM is
// dialled on the modem holding it, and a SIM swapped in one modem (seen once
// ModemManager probes it again) skips only that SIM's codes until it is back.
#include "CodesPlist.h"
#include "RealModemManagerFixture.h"

#include <string>

namespace linuxhost::test {
namespace {

using namespace std::chrono_literals;

// The emulated modems' SIMs (at_modem.py, SECOND_MODEM in real_modemmanager.py).
constexpr const char* kHomeIccid = "89701010000000000001";
constexpr const char* kTravelIccid = "89442000000000000002";
constexpr const char* kOtherIccid = "89330000000000000003";

std::string codeOfSim(const std::string& dial, const std::string& title, const std::string& simId)
{
    std::string xml = codeXml(dial, 1, {{title, 0}});
    return xml.substr(0, xml.size() - 7) + "<key>simId</key><string>" + simId + "</string></dict>";
}

class RealModemManagerTwoModems : public RealModemManagerTest {
public:
    static void SetUpTestSuite()
    {
        useTwoModems();
        RealModemManagerTest::SetUpTestSuite();
    }

protected:
    // Each network answers its own SIM's code, and the other SIM's with a
    // figure that must never be stored.
    void answerBoth(const std::string& home, const std::string& travel)
    {
        answer("*100#", "Balance " + home);
        answer("*101#", "Credit 555");
        secondModem(R"({"op": "answer", "code": "*101#", "text": )" + json("Credit " + travel) + "}");
        secondModem(R"({"op": "answer", "code": "*100#", "text": "Balance 666"})");
    }
    void startWithCodesOfBothSims()
    {
        writeSettings(plist("<dict><key>codesFollowSim</key><true/></dict>"));
        writeCodes(codesXml({codeOfSim("*100#", "Balance", kHomeIccid), codeOfSim("*101#", "Credit", kTravelIccid)}));
        startDaemon();
        ASSERT_TRUE(waitForLog(std::string("SIM ") + kHomeIccid + " of ", 20s)) << log();
        ASSERT_TRUE(waitForLog(std::string("SIM ") + kTravelIccid + " of ", 20s)) << log();
    }
    bool stored(const std::string& figure) { return codesStore().find("<string>" + figure + "</string>") != std::string::npos; }
    bool refreshUntil(const std::function<bool()>& done)
    {
        return waitFor([&] { return done() || (refreshTaken(2s) && waitFor(done, 3s)); }, 60s);
    }
};

TEST_F(RealModemManagerTwoModems, EachCodeIsDialledOnTheModemHoldingItsSim)
{
    answerBoth("10.00", "20.00");
    startWithCodesOfBothSims();
    ASSERT_TRUE(refreshUntil([&] { return stored("10.00") && stored("20.00"); })) << codesStore() << log();
    EXPECT_FALSE(stored("555")) << codesStore();
    EXPECT_FALSE(stored("666")) << codesStore();
    // Each code reached its own modem, once per refresh, and never the other one.
    EXPECT_NE(modemLog().find("at_modem: USSD string \"*100#\""), std::string::npos) << modemLog();
    EXPECT_NE(modemLog().find("at_modem2: USSD string \"*101#\""), std::string::npos) << modemLog();
    EXPECT_EQ(modemLog().find("at_modem2: USSD string \"*100#\""), std::string::npos) << modemLog();
    EXPECT_EQ(modemLog().find("at_modem: USSD string \"*101#\""), std::string::npos) << modemLog();
}

TEST_F(RealModemManagerTwoModems, ASimSwappedInOneModemSkipsOnlyItsCodesUntilItIsBack)
{
    answerBoth("11.00", "21.00");
    startWithCodesOfBothSims();
    ASSERT_TRUE(refreshUntil([&] { return stored("11.00") && stored("21.00"); })) << codesStore() << log();

    // Another SIM in the second modem; ModemManager reads it when it probes the modems again.
    secondModem(std::string(R"({"op": "sim", "iccid": ")") + kOtherIccid + R"(", "operator": ["20801", "Abroad"]})");
    restartModemManager();
    ASSERT_TRUE(waitForLog("ModemManager stopped", 20s)) << log();
    ASSERT_TRUE(enableEveryModem());
    ASSERT_TRUE(waitForLog(std::string("SIM ") + kOtherIccid + " of ", 60s)) << log();
    answerBoth("12.00", "22.00");
    ASSERT_TRUE(refreshUntil([&] { return stored("12.00"); })) << codesStore() << log();
    EXPECT_TRUE(waitForLog("Qvl: skipping *101#: its SIM is not in")) << log();
    EXPECT_FALSE(stored("22.00")) << codesStore();

    // Back in: dialled on it again.
    secondModem(std::string(R"({"op": "sim", "iccid": ")") + kTravelIccid + R"(", "operator": ["23410", "Travel Mobile"]})");
    restartModemManager();
    ASSERT_TRUE(waitFor([&] { return logCount("ModemManager stopped") >= 2; }, 20s)) << log();
    ASSERT_TRUE(enableEveryModem());
    ASSERT_TRUE(waitFor([&] { return logCount(std::string("SIM ") + kTravelIccid + " of ") >= 2; }, 60s)) << log();
    EXPECT_TRUE(refreshUntil([&] { return stored("22.00"); })) << codesStore() << log();
    EXPECT_FALSE(stored("555")) << codesStore();
    EXPECT_FALSE(stored("666")) << codesStore();
}

} // namespace
} // namespace linuxhost::test
