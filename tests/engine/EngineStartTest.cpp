// Start-up: the settings it reads, the refresh timer it starts, and the three
// small reactions (lock state, Do Not Disturb, a dial of the Settings wizard).
#include "tests/engine/EngineFixture.h"

#include "common/QuorvelNames.h"
#include "engine/EngineSettings.h"
#include "engine/EngineState.h"
#include "platform/telephony/CoreTelephony.h"

namespace quorvel::engine::testing {

namespace {

using platform::Dict;
using platform::Value;

using EngineSettingsTest = EngineBeforeStartTest;

TEST_F(EngineSettingsTest, NoSettingsStoreGivesEveryDefault)
{
    startEngine();
    EXPECT_EQ(autoRefreshRate, 0);
    EXPECT_FALSE(enableInRoaming);
    EXPECT_FALSE(unlockedAutorefreshAllowed);
    EXPECT_FLOAT_EQ(maxResponseTime, 10.0f);
    EXPECT_FLOAT_EQ(sessionInitTime, 4.0f);
    EXPECT_TRUE(observeDND);
    EXPECT_FLOAT_EQ(maxSMSResponseTime, 60.0f);
    EXPECT_TRUE(deviceIsUnlocked);
    EXPECT_FALSE(isDnDActive);
    EXPECT_EQ(logCountStartingWith("Qvl: setting"), 0) << logText();
}

TEST_F(EngineSettingsTest, SmsWaitIsRaisedToOneSecondAboveTheUssdWindowOnlyWhenBelowIt)
{
    struct Case {
        Value maxResponse;
        Value maxSms;
        float expected;
        int raisedLines;
    } cases[] = {
        {30, 20, 31.0f, 1},
        {30, 31, 31.0f, 0},
        {30.5, 31.4, 31.5f, 1},
        {10, 5, 11.0f, 1},
        {100, Value(), 60.0f, 0}, // the default is trusted as it is
        {10, "15", 15.0f, 0},
        {"30", "20", 31.0f, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maxResponse.description() + " / " + c.maxSms.description());
        Dict settings{{kMaxResponseTimeKey, c.maxResponse}};
        if (!c.maxSms.isNone())
            settings[kMaxSMSResponseTimeKey] = c.maxSms;
        writeSettings(settings);
        clearLog();
        loadSettings();
        EXPECT_FLOAT_EQ(maxSMSResponseTime, c.expected);
        EXPECT_EQ(logCountStartingWith("Qvl: setting max SMS response time to more than USSD response time: "), c.raisedLines);
    }
    writeSettings({{kMaxResponseTimeKey, 30}, {kMaxSMSResponseTimeKey, 20}});
    clearLog();
    loadSettings();
    EXPECT_TRUE(logged("Qvl: setting max SMS response time to more than USSD response time: 31.0 seconds")) << logText();
}

TEST_F(EngineSettingsTest, NumbersStoredAsTextReadLikeNumbers)
{
    writeSettings({{kAutoRefreshRateKey, "15"},
                   {kEnableInRoamingKey, "YES"},
                   {kUnlockedAutorefreshAllowedKey, 1},
                   {kMaxResponseTimeKey, "12.5"},
                   {kSessionInitTimeKey, 2},
                   {kObserveDNDKey, false}});
    loadSettings();
    EXPECT_EQ(autoRefreshRate, 15);
    EXPECT_TRUE(enableInRoaming);
    EXPECT_TRUE(unlockedAutorefreshAllowed);
    EXPECT_FLOAT_EQ(maxResponseTime, 12.5f);
    EXPECT_FLOAT_EQ(sessionInitTime, 2.0f);
    EXPECT_FALSE(observeDND);
    EXPECT_EQ(logCountStartingWith("Qvl: setting"), 0) << logText();
}

TEST_F(EngineSettingsTest, MistypedSettingsAreLoggedAndTakeTheirDefaults)
{
    writeSettings({{kAutoRefreshRateKey, "often"},
                   {kEnableInRoamingKey, platform::Array{true}},
                   {kMaxResponseTimeKey, Dict{{"seconds", 5}}},
                   {kSessionInitTimeKey, -3},
                   {kObserveDNDKey, kStart},
                   {kMaxSMSResponseTimeKey, "soon"}});
    loadSettings();
    EXPECT_EQ(autoRefreshRate, 0);
    EXPECT_FALSE(enableInRoaming);
    EXPECT_FLOAT_EQ(maxResponseTime, 10.0f);
    EXPECT_FLOAT_EQ(sessionInitTime, 4.0f);
    EXPECT_TRUE(observeDND);
    EXPECT_FLOAT_EQ(maxSMSResponseTime, 60.0f);
    EXPECT_EQ(logCountStartingWith("Qvl: setting "), 6) << logText();
    EXPECT_TRUE(logged("Qvl: setting sessionInitTime has an unusable value -3, using the default")) << logText();
}

TEST_F(EngineSettingsTest, RefreshTimerFirstFiresAfter300SecondsThenEvery300)
{
    writeSettings({{kAutoRefreshRateKey, 5}, {kUnlockedAutorefreshAllowedKey, true}});
    writeCodes({codeRecord("*100#", 1, {{"Balance", 0}})});
    startEngine();
    runFor(platform::Micros(300'000'000 - 1));
    EXPECT_TRUE(telephony.dials.empty());
    EXPECT_EQ(logCountStartingWith("Qvl: timer tick"), 0);
    runFor(platform::Micros(1));
    EXPECT_EQ(telephony.dials.size(), 1u);
    // The last dial was exactly one period ago at the next tick: due.
    runForSeconds(300);
    EXPECT_EQ(telephony.dials.size(), 2u);
    EXPECT_EQ(refreshTimer->mode(), platform::kCFRunLoopCommonModes);
}

TEST_F(EngineTest, LockStateFollowsTheLastNotification)
{
    springboard->lock();
    device->runPending();
    EXPECT_FALSE(deviceIsUnlocked);
    EXPECT_TRUE(logged("Qvl: got display status change notification: com.apple.springboard.lockcomplete"));
    EXPECT_TRUE(logged("Qvl: device is locked."));

    springboard->unlock();
    device->runPending();
    EXPECT_TRUE(deviceIsUnlocked);
    EXPECT_TRUE(logged("Qvl: got display status change notification: com.apple.springboard.lockstate"));
    EXPECT_TRUE(logged("Qvl: device is unlocked."));

    // Both in one turn: the later one wins.
    springboard->unlock();
    springboard->lock();
    device->runPending();
    EXPECT_FALSE(deviceIsUnlocked);
}

TEST_F(EngineTest, StatusBarItemOneTracksDoNotDisturbAndEveryItemReachesSpringBoard)
{
    springboard->setStatusBarItem(1, true);
    EXPECT_TRUE(isDnDActive);
    EXPECT_TRUE(logged("Qvl: DnD state changed to y"));
    EXPECT_TRUE(springboard->statusBarItemEnabled(1));

    clearLog();
    springboard->setStatusBarItem(2, false);
    springboard->setStatusBarItem(7, true);
    EXPECT_TRUE(isDnDActive);
    EXPECT_EQ(logCountStartingWith("Qvl: DnD"), 0);
    EXPECT_TRUE(springboard->statusBarItemEnabled(7));

    springboard->setStatusBarItem(1, false);
    EXPECT_FALSE(isDnDActive);
    EXPECT_TRUE(logged("Qvl: DnD state changed to n"));
    EXPECT_FALSE(springboard->statusBarItemEnabled(1));
    // The host's own answer comes back through the replacement.
    rt::id manager = rt::objc_getClass("SBStatusBarDataManager")->createInstance();
    EXPECT_FALSE(rt::msgSend<bool>(manager, "setStatusBarItem:enabled:", 1, true)) << "a manager with no status bar changes nothing";
}

TEST_F(EngineTest, SettingsDialOpensAWindowButItsReplyIsNeitherParsedNorStored)
{
    writeCodes({codeRecord("*100#", 1, {{"Balance", 0}})});
    const std::string before = storedCodesBytes();
    postDarwin(kUssdSentNotification);
    EXPECT_TRUE(logged("Qvl: got the request sent notification "));
    ASSERT_TRUE(ussdRequestTime.has_value());
    EXPECT_EQ(*ussdRequestTime, kStart);

    springboard->presentUSSDAlert("Balance 12.50");
    EXPECT_EQ(springboard->alertsOpen(), 1);
    EXPECT_EQ(springboard->alertsOnScreen(), 0) << "the wizard's alert is hidden like the engine's own";

    reply("Balance 12.50");
    EXPECT_TRUE(logged("Qvl: USSD string is Balance 12.50"));
    EXPECT_TRUE(logged("Qvl: ignoring USSD string"));
    EXPECT_EQ(ussdMessage, "Balance 12.50");
    EXPECT_EQ(storedCodesBytes(), before);
    EXPECT_EQ(announcements, 0);
    EXPECT_TRUE(telephony.dials.empty());
}

TEST_F(EngineTest, SettingsSmsExpectationWaitsWithoutTouchingTheCycle)
{
    writeCodes({codeRecord("*100#", 1, {{"Balance", 0}})});
    postDarwin(kExpectSmsReplyNotification);
    EXPECT_TRUE(logged("Qvl: got the SMS expected notification"));
    EXPECT_EQ(ussdRequestTime, kStart);
    EXPECT_FALSE(updateValuesInFile);
    EXPECT_EQ(process->telephonyCenter().observerCount(platform::kIMChatItemsDidChangeNotification), 1u);

    runForSeconds(60);
    EXPECT_TRUE(logged("Qvl: SMS wait for response time (60.0 seconds) expired (request initiated by Settings)")) << logText();
    EXPECT_EQ(process->telephonyCenter().observerCount(platform::kIMChatItemsDidChangeNotification), 0u);
    EXPECT_TRUE(telephony.dials.empty());
}

} // namespace

} // namespace quorvel::engine::testing
