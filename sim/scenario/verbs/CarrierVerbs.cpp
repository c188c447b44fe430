// Statements about the carrier network: how it answers codes and what it sends
// of its own accord. (Dials from outside SpringBoard are in MessagingVerbs.cpp.)
#include "sim/scenario/verbs/Verbs.h"

#include "sim/carrier/SimCarrier.h"
#include "sim/scenario/Runner.h"
#include "sim/scenario/VerbTable.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

namespace sim {

namespace {

// The network's usual pause before a USSD answer.
constexpr platform::Micros kDefaultReplyDelay(2'000'000);

// carrier "CMD" reply "TEXT" [after DURATION] | carrier "CMD" sms ... | carrier "CMD" silent
Action parseCarrier(ArgReader& args)
{
    std::string code = args.string("the code");
    if (args.accept("sms"))
        return parseCarrierSms(code, args);
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

} // namespace

void addCarrierVerbs(VerbTable& table)
{
    table.add({"carrier", Phase::anytime,
               "carrier \"CMD\" reply \"TEXT\" [after DURATION] | carrier \"CMD\" sms \"SENDER\" \"TEXT\" [after DURATION] | "
               "carrier \"CMD\" silent",
               parseCarrier});
    table.add({"network ussd", Phase::afterBoot, "network ussd \"TEXT\"", parseNetworkUssd});
}

} // namespace sim
