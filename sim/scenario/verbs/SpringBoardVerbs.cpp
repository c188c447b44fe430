// Statements that act on SpringBoard: the user at the lock screen and the
// status bar, the widget's refresh request, the USSD alerts (buttons of visible
// and hidden ones, typing a reply, what SpringBoard asks them), bulletins and
// badges of any application, the order and timing of alerts, and
// notifications posted by name; and what the alerts and the status bar show.
#include "sim/scenario/verbs/Verbs.h"

#include "common/QuorvelNames.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "sim/scenario/Runner.h"
#include "sim/scenario/VerbTable.h"
#include "sim/carrier/SimCarrier.h"
#include "sim/springboard/SpringBoard.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

#include <cstdio>
#include <functional>

namespace sim {

namespace {

// The Do Not Disturb item of the status bar.
constexpr int kDoNotDisturbItem = 1;

// Runs `act` inside SpringBoard, then lets what it set off run.
Outcome inSpringBoard(ScenarioRun& run, const std::function<void(World&)>& act)
{
    World& world = run.world();
    {
        platform::ProcessScope in(world.springBoardProcess());
        act(world);
    }
    run.settle();
    return Outcome::success();
}

Action parseLock(ArgReader& args)
{
    args.end();
    return [](ScenarioRun& run) {
        return inSpringBoard(run, [](World& w) {
            w.log().note("the user locks the device");
            w.springBoard().lock();
        });
    };
}

Action parseUnlock(ArgReader& args)
{
    args.end();
    return [](ScenarioRun& run) {
        return inSpringBoard(run, [](World& w) {
            w.log().note("the user unlocks the device");
            w.springBoard().unlock();
        });
    };
}

// dnd on|off
Action parseDnd(ArgReader& args)
{
    bool on = args.oneOf({"on", "off"}) == "on";
    args.end();
    return [on](ScenarioRun& run) {
        return inSpringBoard(run, [on](World& w) {
            w.log().note(std::string("Do Not Disturb turned ") + (on ? "on" : "off"));
            w.springBoard().setStatusBarItem(kDoNotDisturbItem, on);
        });
    };
}

// refresh: the widget asks the engine for a refresh.
Action parseRefresh(ArgReader& args)
{
    args.end();
    return [](ScenarioRun& run) {
        return inSpringBoard(run, [](World& w) {
            w.log().note("the widget asks for a refresh");
            w.springBoardProcess().localCenter().post(quorvel::kRefreshRequestNotification, nullptr, nullptr, true);
        });
    };
}

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

// statusbar ITEM on|off: SpringBoard reports a status-bar item (1 is Do Not Disturb).
Action parseStatusBar(ArgReader& args)
{
    const int item = static_cast<int>(args.count("the status-bar item"));
    const bool on = args.oneOf({"on", "off"}) == "on";
    args.end();
    return [item, on](ScenarioRun& run) {
        return inSpringBoard(run, [item, on](World& w) {
            w.log().note("status-bar item " + std::to_string(item) + " turned " + (on ? "on" : "off"));
            const bool changed = w.springBoard().setStatusBarItem(item, on);
            w.log().note(std::string("the status bar answers: ") + (changed ? "changed" : "unchanged"));
        });
    };
}

// bulletin "SECTION" "TITLE" "MESSAGE": a bulletin of any application.
Action parseBulletin(ArgReader& args)
{
    std::string section = args.string("the bulletin's section, such as \"com.apple.MobileMail\"");
    std::string title = args.string("the bulletin's title");
    std::string message = args.string("the bulletin's message");
    args.end();
    return [section, title, message](ScenarioRun& run) {
        return inSpringBoard(run, [&](World& w) {
            w.log().note("a bulletin of " + section + " is published: " + quoted(title));
            w.springBoard().publishBulletin({section, title, message});
        });
    };
}

// badge "BUNDLE" N: the icon of any application gets a badge.
Action parseBadge(ArgReader& args)
{
    std::string bundle = args.string("the application's bundle identifier, such as \"com.apple.MobileMail\"");
    const int badge = static_cast<int>(args.count("the badge number"));
    args.end();
    return [bundle, badge](ScenarioRun& run) {
        return inSpringBoard(run, [&](World& w) {
            w.log().note("the icon of " + bundle + " is badged " + std::to_string(badge));
            w.springBoard().setBadge(bundle, badge);
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

// expect statusbar ITEM on|off
Action parseExpectStatusBar(ArgReader& args)
{
    const int item = static_cast<int>(args.count("the status-bar item"));
    const bool on = args.oneOf({"on", "off"}) == "on";
    args.end();
    return [item, on](ScenarioRun& run) {
        const bool have = run.world().springBoard().statusBarItemEnabled(item);
        if (have == on)
            return Outcome::success();
        return Outcome::failure("status-bar item " + std::to_string(item) + " is " + (have ? "on" : "off"));
    };
}

// post darwin|local "NAME": a notification by name, with no object and no user info.
Action parsePost(ArgReader& args)
{
    // post "NAME" is another process posting on the Darwin centre instead.
    if (args.peek() && args.peek()->kind == Token::Kind::string)
        return parseOtherProcessPost(args);
    bool darwin = args.oneOf({"darwin", "local"}) == "darwin";
    std::string name = args.string("the notification name");
    args.end();
    return [darwin, name](ScenarioRun& run) {
        return inSpringBoard(run, [darwin, name](World& w) {
            w.log().note(std::string("posting ") + name + (darwin ? " on the Darwin centre" : " on SpringBoard's local centre"));
            platform::NotificationCenter& center = darwin
                ? static_cast<platform::NotificationCenter&>(w.device().darwinCenter())
                : w.springBoardProcess().localCenter();
            center.post(name, nullptr, nullptr, true);
        });
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

void addSpringBoardVerbs(VerbTable& table)
{
    table.add({"lock", Phase::afterBoot, "lock", parseLock});
    table.add({"unlock", Phase::afterBoot, "unlock", parseUnlock});
    table.add({"dnd", Phase::afterBoot, "dnd on|off", parseDnd});
    table.add({"refresh", Phase::afterBoot, "refresh", parseRefresh});
    table.add({"alert", Phase::afterBoot,
               "alert [hidden] reply|ok|cancel | alert [hidden] type \"TEXT\" | alert [hidden] allowsResponse | "
               "alert [hidden] response on|off | alert \"BUTTON\"",
               parseAlert});
    table.add({"statusbar", Phase::afterBoot, "statusbar ITEM on|off", parseStatusBar});
    table.add({"bulletin", Phase::afterBoot, "bulletin \"SECTION\" \"TITLE\" \"MESSAGE\"", parseBulletin});
    table.add({"badge", Phase::afterBoot, "badge \"BUNDLE\" N", parseBadge});
    table.add({"ussd order", Phase::anytime, "ussd order alert-first|reply-first", parseUssdOrder});
    table.add({"ussd visible", Phase::anytime, "ussd visible after DURATION", parseUssdVisible});
    table.addExpectation("expect statusbar", Phase::afterBoot, "expect statusbar ITEM on|off", parseExpectStatusBar);
    table.add({"post", Phase::afterBoot, "post darwin|local \"NAME\" | post \"NAME\"", parsePost});
}

} // namespace sim
