// The bulletin and badge replacements: what is held back inside the SMS-length
// window that every request opens, and what ends it.
#include "tests/engine/SmsFixture.h"

#include "common/QuorvelNames.h"
#include "engine/EngineState.h"

namespace quorvel::engine::testing {

namespace {

constexpr const char* kMessages = "com.apple.MobileSMS";
constexpr const char* kCalendar = "com.apple.mobilecal";
constexpr const char* kMail = "com.apple.mobilemail";

platform::Value balanceCode()
{
    return codeRecord("*100#", 1, {{"Balance", 0}});
}

TEST_F(EngineTest, WithoutARequestEveryBulletinAndBadgePasses)
{
    springboard->publishBulletin({kMessages, "900", "Left: 5"});
    springboard->setBadge(kMessages, 1);
    EXPECT_EQ(springboard->bulletinCount(kMessages), 1);
    EXPECT_EQ(springboard->badge(kMessages), 1);
    EXPECT_TRUE(logged("Qvl: date is nil, ignoring bulletin"));
    EXPECT_TRUE(logged("Qvl: date is nil, ignoring setBadge"));
}

TEST_F(EngineTest, InsideTheWindowMessageBulletinsAndEveryBadgeAreHeldBack)
{
    springboard->setBadge(kMail, 3);
    writeCodes({balanceCode()}); // a USSD-only request opens the window too
    requestRefresh();
    runForSeconds(1);

    springboard->publishBulletin({kMessages, "900", "Left: 5"});
    springboard->publishBulletin({kCalendar, "Meeting", "at 10"});
    springboard->setBadge(kMessages, 1);
    springboard->setBadge(kMail, 4);

    EXPECT_EQ(springboard->bulletinCount(kMessages), 0);
    EXPECT_EQ(springboard->bulletinCount(kCalendar), 1);
    EXPECT_TRUE(logged("Qvl: publishBulletin: com.apple.MobileSMS"));
    EXPECT_TRUE(logged("Qvl: publishBulletin: com.apple.mobilecal"));
    EXPECT_EQ(springboard->badge(kMessages), 0);
    EXPECT_EQ(springboard->badge(kMail), 3) << "the icon keeps the badge it showed before";
    EXPECT_EQ(logCount("Qvl: suppressing badge..."), 2);
}

// The window spans maxSMSResponseTime from the request; its end instant is
// inside, the next microsecond passes it and closes the window for good.
TEST_F(EngineTest, WindowEndsAfterMaxSmsResponseTimeAndThenClears)
{
    struct Case {
        const char* what;
        platform::Dict settings;
        double spanSeconds;
    };
    const Case cases[] = {
        {"default span", {}, 60.0},
        {"stored span", {{kMaxSMSResponseTimeKey, 90}}, 90.0},
        {"span raised above the USSD window", {{kMaxResponseTimeKey, 30}, {kMaxSMSResponseTimeKey, 5}}, 31.0},
    };
    writeCodes({balanceCode()});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeSettings(c.settings);
        const int shownBefore = springboard->bulletinCount(kMessages);
        springboard->setBadge(kMessages, 0);
        requestRefresh();
        runFor(platform::toMicros(platform::Seconds(c.spanSeconds)));
        springboard->publishBulletin({kMessages, "900", "at the end"});
        springboard->setBadge(kMessages, 1);
        EXPECT_EQ(springboard->bulletinCount(kMessages), shownBefore);
        EXPECT_EQ(springboard->badge(kMessages), 0);

        runFor(platform::Micros(1));
        clearLog();
        springboard->setBadge(kMessages, 2);
        EXPECT_TRUE(logged("Qvl: SMS window has passed, ignoring setBadge")) << logText();
        EXPECT_FALSE(ussdRequestTime.has_value());
        springboard->publishBulletin({kMessages, "900", "after the end"});
        EXPECT_TRUE(logged("Qvl: date is nil, ignoring bulletin"));
        EXPECT_EQ(springboard->bulletinCount(kMessages), shownBefore + 1);
        EXPECT_EQ(springboard->badge(kMessages), 2);
    }
}

TEST_F(EngineTest, BulletinAfterThePassedWindowIsPublishedAndClearsTheRequestTime)
{
    writeCodes({balanceCode()});
    requestRefresh();
    runFor(platform::Micros(60'000'001));
    springboard->publishBulletin({kMessages, "900", "late"});
    EXPECT_TRUE(logged("Qvl: window has passed, ignoring bulletin"));
    EXPECT_FALSE(ussdRequestTime.has_value());
    EXPECT_EQ(springboard->bulletinCount(kMessages), 1);
}

// A late USSD reply finds the shorter USSD window passed and clears the
// request time, so a message banner before maxSMSResponseTime is shown.
TEST_F(EngineTest, LateUssdEventClearingTheWindowLetsAMessageBannerThrough)
{
    writeCodes({balanceCode()});
    requestRefresh();
    runForSeconds(11);
    reply("Balance 10");
    EXPECT_TRUE(logged("Qvl: window has passed, not parsing this USSD response"));
    runForSeconds(5);
    springboard->publishBulletin({kMessages, "Mom", "Call me"});
    springboard->setBadge(kMessages, 1);
    EXPECT_EQ(springboard->bulletinCount(kMessages), 1);
    EXPECT_EQ(springboard->badge(kMessages), 1);
}

// After an SMS of another sender nothing is held back, USSD-only requests
// included, until the next SMS expectation starts.
TEST_F(SmsEngineTest, AnotherSendersSmsTurnsSuppressionOffUntilTheNextExpectation)
{
    writeCodes({codeRecord("*105#", 1, {{"Minutes", 0}}, "900")});
    requestRefresh();
    receive("Mom", "Call me");
    EXPECT_EQ(smsBulletins(), 1);
    EXPECT_EQ(smsBadge(), 1);
    EXPECT_GE(logCount("Qvl: message marked as do not suppress"), 2);

    runForSeconds(60);
    writeCodes({balanceCode()});
    requestRefresh();
    springboard->publishBulletin({kMessages, "Mom", "Again"});
    springboard->setBadge(kMail, 7);
    EXPECT_EQ(smsBulletins(), 2);
    EXPECT_EQ(springboard->badge(kMail), 7);

    writeCodes({codeRecord("*105#", 1, {{"Minutes", 0}}, "900")});
    requestRefresh();
    EXPECT_FALSE(doNotSuppressThisSMS);
    receive("900", "Left: 42 min");
    EXPECT_EQ(storedField(0, 0), "42");
    EXPECT_EQ(smsBulletins(), 2);
    EXPECT_EQ(smsBadge(), 1) << "the badge of the taken SMS is held back";
}

} // namespace

} // namespace quorvel::engine::testing
