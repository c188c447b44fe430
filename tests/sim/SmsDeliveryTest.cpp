// SMS on the simulated device: the carrier answering codes by SMS through the
// World's messaging service, and the scenario statements built on it.
#include "platform/system/Process.h"
#include "platform/telephony/CoreTelephony.h"
#include "sim/carrier/SimCarrier.h"
#include "sim/messaging/MessagingService.h"
#include "sim/scenario/ScenarioSession.h"
#include "sim/springboard/SpringBoard.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace sim {
namespace {

using platform::Micros;

WorldOptions withoutEngine()
{
    WorldOptions options;
    options.installEngine = false;
    options.installHistory = false;
    return options;
}

bool logHas(World& world, const std::string& text)
{
    const auto& lines = world.log().lines();
    return std::any_of(lines.begin(), lines.end(), [&](const LogLine& l) { return l.text == text; });
}

void dialFromSpringBoard(World& world, const std::string& code)
{
    platform::ProcessScope in(world.springBoardProcess());
    platform::CTCallDial(code);
}

TEST(SimCarrier, AnswersBySmsAfterItsOwnDelayBesideTheUssdAnswer)
{
    World world(withoutEngine());
    world.boot();
    world.carrier().answerByUssd("*105#", "Accepted, an SMS follows", Micros(2'000'000));
    world.carrier().answerBySms("*105#", "900", "Left: 250 min", Micros(5'000'000));
    dialFromSpringBoard(world, "*105#");

    world.runFor(Micros(4'999'999));
    EXPECT_EQ(world.springBoard().alertsOpen(), 1) << "the USSD answer came at 2 s";
    EXPECT_EQ(world.messaging().messageCount(), 0);
    world.runFor(Micros(1));
    ASSERT_EQ(world.messaging().messageCount(), 1);
    std::optional<host::StoredMessage> stored = world.messaging().message(1);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->sender, "900");
    EXPECT_EQ(stored->text, "Left: 250 min");
    EXPECT_EQ(world.messaging().unreadCount(), 1);
    EXPECT_EQ(world.springBoard().bulletinCount(kMessagesBundleIdentifier), 1);
    EXPECT_EQ(world.springBoard().badge(kMessagesBundleIdentifier), 1);
    EXPECT_TRUE(logHas(world, "sim: carrier answers *105# by SMS from 900: \"Left: 250 min\""));
}

TEST(SimCarrier, SmsOnlyCodesShowNoAlertAndSilenceClearsTheSmsToo)
{
    World world(withoutEngine());
    world.boot();
    world.carrier().answerBySms("*106#", "Beeline", "Left: 5 GB", Micros(1'000'000));
    dialFromSpringBoard(world, "*106#");
    world.runFor(Micros(10'000'000));
    EXPECT_EQ(world.springBoard().alertsOpen(), 0);
    EXPECT_EQ(world.messaging().messageCount(), 1);

    world.carrier().staySilent("*106#");
    dialFromSpringBoard(world, "*106#");
    world.runFor(Micros(10'000'000));
    EXPECT_EQ(world.messaging().messageCount(), 1);
    EXPECT_TRUE(logHas(world, "sim: carrier leaves *106# unanswered"));
}

TEST(SimCarrier, SmsWhileThePhoneIsOffIsLoggedAsLost)
{
    World world(withoutEngine());
    platform::Process other(world.device(), "OtherProcess", "org.quillmoor.sim.other");
    world.carrier().answerBySms("*105#", "900", "Left: 250 min", Micros(1'000'000));
    world.carrier().dial(other, "*105#");
    world.runFor(Micros(1'000'000));
    EXPECT_TRUE(logHas(world, "sim: the phone is off: the SMS from 900 is lost"));
}

struct Ran {
    int status = -1;
    std::string out;
    std::string err;
};

Ran run(const std::string& text)
{
    std::ostringstream out;
    std::ostringstream err;
    Ran ran;
    ran.status = runScenarioText("t.scn", text, {}, out, err);
    ran.out = out.str();
    ran.err = err.str();
    return ran;
}

TEST(ScenarioSession, PlaysRequestsFromOutsideSpringBoardAndCountsMessages)
{
    Ran ran = run("carrier \"*1#\" sms \"900\" \"Left 1\" after 1s\n"
                  "boot\n"
                  "post \"org.example.hello\"\n"
                  "expect log \"sim: OtherProcess posts org.example.hello on the Darwin centre\"\n"
                  "expect darwin \"org.example.hello\" 1\n"
                  "dial \"*1#\"\n"
                  "expect log \"sim: OtherProcess dials *1#\"\n"
                  "advance 1s\n"
                  "sms \"Mom\" \"Hi\"\n"
                  "expect unread 2\n"
                  "expect bulletins \"com.apple.MobileSMS\" 2\n"
                  "expect badge \"com.apple.MobileSMS\" 2\n"
                  "expect handoff text = absent\n"
                  "expect unread 3\n");
    EXPECT_EQ(ran.status, kScenarioFailed) << ran.out << ran.err;
    EXPECT_NE(ran.err.find("t.scn:14: failed: expect unread 3"), std::string::npos) << ran.err;
    EXPECT_NE(ran.err.find("found: 2 unread messages"), std::string::npos) << ran.err;
}

TEST(ScenarioSession, RejectsUnknownFaultsAndMisplacedMessagingStatements)
{
    struct Case {
        const char* text;
        const char* messagePart;
    };
    const Case cases[] = {
        {"boot\ndbfault sideways", "expected locked, readonly, missing, corrupt or none"},
        {"sms \"900\" \"x\"", "needs a booted device"},
        {"boot\nexpect unread many", "a whole number"},
        {"carrier \"*1#\" sms \"900\"", "usage: carrier"},
        {"expect handoff text \"x\"", "'=' after the key"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Ran ran = run(c.text);
        EXPECT_EQ(ran.status, kScenarioUnusable);
        EXPECT_NE(ran.err.find(c.messagePart), std::string::npos) << ran.err;
    }
}

} // namespace
} // namespace sim
