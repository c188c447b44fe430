// Statements about the alerts: the user's rules per field, written to the
// rules file as the page and quorveld write it (and announced the same way),
// and the system's bulletins they become in Notification Center.
#include "sim/scenario/verbs/Verbs.h"

#include "history/AlertRules.h"
#include "sim/scenario/Counted.h"
#include "sim/scenario/Runner.h"
#include "sim/scenario/VerbTable.h"
#include "sim/springboard/SpringBoard.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

#include <algorithm>

namespace sim {

namespace {

using quorvel::history::AlertRule;

double amount(ArgReader& args, const std::string& what)
{
    const Token& at = *args.peek();
    platform::Value number = args.value(what);
    if (!number.isNumber() || number.type() == platform::Value::Type::Boolean)
        args.failAt(at, "expected " + what);
    return number.doubleValue();
}

// alert rule "CODE" INDEX [below N] [falling N] [stale HOURS] | clear
Action parseAlertRule(ArgReader& args)
{
    AlertRule change;
    change.code = args.string("the code, such as \"*100#\"");
    change.index = args.count("the field's index");
    const bool clear = args.accept("clear");
    if (!clear) {
        do {
            const std::string kind = args.oneOf({"below", "falling", "stale"});
            if (kind == "below")
                change.below = amount(args, "the limit, a number");
            else if (kind == "falling")
                change.fallingPerDay = amount(args, "the fall a day, a number");
            else
                change.staleHours = args.count("the hours without a refresh");
        } while (!args.atEnd());
    }
    args.end();
    return [change, clear](ScenarioRun& run) {
        std::optional<std::string> problem;
        if (clear) {
            problem = quorvel::history::removeAlertRule(change.code, change.index);
        } else {
            // Each statement adds its limits to those the field has.
            AlertRule rule = change;
            for (const AlertRule& stored : quorvel::history::readAlertRules().rules) {
                if (stored.code != rule.code || stored.index != rule.index)
                    continue;
                if (!rule.below)
                    rule.below = stored.below;
                if (!rule.fallingPerDay)
                    rule.fallingPerDay = stored.fallingPerDay;
                if (!rule.staleHours)
                    rule.staleHours = stored.staleHours;
            }
            problem = quorvel::history::setAlertRule(rule);
        }
        if (problem)
            return Outcome::failure(*problem);
        run.world().log().note("the user " + std::string(clear ? "clears the alerts of " : "sets an alert on ") +
                               change.code + " field " + std::to_string(change.index));
        quorvel::history::announceAlertRulesChanged();
        run.settle();
        return Outcome::success();
    };
}

// expect bulletin "SECTION" "MESSAGE": the newest bulletin of the section says MESSAGE.
Action parseExpectBulletin(ArgReader& args)
{
    std::string section = args.string("the bulletin section, such as \"org.quillmoor.quorvel\"");
    std::string message = args.string("the bulletin's message");
    args.end();
    return [section, message](ScenarioRun& run) {
        const auto& bulletins = run.world().springBoard().publishedBulletins();
        auto newest = std::find_if(bulletins.rbegin(), bulletins.rend(),
                                   [&](const PublishedBulletin& b) { return b.section == section; });
        if (newest == bulletins.rend())
            return Outcome::failure("no bulletin of " + section);
        if (newest->message == message)
            return Outcome::success();
        return Outcome::failure("\"" + newest->title + "\": \"" + newest->message + "\"");
    };
}

} // namespace

void addAlertVerbs(VerbTable& table)
{
    table.add({"alert rule", Phase::anytime, "alert rule \"CODE\" INDEX [below N] [falling N] [stale HOURS] | clear",
               parseAlertRule});
    table.addExpectation("expect bulletin", Phase::afterBoot, "expect bulletin \"SECTION\" \"MESSAGE\"",
                         parseExpectBulletin);
}

} // namespace sim
