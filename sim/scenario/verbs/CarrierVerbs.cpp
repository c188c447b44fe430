// Statements about the carrier network: how it answers codes, what it sends
// of its own accord, and dials made by hand.
#include "sim/scenario/verbs/Verbs.h"

#include "platform/system/Process.h"
#include "platform/telephony/CoreTelephony.h"
#include "sim/carrier/SimCarrier.h"
#include "sim/scenario/Runner.h"
#include "sim/scenario/VerbTable.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

namespace sim {

namespace {

// The network's usual pause before a USSD answer.
constexpr platform::Micros kDefaultReplyDelay(2'000'000);

// carrier "CMD" reply "TEXT" [after DURATION] | carrier "CMD" silent
Action parseCarrier(ArgReader& args)
{
    std::string code = args.string("the code");
    if (args.oneOf({"reply", "silent"}) == "silent") {
        args.end();
        return [code](ScenarioRun& run) {
            run.world().carrier().staySilent(code);
            return Outcome::success();
        };
    }
    std::string text = args.string("the reply text");
    platform::Micros delay = args.accept("after") ? args.duration("the delay") : kDefaultReplyDelay;
    args.end();
    return [code, text, delay](ScenarioRun& run) {
        run.world().carrier().answerByUssd(code, text, delay);
        return Outcome::success();
    };
}

// network ussd "TEXT": an unsolicited USSD message, delivered now.
Action parseNetworkUssd(ArgReader& args)
{
    std::string text = args.string("the message text");
    args.end();
    return [text](ScenarioRun& run) {
        run.world().carrier().pushUssd(text);
        run.settle();
        return Outcome::success();
    };
}

// dial "CMD": someone on the phone dials a code by hand (from SpringBoard).
Action parseDial(ArgReader& args)
{
    std::string code = args.string("the code");
    args.end();
    return [code](ScenarioRun& run) {
        {
            platform::ProcessScope in(run.world().springBoardProcess());
            platform::CTCallDial(code);
        }
        run.settle();
        return Outcome::success();
    };
}

} // namespace

void addCarrierVerbs(VerbTable& table)
{
    table.add({"carrier", Phase::anytime, "carrier \"CMD\" reply \"TEXT\" [after DURATION] | carrier \"CMD\" silent",
               parseCarrier});
    table.add({"network ussd", Phase::afterBoot, "network ussd \"TEXT\"", parseNetworkUssd});
    table.add({"dial", Phase::afterBoot, "dial \"CMD\"", parseDial});
}

} // namespace sim
