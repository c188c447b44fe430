// How a USSD text reaches the simulated SpringBoard: which comes first of the
// alert and the reply's notification, alerts that become visible later,
// notifications without text, network notifications, the alert's reply field, and
// what the status bar answers.
#include "platform/system/Process.h"
#include "platform/telephony/CoreTelephony.h"
#include "sim/carrier/SimCarrier.h"
#include "sim/springboard/SpringBoard.h"
#include "sim/world/World.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// What SpringBoard's own telephony observer saw at each delivery: the text
// (or "(no text)") and how many alerts were open then.
struct Heard {
    std::string text;
    int alertsOpen = 0;
};
std::vector<Heard> g_heard;
World* g_world = nullptr;

void onUssd(platform::CFNotificationCenterRef, void*, const std::string&, const void*, const platform::Dict* info)
{
    std::string text = "(no text)";
    if (info) {
        auto found = info->find(platform::kCTUSSDSessionString);
        if (found != info->end())
            text = found->second.description();
    }
    g_heard.push_back({text, g_world->springBoard().alertsOpen()});
}

void listenInSpringBoard(World& world)
{
    g_heard.clear();
    g_world = &world;
    platform::ProcessScope in(world.springBoardProcess());
    platform::CTTelephonyCenterAddObserver(platform::CTTelephonyCenterGetDefault(), nullptr, onUssd,
                                           platform::kCTUSSDSessionStringNotification, nullptr,
                                           platform::CFNotificationSuspensionBehaviorHold);
}

void dialFromSpringBoard(World& world, const std::string& code)
{
    platform::ProcessScope in(world.springBoardProcess());
    platform::CTCallDial(code);
}

TEST(UssdDelivery, BuildsTheAlertBeforeTheReplyUnlessToldOtherwise)
{
    struct Case {
        UssdOrder order;
        int alertsOpenAtReply;
    };
    for (const Case& c : {Case{UssdOrder::alertFirst, 1}, Case{UssdOrder::replyFirst, 0}}) {
        SCOPED_TRACE(c.order == UssdOrder::alertFirst ? "alert first" : "reply first");
        WorldOptions options = withoutEngine();
        options.ussdOrder = c.order;
        World world(options);
        world.boot();
        listenInSpringBoard(world);
        world.carrier().answerByUssd("*100#", "Balance 5", Micros(2'000'000));
        dialFromSpringBoard(world, "*100#");
        world.runFor(Micros(2'000'000));
        ASSERT_EQ(g_heard.size(), 1u);
        EXPECT_EQ(g_heard[0].text, "Balance 5");
        EXPECT_EQ(g_heard[0].alertsOpen, c.alertsOpenAtReply);
        EXPECT_EQ(world.springBoard().alertsOnScreen(), 1);
    }
}

TEST(UssdDelivery, AnAlertShownApartBecomesVisibleOnlyAfterItsDelay)
{
    World world(withoutEngine());
    world.setAlertVisibleDelay(Micros(1'500'000));
    world.boot();
    world.carrier().pushUssd("Hello");
    world.runPending();
    EXPECT_EQ(world.springBoard().alertsOpen(), 0);
    world.runFor(Micros(1'499'999));
    EXPECT_EQ(world.springBoard().alertsOpen(), 0);
    world.runFor(Micros(1));
    EXPECT_EQ(world.springBoard().alertsOnScreen(), 1);
}

// Whoever watches alerts may skip looking while SpringBoard::alertChanges()
// stays put: every step that moves an alert to another place must change it,
// and looking must not.
TEST(UssdDelivery, EveryChangeOfAnAlertsPlaceShowsInTheChangeCount)
{
    World world(withoutEngine());
    world.setAlertVisibleDelay(Micros(1'000'000));
    world.boot();
    SpringBoard& board = world.springBoard();
    uint64_t before = SpringBoard::alertChanges();
    world.carrier().pushUssd("Hello");
    world.runPending();
    ASSERT_FALSE(board.recentAlerts().empty());
    const rt::id alert = board.recentAlerts().back();
    EXPECT_EQ(board.alertPlace(alert), AlertPlace::notShown);
    EXPECT_GT(SpringBoard::alertChanges(), before) << "built with its frame";

    before = SpringBoard::alertChanges();
    EXPECT_EQ(board.alertPlace(alert), AlertPlace::notShown);
    EXPECT_EQ(board.alertsOpen(), 0);
    EXPECT_EQ(SpringBoard::alertChanges(), before) << "looking changes nothing";

    world.runFor(Micros(1'000'000));
    EXPECT_EQ(board.alertPlace(alert), AlertPlace::onScreen);
    EXPECT_GT(SpringBoard::alertChanges(), before) << "shown";

    for (AlertButton button : {AlertButton::cancel, AlertButton::ok}) {
        world.carrier().pushUssd("Again");
        world.runFor(Micros(1'000'000));
        const rt::id next = board.recentAlerts().back();
        ASSERT_EQ(board.alertPlace(next), AlertPlace::onScreen);
        before = SpringBoard::alertChanges();
        EXPECT_TRUE(board.tapAlertButton(button));
        EXPECT_EQ(board.alertPlace(next), AlertPlace::closed);
        EXPECT_GT(SpringBoard::alertChanges(), before) << "closed";
    }
    EXPECT_EQ(board.alertPlace(nullptr), AlertPlace::closed);
}

TEST(UssdDelivery, ANotificationWithoutTextCarriesNoTextAndBringsNoAlert)
{
    World world(withoutEngine());
    world.boot();
    listenInSpringBoard(world);
    world.carrier().answerByUssdWithoutText("*100#", Micros(1'000'000));
    dialFromSpringBoard(world, "*100#");
    world.runFor(Micros(1'000'000));
    world.carrier().pushUssd(std::nullopt, NetworkUssdKind::notification);
    world.runPending();
    ASSERT_EQ(g_heard.size(), 2u);
    EXPECT_EQ(g_heard[0].text, "(no text)");
    EXPECT_EQ(g_heard[1].text, "(no text)");
    EXPECT_EQ(world.springBoard().alertsOpen(), 0);
}

TEST(UssdDelivery, OnlyANetworkNotificationsAlertRefusesAReply)
{
    World world(withoutEngine());
    world.boot();
    world.carrier().pushUssd("Tariff changed", NetworkUssdKind::notification);
    world.runPending();
    ASSERT_TRUE(world.springBoard().alertState().has_value());
    EXPECT_FALSE(world.springBoard().alertState()->allowsResponse);
    EXPECT_EQ(world.springBoard().askAllowsResponse(), false);
    // Reply does nothing on it: no response bar to type into.
    EXPECT_TRUE(world.springBoard().tapAlertButton(AlertButton::reply));
    EXPECT_FALSE(world.springBoard().typeIntoAlert("1").problem.empty());

    world.carrier().pushUssd("1 Balance\n2 Tariffs", NetworkUssdKind::request);
    world.runPending();
    EXPECT_EQ(world.springBoard().askAllowsResponse(), true);
}

TEST(UssdDelivery, TheReplyFieldTakesKeysUpToItsLimitAndCountsWhatRemains)
{
    World world(withoutEngine());
    world.boot();
    world.springBoard().presentUSSDAlert("Enter the amount");
    ASSERT_TRUE(world.springBoard().tapAlertButton(AlertButton::reply));

    SpringBoard::Typing typed = world.springBoard().typeIntoAlert("12");
    EXPECT_TRUE(typed.problem.empty()) << typed.problem;
    EXPECT_EQ(typed.taken, 2);
    EXPECT_EQ(world.springBoard().alertState()->charsRemaining, 180);

    // A two-byte character is one key; the field counts bytes, as its limit does.
    typed = world.springBoard().typeIntoAlert("é" + std::string(178, 'x') + "yz");
    EXPECT_EQ(typed.taken, 179);
    EXPECT_EQ(typed.refused, 2);
    EXPECT_EQ(world.springBoard().alertState()->responseText.size(), 182u);
    EXPECT_EQ(world.springBoard().alertState()->charsRemaining, 0);

    ASSERT_TRUE(world.springBoard().tapAlertButton(AlertButton::ok));
    ASSERT_EQ(world.springBoard().ussdRepliesSent().size(), 1u);
    EXPECT_EQ(world.springBoard().ussdRepliesSent()[0].substr(0, 2), "12");
}

TEST(SpringBoardStatusBar, ReportsWhetherAnItemChanged)
{
    World world(withoutEngine());
    world.boot();
    EXPECT_TRUE(world.springBoard().setStatusBarItem(3, true));
    EXPECT_FALSE(world.springBoard().setStatusBarItem(3, true));
    EXPECT_TRUE(world.springBoard().statusBarItemEnabled(3));
    EXPECT_TRUE(world.springBoard().setStatusBarItem(3, false));
}

} // namespace
} // namespace sim
