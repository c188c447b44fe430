// The simulated carrier's menus as SpringBoard meets them without the engine:
// the menu's alert lays out its reply counter only after the text's telephony
// delivery, a typed answer leads on, and the session ends by a wrong choice,
// an alert closed unanswered, a new dial, or the network's release.
#include "platform/system/Process.h"
#include "platform/telephony/CoreTelephony.h"
#include "sim/carrier/SimCarrier.h"
#include "sim/springboard/SpringBoard.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sim {
namespace {

using platform::Micros;
constexpr Micros kSecond(1'000'000);

World* g_world = nullptr;
std::vector<int> g_charsRemainingAtDelivery;

void onUssd(platform::CFNotificationCenterRef, void*, const std::string&, const void*, const platform::Dict*)
{
    auto state = g_world->springBoard().alertState();
    g_charsRemainingAtDelivery.push_back(state ? state->charsRemaining : -1);
}

class CarrierMenuTest : public ::testing::Test {
protected:
    CarrierMenuTest() : world(options())
    {
        world.boot();
        g_world = &world;
        g_charsRemainingAtDelivery.clear();
        platform::ProcessScope in(world.springBoardProcess());
        platform::CTTelephonyCenterAddObserver(platform::CTTelephonyCenterGetDefault(), nullptr, onUssd,
                                               platform::kCTUSSDSessionStringNotification, nullptr,
                                               platform::CFNotificationSuspensionBehaviorHold);
        SimCarrier& carrier = world.carrier();
        carrier.answerByMenu("*100#", "1 Balance\n2 Data", 2 * kSecond);
        carrier.answerChoices("*100#", {"1"}, "1 Main\n2 Bonus", true, kSecond);
        carrier.answerChoices("*100#", {"1", "2"}, "Bonus 3.00", false, kSecond);
    }

    static WorldOptions options()
    {
        WorldOptions o;
        o.installEngine = false;
        o.installHistory = false;
        return o;
    }

    void dial(const std::string& code)
    {
        platform::ProcessScope in(world.springBoardProcess());
        platform::CTCallDial(code);
    }

    // The user answers the menu on screen as a person would: Reply, the keys, OK.
    void answer(const std::string& choice)
    {
        ASSERT_TRUE(world.springBoard().tapAlertButton(AlertButton::reply));
        ASSERT_TRUE(world.springBoard().typeIntoAlert(choice).problem.empty());
        ASSERT_TRUE(world.springBoard().tapAlertButton(AlertButton::ok));
    }

    bool logged(const std::string& text)
    {
        for (const auto& line : world.log().lines())
            if (line.text.find(text) != std::string::npos)
                return true;
        return false;
    }

    World world;
};

TEST_F(CarrierMenuTest, AMenusReplyCounterIsLaidOutAfterItsTextReachedTheObservers)
{
    for (UssdOrder order : {UssdOrder::alertFirst, UssdOrder::replyFirst}) {
        SCOPED_TRACE(order == UssdOrder::alertFirst ? "alert first" : "reply first");
        world.carrier().setUssdOrder(order);
        g_charsRemainingAtDelivery.clear();
        dial("*100#");
        world.runFor(2 * kSecond);
        // Not laid out when the observers heard the text, laid out afterwards.
        EXPECT_EQ(g_charsRemainingAtDelivery, (std::vector<int>{order == UssdOrder::alertFirst ? 0 : -1}));
        ASSERT_TRUE(world.springBoard().alertState());
        EXPECT_EQ(world.springBoard().alertState()->charsRemaining, 182);
        world.springBoard().tapAlertButton(AlertButton::cancel);
    }
    // The alert of a final reply is not laid out on its own.
    world.carrier().answerByUssd("*101#", "Balance 5", 2 * kSecond);
    dial("*101#");
    world.runFor(2 * kSecond);
    EXPECT_EQ(world.springBoard().alertState()->charsRemaining, 0);
}

TEST_F(CarrierMenuTest, ChoicesLeadThroughTheMenusToTheFinalReply)
{
    dial("*100#");
    world.runFor(2 * kSecond);
    EXPECT_EQ(world.carrier().openMenu(), "*100#");
    answer("1");
    EXPECT_FALSE(world.carrier().openMenu());
    world.runFor(kSecond);
    EXPECT_EQ(world.springBoard().alertState()->text, "1 Main\n2 Bonus");
    answer("2");
    world.runFor(kSecond);
    EXPECT_EQ(world.springBoard().alertState()->text, "Bonus 3.00");
    EXPECT_FALSE(world.carrier().openMenu());
    ASSERT_EQ(world.carrier().menuChoices().size(), 2u);
    EXPECT_EQ(world.carrier().menuChoices()[1].path, (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(world.carrier().menuChoices()[1].code, "*100#");
}

TEST_F(CarrierMenuTest, AChoiceNoMenuOffersEndsTheSessionWithInvalidChoice)
{
    dial("*100#");
    world.runFor(2 * kSecond);
    answer("5");
    world.runFor(kDefaultChoiceDelay);
    EXPECT_EQ(world.springBoard().alertState()->text, kInvalidChoiceText);
    EXPECT_FALSE(world.carrier().openMenu());
    // A reply to that text reaches no menu: it is not sent as a choice, and
    // one that reached the network anyway would be dropped there.
    answer("1");
    EXPECT_EQ(world.carrier().menuChoices().size(), 1u);
    world.carrier().respond("1");
    EXPECT_TRUE(logged("carrier gets the answer \"1\" with no menu open; it is dropped"));
    EXPECT_EQ(world.carrier().menuChoices().size(), 1u);
}

TEST_F(CarrierMenuTest, TheSessionEndsWhenItsAlertIsClosedUnansweredOrANewDialComes)
{
    for (AlertButton button : {AlertButton::cancel, AlertButton::ok}) {
        dial("*100#");
        world.runFor(2 * kSecond);
        ASSERT_TRUE(world.carrier().openMenu());
        world.springBoard().tapAlertButton(button);
        EXPECT_FALSE(world.carrier().openMenu());
        EXPECT_TRUE(logged("the phone ends the menu session of *100#"));
    }
    dial("*100#");
    world.runFor(2 * kSecond);
    dial("*101#");
    EXPECT_FALSE(world.carrier().openMenu());
    EXPECT_TRUE(logged("a new dial ends the menu session of *100#"));
}

TEST_F(CarrierMenuTest, TheNetworkReleasesAMenuLeftWithoutAChoice)
{
    dial("*100#");
    world.runFor(2 * kSecond);
    world.runFor(kMenuReleaseAfter - Micros(1));
    EXPECT_EQ(world.carrier().openMenu(), "*100#");
    world.runFor(Micros(1));
    EXPECT_FALSE(world.carrier().openMenu());
    EXPECT_TRUE(logged("the network releases the menu session of *100# left without a choice"));
    // The alert itself stays: only the user closes it.
    EXPECT_TRUE(world.springBoard().alertState());
}

} // namespace
} // namespace sim
