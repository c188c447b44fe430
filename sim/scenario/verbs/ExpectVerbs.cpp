// Expectations: what the log, the codes store, the screen, the carrier and the
// notification centres show at this point of the scenario.
#include "sim/scenario/verbs/Verbs.h"

#include "common/QuorvelNames.h"
#include "platform/foundation/PropertyList.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/system/Device.h"
#include "sim/carrier/SimCarrier.h"
#include "sim/scenario/Counted.h"
#include "sim/scenario/LogStamp.h"
#include "sim/scenario/Runner.h"
#include "sim/scenario/ValuePath.h"
#include "sim/scenario/VerbTable.h"
#include "sim/springboard/SpringBoard.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

#include <algorithm>
#include <functional>

namespace sim {

namespace {

std::string lineCount(size_t n)
{
    return counted(static_cast<int64_t>(n), "line");
}

std::string lookedAt(ScenarioRun& run)
{
    size_t total = run.world().log().lines().size();
    size_t from = std::min(run.logCursor(), total);
    return lineCount(total - from) + " after log line " + std::to_string(from);
}

// The first log line at or after the cursor that satisfies `match`.
std::optional<size_t> findLine(ScenarioRun& run, const std::function<bool(const std::string&)>& match)
{
    const auto& lines = run.world().log().lines();
    for (size_t i = run.logCursor(); i < lines.size(); ++i)
        if (match(lines[i].text))
            return i;
    return std::nullopt;
}

// expect log "LINE"
Action parseLog(ArgReader& args)
{
    std::string wanted = args.string("the log line");
    args.end();
    return [wanted](ScenarioRun& run) {
        auto found = findLine(run, [&](const std::string& line) { return line == wanted; });
        if (!found)
            return Outcome::failure("no line equal to it among the " + lookedAt(run));
        run.moveLogCursorPast(*found);
        return Outcome::success();
    };
}

// expect logpart "TEXT"
Action parseLogPart(ArgReader& args)
{
    std::string wanted = args.string("the text");
    args.end();
    return [wanted](ScenarioRun& run) {
        auto found = findLine(run, [&](const std::string& line) { return line.find(wanted) != std::string::npos; });
        if (!found)
            return Outcome::failure("no line containing it among the " + lookedAt(run));
        run.moveLogCursorPast(*found);
        return Outcome::success();
    };
}

// expect nolog "TEXT"
Action parseNoLog(ArgReader& args)
{
    std::string unwanted = args.string("the text");
    args.end();
    return [unwanted](ScenarioRun& run) {
        auto found = findLine(run, [&](const std::string& line) { return line.find(unwanted) != std::string::npos; });
        if (found) {
            const LogLine& line = run.world().log().lines()[*found];
            return Outcome::failure("log line " + std::to_string(*found + 1) + ": " + printableLine(line, run.start()));
        }
        return Outcome::success();
    };
}

} // namespace

Action parseStoreExpectation(ArgReader& args, const char* storePath, const std::string& noun, const std::string& pathWhat)
{
    const Token* at = args.peek();
    std::string text = args.word(pathWhat);
    size_t offset = 0;
    std::optional<ValuePath> path = ValuePath::parse(text, &offset);
    if (!path)
        throw ScenarioSyntaxError(args.line() + at->lineOffset, at->column + static_cast<int>(offset), "malformed " + noun + " " + text);
    if (!args.acceptSymbol('='))
        args.fail("expected '=' after the " + noun);
    enum class Kind { value, present, absent } kind = Kind::value;
    platform::Value expected;
    if (args.accept("present"))
        kind = Kind::present;
    else if (args.accept("absent"))
        kind = Kind::absent;
    else
        expected = args.value("the expected value, present or absent");
    args.end();

    return [storePath, path = *path, kind, expected](ScenarioRun&) {
        platform::Value root = platform::readDictionary(storePath);
        const platform::Value* stored = path.find(root);
        switch (kind) {
        case Kind::present:
            return stored ? Outcome::success() : Outcome::failure("nothing at " + path.text());
        case Kind::absent:
            return !stored ? Outcome::success() : Outcome::failure(describeValue(*stored));
        case Kind::value:
            break;
        }
        if (!stored)
            return Outcome::failure("nothing at " + path.text());
        return valueMatches(*stored, expected) ? Outcome::success() : Outcome::failure(describeValue(*stored));
    };
}

namespace {

// expect codes PATH = VALUE|present|absent
Action parseCodes(ArgReader& args)
{
    return parseStoreExpectation(args, quorvel::kCodesStorePath, "path",
                                 "a path into the codes store, such as codes[0].fields[1].lastValue");
}

// expect alerts onscreen=N [open=N]
Action parseAlerts(ArgReader& args)
{
    std::optional<int64_t> onScreen;
    std::optional<int64_t> open;
    if (args.atEnd())
        args.fail("expected onscreen=N or open=N");
    do {
        const Token& at = *args.peek();
        std::string key = args.key("onscreen= or open=");
        if (key == "onscreen" && !onScreen)
            onScreen = args.count("the number of alerts on screen");
        else if (key == "open" && !open)
            open = args.count("the number of open alerts");
        else
            args.failAt(at, "expected onscreen=N or open=N, each at most once");
    } while (!args.atEnd());
    return [onScreen, open](ScenarioRun& run) {
        SpringBoard& sb = run.world().springBoard();
        int haveOnScreen = sb.alertsOnScreen();
        int haveOpen = sb.alertsOpen();
        if ((onScreen && *onScreen != haveOnScreen) || (open && *open != haveOpen))
            return Outcome::failure("onscreen=" + std::to_string(haveOnScreen) + " open=" + std::to_string(haveOpen));
        return Outcome::success();
    };
}

// expect dials N
Action parseDials(ArgReader& args)
{
    int64_t wanted = args.count("the number of dials so far");
    args.end();
    return [wanted](ScenarioRun& run) {
        const auto& dials = run.world().carrier().dials();
        if (static_cast<int64_t>(dials.size()) == wanted)
            return Outcome::success();
        std::string found = counted(static_cast<int64_t>(dials.size()), "dial");
        for (const Dial& d : dials)
            found += "\n    " + logStamp(d.time, run.start()) + " " + d.number + " from " + d.process;
        return Outcome::failure(found);
    };
}

// expect darwin "NAME" N / expect local "NAME" N
Action parseNotificationCount(ArgReader& args, bool darwin)
{
    std::string name = args.string("the notification name");
    int64_t wanted = args.count("how many posts");
    args.end();
    return [name, wanted, darwin](ScenarioRun& run) {
        int64_t have = 0;
        if (darwin) {
            const auto& posted = run.world().device().darwinCenter().postedNames();
            have = std::count(posted.begin(), posted.end(), name);
        } else if (run.world().booted()) {
            have = run.world().localPostCount(name);
        }
        if (have == wanted)
            return Outcome::success();
        return Outcome::failure(counted(have, "post"));
    };
}

} // namespace

void addExpectVerbs(VerbTable& table)
{
    table.addExpectation("expect log", Phase::anytime, "expect log \"LINE\"", parseLog);
    table.addExpectation("expect logpart", Phase::anytime, "expect logpart \"TEXT\"", parseLogPart);
    table.addExpectation("expect nolog", Phase::anytime, "expect nolog \"TEXT\"", parseNoLog);
    table.addExpectation("expect codes", Phase::anytime, "expect codes PATH = VALUE|present|absent", parseCodes);
    table.addExpectation("expect alerts", Phase::afterBoot, "expect alerts onscreen=N [open=N]", parseAlerts);
    table.addExpectation("expect dials", Phase::anytime, "expect dials N", parseDials);
    table.addExpectation("expect darwin", Phase::anytime, "expect darwin \"NAME\" N",
                [](ArgReader& args) { return parseNotificationCount(args, true); });
    table.addExpectation("expect local", Phase::afterBoot, "expect local \"NAME\" N",
                [](ArgReader& args) { return parseNotificationCount(args, false); });
}

} // namespace sim
