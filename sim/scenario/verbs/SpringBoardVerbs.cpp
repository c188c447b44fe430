// Statements that act on SpringBoard: the user at the lock screen and the
// status bar, the widget's refresh request, bulletins and badges of any
// application, and notifications posted by name; and what the status bar
// shows. (Its USSD alerts have a file of their own, UssdAlertVerbs.cpp.)
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

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
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

void addSpringBoardVerbs(VerbTable& table)
{
    table.add({"lock", Phase::afterBoot, "lock", parseLock});
    table.add({"unlock", Phase::afterBoot, "unlock", parseUnlock});
    table.add({"dnd", Phase::afterBoot, "dnd on|off", parseDnd});
    table.add({"refresh", Phase::afterBoot, "refresh", parseRefresh});
    table.add({"statusbar", Phase::afterBoot, "statusbar ITEM on|off", parseStatusBar});
    table.add({"bulletin", Phase::afterBoot, "bulletin \"SECTION\" \"TITLE\" \"MESSAGE\"", parseBulletin});
    table.add({"badge", Phase::afterBoot, "badge \"BUNDLE\" N", parseBadge});
    table.addExpectation("expect statusbar", Phase::afterBoot, "expect statusbar ITEM on|off", parseExpectStatusBar);
    table.add({"post", Phase::afterBoot, "post darwin|local \"NAME\" | post \"NAME\"", parsePost});
}

} // namespace sim
