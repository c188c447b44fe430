// Statements about the phone's SIM cards: swapping, removing and adding one
// (a dual-SIM phone has slots 1 and 2), as a traveller or a two-line user does.
#include "sim/scenario/verbs/Verbs.h"

#include "sim/carrier/SimCarrier.h"
#include "sim/scenario/ArgReader.h"
#include "sim/scenario/Runner.h"
#include "sim/scenario/VerbTable.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

namespace sim {

namespace {

// MCC (3 digits) and MNC (2 or 3): what a home network's code reads as.
bool isNetworkCode(const std::string& text)
{
    if (text.size() != 5 && text.size() != 6)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// sim [slot N] "ICCID" home "MCCMNC" | sim [slot N] home "MCCMNC" | sim [slot N] out
Action parseSim(ArgReader& args)
{
    int slot = 1;
    if (args.accept("slot")) {
        const Token& at = *args.peek();
        const int64_t number = args.count("the slot, 1 or 2");
        if (number < 1 || number > SimSlots::kSlots)
            args.failAt(at, "there is no slot " + std::to_string(number) + " (slots are 1 and 2)");
        slot = static_cast<int>(number);
    }
    if (args.accept("out")) {
        args.end();
        return [slot](ScenarioRun& run) {
            SimSlots& slots = run.world().carrier().simSlots();
            slots.remove(slot);
            run.world().log().note("the SIM in slot " + std::to_string(slot) + " is taken out (" + slots.describe() + ")");
            return Outcome::success();
        };
    }
    platform::CTSimCard card;
    if (!args.accept("home")) {
        card.iccid = args.string("the SIM's ICCID, home \"MCCMNC\" or out");
        if (card.iccid.empty())
            args.fail("the ICCID is empty (write home \"MCCMNC\" alone for a SIM whose ICCID the phone cannot read)");
        if (!args.accept("home"))
            args.fail("expected home \"MCCMNC\" after the ICCID");
    }
    const Token& at = *args.peek();
    card.homeNetwork = args.string("the home network's MCC and MNC");
    if (!isNetworkCode(card.homeNetwork))
        args.failAt(at, "\"" + card.homeNetwork + "\" is not an MCC and MNC (5 or 6 digits)");
    args.end();
    return [slot, card](ScenarioRun& run) {
        SimSlots& slots = run.world().carrier().simSlots();
        slots.insert(slot, card);
        run.world().log().note("a SIM is put into slot " + std::to_string(slot) + " (" + slots.describe() + ")");
        return Outcome::success();
    };
}

} // namespace

void addSimCardVerbs(VerbTable& table)
{
    table.add({"sim", Phase::anytime, "sim [slot 1|2] \"ICCID\" home \"MCCMNC\" | sim [slot 1|2] home \"MCCMNC\" | sim [slot 1|2] out",
               parseSim});
}

} // namespace sim
