// Statements about SpringBoard's USSD alerts: the user's buttons on the
// visible alert or on a hidden one, typing into the reply field, what
// SpringBoard itself sends to the alert (allowsResponse, setAllowsResponse:),
// the order in which an alert and its reply's notification come and how long
// after it was built an alert becomes visible; and what an alert shows, holds
// and sent.
#include "sim/scenario/verbs/Verbs.h"

#include "platform/system/Process.h"
#include "sim/carrier/SimCarrier.h"
#include "sim/scenario/Runner.h"
#include "sim/scenario/VerbTable.h"
#include "sim/springboard/SpringBoard.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

#include <cstdio>
#include <functional>
#include <optional>

namespace sim {

namespace {

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

const char* yesNo(bool value)
{
    return value ? "YES" : "NO";
}

// [hidden]: the alert acted on is the newest hidden one instead of the top visible one.
AlertPick readPick(ArgReader& args)
{
    return args.accept("hidden") ? AlertPick::hidden : AlertPick::onScreen;
}

std::string pickedAlert(AlertPick pick)
{
    return pick == AlertPick::hidden ? "the hidden USSD alert" : "the USSD alert";
}

std::string noAlert(AlertPick pick)
{
    return pick == AlertPick::hidden ? "no hidden USSD alert open" : "no USSD alert on screen";
}

// Runs `act` on SpringBoard's alert inside SpringBoard, then lets what it set off run.
Outcome onAlert(ScenarioRun& run, const std::function<Outcome(World&)>& act)
{
    World& world = run.world();
    Outcome outcome;
    {
        platform::ProcessScope in(world.springBoardProcess());
        outcome = act(world);
    }
    run.settle();
    return outcome;
}

// alert [hidden] reply|ok|cancel | type "TEXT" | allowsResponse | response on|off
Action parseAlert(ArgReader& args)
{
    // alert "BUTTON" answers the alert on the Settings screen instead.
    if (args.peek() && args.peek()->kind == Token::Kind::string)
        return parseSettingsAlert(args);
    const AlertPick pick = readPick(args);
    const std::string what = args.oneOf({"reply", "ok", "cancel", "type", "allowsResponse", "response"});
    if (what == "type") {
        std::string text = args.string("the text to type into the reply field");
        args.end();
        return [pick, text](ScenarioRun& run) {
            return onAlert(run, [&](World& w) {
                w.log().note("the user types " + quoted(text) + " into " + pickedAlert(pick));
                SpringBoard::Typing typed = w.springBoard().typeIntoAlert(text, pick);
                if (!typed.problem.empty())
                    return Outcome::failure(typed.problem);
                if (typed.refused > 0)
                    w.log().note("the reply field took " + std::to_string(typed.taken) + " and refused " +
                                 std::to_string(typed.refused) + " of the keys");
                return Outcome::success();
            });
        };
    }
    if (what == "allowsResponse") {
        args.end();
        return [pick](ScenarioRun& run) {
            return onAlert(run, [&](World& w) {
                w.log().note("SpringBoard asks " + pickedAlert(pick) + " whether it takes a reply");
                std::optional<bool> allows = w.springBoard().askAllowsResponse(pick);
                if (!allows)
                    return Outcome::failure(noAlert(pick));
                w.log().note(std::string("the alert answers allowsResponse: ") + yesNo(*allows));
                return Outcome::success();
            });
        };
    }
    if (what == "response") {
        const bool on = args.oneOf({"on", "off"}) == "on";
        args.end();
        return [pick, on](ScenarioRun& run) {
            return onAlert(run, [&](World& w) {
                w.log().note(std::string("SpringBoard sends setAllowsResponse: ") + yesNo(on) + " to " + pickedAlert(pick));
                return w.springBoard().setAlertAllowsResponse(on, pick) ? Outcome::success() : Outcome::failure(noAlert(pick));
            });
        };
    }
    args.end();
    AlertButton button = what == "reply" ? AlertButton::reply : what == "ok" ? AlertButton::ok : AlertButton::cancel;
    return [what, button, pick](ScenarioRun& run) {
        return onAlert(run, [&](World& w) {
            w.log().note("the user taps " + what + " on " + pickedAlert(pick));
            return w.springBoard().tapAlertButton(button, pick) ? Outcome::success() : Outcome::failure(noAlert(pick) + " to tap");
        });
    };
}

// ussd order alert-first|reply-first
Action parseUssdOrder(ArgReader& args)
{
    const bool replyFirst = args.oneOf({"alert-first", "reply-first"}) == "reply-first";
    args.end();
    return [replyFirst](ScenarioRun& run) {
        run.world().carrier().setUssdOrder(replyFirst ? UssdOrder::replyFirst : UssdOrder::alertFirst);
        run.world().log().note(replyFirst ? "from now on SpringBoard hears a USSD reply before it builds its alert"
                                          : "from now on SpringBoard builds its USSD alert before it hears the reply");
        return Outcome::success();
    };
}

// ussd visible after DURATION
Action parseUssdVisible(ArgReader& args)
{
    if (!args.accept("after"))
        args.fail("expected after DURATION");
    const platform::Micros delay = args.duration("how long after it is built the alert becomes visible");
    args.end();
    return [delay](ScenarioRun& run) {
        run.world().setAlertVisibleDelay(delay);
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g", static_cast<double>(delay.count()) / 1e6);
        run.world().log().note(std::string("from now on a USSD alert becomes visible ") + seconds + " s after it is built");
        return Outcome::success();
    };
}

} // namespace

// expect alert [hidden] field "TEXT" N | shows "TEXT" | sent "TEXT"
Action parseExpectUssdAlert(ArgReader& args)
{
    const AlertPick pick = readPick(args);
    const std::string what = args.oneOf({"field", "shows", "sent"});
    const std::string text = args.string(what == "field" ? "what the reply field holds" : what == "shows" ? "the alert's text" : "the reply sent");
    const int64_t remaining = what == "field" ? args.count("how many characters remain") : 0;
    args.end();
    return [pick, what, text, remaining](ScenarioRun& run) {
        SpringBoard& board = run.world().springBoard();
        if (what == "sent") {
            const auto& sent = board.ussdRepliesSent();
            if (sent.empty())
                return Outcome::failure("no reply sent with OK");
            return sent.back() == text ? Outcome::success() : Outcome::failure("the last reply sent was " + quoted(sent.back()));
        }
        std::optional<UssdAlertState> state = board.alertState(pick);
        if (!state)
            return Outcome::failure(noAlert(pick));
        if (what == "shows")
            return state->text == text ? Outcome::success() : Outcome::failure("it shows " + quoted(state->text));
        if (!state->responseBarOpen)
            return Outcome::failure("its response bar is not open");
        if (state->responseText != text || state->charsRemaining != remaining)
            return Outcome::failure("the field holds " + quoted(state->responseText) + ", " +
                                    std::to_string(state->charsRemaining) + " characters remain");
        return Outcome::success();
    };
}

void addUssdAlertVerbs(VerbTable& table)
{
    table.add({"alert", Phase::afterBoot,
               "alert [hidden] reply|ok|cancel | alert [hidden] type \"TEXT\" | alert [hidden] allowsResponse | "
               "alert [hidden] response on|off | alert \"BUTTON\"",
               parseAlert});
    table.add({"ussd order", Phase::anytime, "ussd order alert-first|reply-first", parseUssdOrder});
    table.add({"ussd visible", Phase::anytime, "ussd visible after DURATION", parseUssdVisible});
}

} // namespace sim
