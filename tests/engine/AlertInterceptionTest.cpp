// The USSD alert replacements inside a simulated SpringBoard: hidden and
// closed for the engine's own requests, untouched otherwise, and the menu
// answering path for a filled menu queue.
#include "tests/engine/EngineFixture.h"

#include "engine/EngineState.h"
#include "sim/springboard/SpringBoardObjects.h"

namespace quorvel::engine::testing {

namespace {

using platform::Micros;

sim::springboard::UssdAlert* asAlert(const rt::id& object)
{
    return dynamic_cast<sim::springboard::UssdAlert*>(object.get());
}

class AlertTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        writeCodes({codeRecord("*100#", 1, {{"Balance", 0}}), codeRecord("*101#", 1, {{"Minutes", 0}})});
    }
};

TEST_F(AlertTest, AlertOfAnEngineRequestIsBuiltOffScreenAndClosedAfterTheSessionDelay)
{
    requestRefresh();
    runForSeconds(1);
    springboard->presentUSSDAlert("Balance 12.50");
    EXPECT_EQ(springboard->alertsOpen(), 1);
    EXPECT_EQ(springboard->alertsOnScreen(), 0);
    EXPECT_EQ(asAlert(alertDisplay)->frame, platform::CGRectMake(-500, -500, 1, 1));
    EXPECT_TRUE(logged("Qvl: created alert display frame, request time was 2026-12-08 09:00:00 +0000")) << logText();
    EXPECT_TRUE(logged("Qvl:  cancelling USSD alert after delay 4.0..."));
    EXPECT_TRUE(alertStillOpen);

    runFor(Micros(4'000'000 - 1));
    EXPECT_EQ(springboard->alertsOpen(), 1);
    runFor(Micros(1));
    EXPECT_EQ(springboard->alertsOpen(), 0);
    EXPECT_FALSE(alertStillOpen);
    EXPECT_LT(logIndex("Qvl: cancelling USSD alert..."), logIndex("Qvl: _cancelClicked"));
}

TEST_F(AlertTest, AlertAtTheEndOfTheWindowIsHiddenAndALaterOneIsShown)
{
    struct Case {
        Micros delay;
        bool hidden;
    } cases[] = {{Micros(10'000'000), true}, {Micros(10'000'001), false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.delay.count());
        clearLog();
        requestRefresh();
        runFor(c.delay);
        const int onScreenBefore = springboard->alertsOnScreen();
        springboard->presentUSSDAlert("Balance 12.50");
        EXPECT_EQ(springboard->alertsOnScreen() - onScreenBefore, c.hidden ? 0 : 1);
        EXPECT_EQ(logged("Qvl: window has passed, not altering the alert window"), !c.hidden);
        EXPECT_EQ(ussdRequestTime.has_value(), c.hidden);
        if (!c.hidden) {
            // Every later test of the same request finds no request at all.
            EXPECT_TRUE(logged("Qvl: date is nil, not closing the alert window")) << logText();
            reply("Balance 12.50");
            EXPECT_TRUE(logged("Qvl: date is nil, not parsing this USSD response"));
        }
        runForSeconds(5);
    }
}

TEST_F(AlertTest, UnsolicitedAlertIsLeftToSpringBoard)
{
    springboard->presentUSSDAlert("Your tariff has changed");
    EXPECT_EQ(springboard->alertsOnScreen(), 1);
    EXPECT_TRUE(logged("Qvl: init..."));
    EXPECT_TRUE(logged("Qvl: date is nil, not altering the alert window"));
    EXPECT_TRUE(logged("Qvl: alertStringAvailable: Your tariff has changed"));
    EXPECT_TRUE(logged("Qvl: setAllowsResponse: YES"));
    EXPECT_TRUE(logged("Qvl: date is nil, not closing the alert window"));
    EXPECT_FALSE(alertStillOpen);
    runForSeconds(10);
    EXPECT_EQ(springboard->alertsOnScreen(), 1);

    ASSERT_TRUE(springboard->tapAlertButton(sim::AlertButton::ok));
    EXPECT_EQ(springboard->alertsOpen(), 0);
    EXPECT_TRUE(logged("Qvl: _okayClicked"));
    EXPECT_TRUE(springboard->ussdRepliesSent().empty());
}

TEST_F(AlertTest, AlertClosedByTheNextDialOnlyLogsWhenItsDelayedCancelFires)
{
    requestRefresh();
    runForSeconds(1);
    springboard->presentUSSDAlert("Balance 12.50");
    runForSeconds(1);
    reply("Balance 12.50"); // parsed; the next code is dialled while the alert is still up
    EXPECT_TRUE(logged("Qvl: moving to the next code, but alert is still open - cancelling it now.")) << logText();
    EXPECT_EQ(springboard->alertsOpen(), 0);
    EXPECT_EQ(telephony.dials.size(), 2u);

    runForSeconds(3); // four seconds after the alert became visible
    EXPECT_TRUE(logged("Qvl: USSD alert was already cancelled"));
    EXPECT_FALSE(logged("Qvl: cancelling USSD alert..."));
}

TEST_F(AlertTest, ReplyButtonInsideTheWindowCancelsTheNewestAlert)
{
    requestRefresh();
    springboard->presentUSSDAlert("first");
    rt::id first = alertDisplay;
    springboard->presentUSSDAlert("second");
    rt::id second = alertDisplay;
    ASSERT_NE(first, second);

    rt::msgSend<void>(first, "_replyClicked");
    EXPECT_TRUE(logged("Qvl: _replyClicked: queue is empty, cancel alert"));
    EXPECT_TRUE(asAlert(second)->closed);
    EXPECT_FALSE(asAlert(first)->closed);
    EXPECT_TRUE(asAlert(first)->responding) << "SpringBoard's own Reply ran first";
}

TEST_F(AlertTest, PassThroughReplacementsReturnWhatSpringBoardAnswersAndLogAfterIt)
{
    springboard->presentUSSDAlert("Hello");
    rt::id alert = alertDisplay;
    clearLog();

    rt::msgSend<void>(alert, "setAllowsResponse:", false);
    EXPECT_FALSE(rt::msgSend<bool>(alert, "allowsResponse"));
    EXPECT_TRUE(logged("Qvl: setAllowsResponse: NO"));
    EXPECT_TRUE(logged("Qvl: allowsResponse: NO"));

    rt::msgSend<void>(alert, "setAllowsResponse:", true);
    rt::msgSend<void>(alert, "_replyClicked"); // opens the response bar
    EXPECT_TRUE(logged("Qvl: _setupResponseBar"));
    EXPECT_LT(logIndex("Qvl: _setupResponseBar"), logIndex("Qvl: _replyClicked")) << "host first, then the log line";

    rt::id field = alert->ivar("_responseField");
    ASSERT_NE(field, nullptr);
    rt::Object* rawField = field.get();
    EXPECT_TRUE(rt::msgSend<bool>(alert, "textField:shouldInsertText:replacingRange:", rawField, std::string("12"),
                                  platform::NSRange{0, 0}));
    EXPECT_FALSE(rt::msgSend<bool>(alert, "textField:shouldInsertText:replacingRange:", rawField, std::string(200, '1'),
                                   platform::NSRange{0, 0}));

    rt::msgSend<void>(field, "setText:", std::string("12"));
    rt::msgSend<void>(alert, "_textChanged:", rawField);
    EXPECT_EQ(asAlert(alert)->charsRemaining, host::kUssdResponseLength - 2);
    EXPECT_EQ(logCountStartingWith("Qvl: _textChanged: <SBUSSDAlertResponseField: "), 1) << logText();
    // SpringBoard's own handling (which updates the count) runs before the line.
    EXPECT_EQ(log.back().rfind("Qvl: _textChanged: <SBUSSDAlertResponseField: ", 0), 0u);
    EXPECT_TRUE(logged("Qvl: _updateCharsRemaining"));

    rt::msgSend<void>(alert, "_okayClicked");
    EXPECT_EQ(springboard->ussdRepliesSent(), std::vector<std::string>{"12"});
    EXPECT_TRUE(logged("Qvl: _okayClicked"));
}

TEST_F(AlertTest, QueuedMenuChoiceIsTypedIntoTheResponseFieldAndSent)
{
    struct Case {
        const char* trigger;
    } cases[] = {{"_replyClicked"}, {"_textChanged:"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.trigger);
        clearLog();
        requestRefresh();
        menuTransversalQueue = {"2", "1"};
        springboard->presentUSSDAlert("1 Balance\n2 Tariffs");
        EXPECT_FALSE(logged("Qvl:  cancelling USSD alert after delay 4.0...")) << "a menu being answered is not closed";
        reply("1 Balance\n2 Tariffs");
        EXPECT_FALSE(logged("Qvl: received USSD string, expecting response for code: *100#"));

        rt::id alert = alertDisplay;
        if (std::string(c.trigger) == "_replyClicked") {
            rt::msgSend<void>(alert, "_replyClicked");
        } else {
            rt::msgSend<void>(alert, "_setupResponseBar");
            rt::Object* sender = alert->ivar("_responseField").get();
            rt::msgSend<void>(alert, "_textChanged:", sender); // reaches _updateCharsRemaining
        }
        EXPECT_TRUE(logged("Qvl: selecting menu option 2, remaining menu digits: 1")) << logText();
        EXPECT_TRUE(logged("Qvl: reply code set"));
        EXPECT_EQ(menuTransversalQueue, std::vector<std::string>{"1"});
        EXPECT_TRUE(asAlert(alert)->closed);
        EXPECT_EQ(springboard->ussdRepliesSent().back(), "2");
        runForSeconds(20);
    }
}

TEST_F(AlertTest, QueuedMenuChoiceWithoutAResponseFieldCancelsTheAlert)
{
    requestRefresh();
    menuTransversalQueue = {"2"};
    springboard->presentUSSDAlert("1 Balance\n2 Tariffs");
    rt::id alert = alertDisplay;
    rt::msgSend<void>(alert, "setAllowsResponse:", false); // Reply cannot open a response bar
    rt::msgSend<void>(alert, "_replyClicked");
    EXPECT_TRUE(logged("Qvl: response field is nil!")) << logText();
    EXPECT_TRUE(asAlert(alert)->closed);
    EXPECT_TRUE(springboard->ussdRepliesSent().empty());
}

} // namespace

} // namespace quorvel::engine::testing
