// Statements about the home screen keeping each code's last reply text: the
// setting that turns it on (off on a simulated device unless asked), and what
// the kept file holds for a code.
#include "sim/scenario/verbs/Verbs.h"

#include "host/common/replies/LastReplies.h"
#include "sim/scenario/ArgReader.h"
#include "sim/scenario/Runner.h"
#include "sim/scenario/VerbTable.h"
#include "sim/springboard/ReplyKeeper.h"
#include "sim/world/World.h"

namespace sim {

namespace {

// keep replies
Action parseKeepReplies(ArgReader& args)
{
    args.end();
    return [](ScenarioRun& run) {
        if (!run.world().host<ReplyKeeper>())
            run.world().addHost<ReplyKeeper>();
        return Outcome::success();
    };
}

// expect reply "CODE" "TEXT"|absent
Action parseExpectReply(ArgReader& args)
{
    const std::string code = args.string("the code");
    std::optional<std::string> text;
    if (!args.accept("absent"))
        text = args.string("the reply text, or absent");
    args.end();
    return [code, text](ScenarioRun&) {
        const std::string kept = host::LastReplies().textFor(code);
        if (!text)
            return kept.empty() ? Outcome::success() : Outcome::failure("\"" + kept + "\"");
        if (kept == *text)
            return Outcome::success();
        return Outcome::failure(kept.empty() ? std::string("no reply kept for ") + code : "\"" + kept + "\"");
    };
}

} // namespace

void addReplyVerbs(VerbTable& table)
{
    table.add({"keep replies", Phase::anytime, "keep replies", parseKeepReplies});
    table.addExpectation("expect reply", Phase::anytime, "expect reply \"CODE\" \"TEXT\"|absent", parseExpectReply);
}

} // namespace sim
