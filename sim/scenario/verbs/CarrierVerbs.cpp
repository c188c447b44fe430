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

// carrier "CMD" reply "TEXT" [after DURATION] | carrier "CMD" notext [after DURATION] |
// carrier "CMD" sms ... | carrier "CMD" silent
Action parseCarrier(ArgReader& args)
{
    std::string code = args.string("the code");
    if (args.accept("sms"))
        return parseCarrierSms(code, args);
    if (args.accept("menu"))
        return parseCarrierMenu(code, args);
    if (args.accept("choice"))
        return parseCarrierChoice(code, args);
    const std::string kind = args.oneOf({"reply", "notext", "silent"});
    if (kind == "silent") {
        args.end();
        return [code](ScenarioRun& run) {
            run.world().carrier().staySilent(code);
            return Outcome::success();
        };
    }
    if (kind == "notext") {
        platform::Micros delay = args.accept("after") ? args.duration("the delay") : kDefaultReplyDelay;
        args.end();
        return [code, delay](ScenarioRun& run) {
            run.world().carrier().answerByUssdWithoutText(code, delay);
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

// network ussd|notification "TEXT"|notext: an unsolicited USSD request (its
// alert takes a reply) or notification (display only), delivered now.
Action parseNetworkUssd(ArgReader& args, NetworkUssdKind kind)
{
    std::optional<std::string> text;
    if (!args.accept("notext"))
        text = args.string("the message text, or notext");
    args.end();
    return [text, kind](ScenarioRun& run) {
        run.world().carrier().pushUssd(text, kind);
        run.settle();
        return Outcome::success();
    };
}

} // namespace

void addCarrierVerbs(VerbTable& table)
{
    table.add({"carrier", Phase::anytime,
               "carrier \"CMD\" reply \"TEXT\" [after DURATION] | carrier \"CMD\" notext [after DURATION] | "
               "carrier \"CMD\" sms \"SENDER\" \"TEXT\" [after DURATION] | carrier \"CMD\" silent | "
               "carrier \"CMD\" menu \"TEXT\" [after DURATION] | "
               "carrier \"CMD\" choice \"CHOICE\"... menu|reply \"TEXT\" [after DURATION]",
               parseCarrier});
    table.add({"network ussd", Phase::afterBoot, "network ussd \"TEXT\"|notext",
               [](ArgReader& args) { return parseNetworkUssd(args, NetworkUssdKind::request); }});
    table.add({"network notification", Phase::afterBoot, "network notification \"TEXT\"|notext",
               [](ArgReader& args) { return parseNetworkUssd(args, NetworkUssdKind::notification); }});
}

} // namespace sim
