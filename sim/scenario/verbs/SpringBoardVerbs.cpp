// Statements that act on SpringBoard: the user at the lock screen and the
// status bar, the widget's refresh request, taps on the USSD alert, and
// notifications posted by name.
#include "sim/scenario/verbs/Verbs.h"

#include "common/QuorvelNames.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "sim/scenario/Runner.h"
#include "sim/scenario/VerbTable.h"
#include "sim/springboard/SpringBoard.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

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

// alert reply|ok|cancel: the user taps a button of the top on-screen USSD alert.
Action parseAlert(ArgReader& args)
{
    // alert "BUTTON" answers the alert on the Settings screen instead.
    if (args.peek() && args.peek()->kind == Token::Kind::string)
        return parseSettingsAlert(args);
    std::string name = args.oneOf({"reply", "ok", "cancel"});
    args.end();
    AlertButton button = name == "reply" ? AlertButton::reply : name == "ok" ? AlertButton::ok : AlertButton::cancel;
    return [name, button](ScenarioRun& run) {
        World& world = run.world();
        bool tapped = false;
        {
            platform::ProcessScope in(world.springBoardProcess());
            world.log().note("the user taps " + name + " on the USSD alert");
            tapped = world.springBoard().tapAlertButton(button);
        }
        run.settle();
        if (!tapped)
            return Outcome::failure("no USSD alert on screen to tap");
        return Outcome::success();
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

void addSpringBoardVerbs(VerbTable& table)
{
    table.add({"lock", Phase::afterBoot, "lock", parseLock});
    table.add({"unlock", Phase::afterBoot, "unlock", parseUnlock});
    table.add({"dnd", Phase::afterBoot, "dnd on|off", parseDnd});
    table.add({"refresh", Phase::afterBoot, "refresh", parseRefresh});
    table.add({"alert", Phase::afterBoot, "alert reply|ok|cancel | alert \"BUTTON\"", parseAlert});
    table.add({"post", Phase::afterBoot, "post darwin|local \"NAME\" | post \"NAME\"", parsePost});
}

} // namespace sim
