// Statements about carrier menus: a code answered by a menu, what each path of
// choices leads to, and the choices the network got.
#include "sim/scenario/verbs/Verbs.h"

#include "sim/carrier/SimCarrier.h"
#include "sim/scenario/ArgReader.h"
#include "sim/scenario/Runner.h"
#include "sim/scenario/VerbTable.h"
#include "sim/world/World.h"

namespace sim {

namespace {

// The network's usual pause before it answers a dial.
constexpr platform::Micros kDefaultMenuDelay(2'000'000);

std::string quoted(const std::vector<std::string>& texts)
{
    std::string text;
    for (const std::string& t : texts)
        text += (text.empty() ? "\"" : " \"") + t + "\"";
    return text.empty() ? "none" : text;
}

// Every string token up to the next word.
std::vector<std::string> strings(ArgReader& args)
{
    std::vector<std::string> texts;
    while (!args.atEnd() && args.peek()->kind == Token::Kind::string)
        texts.push_back(args.string("a choice"));
    return texts;
}

// expect choices ["CHOICE"]...: every choice the network got, in order.
Action parseExpectChoices(ArgReader& args)
{
    std::vector<std::string> wanted = strings(args);
    args.end();
    return [wanted](ScenarioRun& run) {
        std::vector<std::string> have;
        for (const MenuChoice& choice : run.world().carrier().menuChoices())
            have.push_back(choice.path.back());
        if (have == wanted)
            return Outcome::success();
        return Outcome::failure("the network got " + quoted(have));
    };
}

} // namespace

Action parseCarrierMenu(const std::string& code, ArgReader& args)
{
    std::string text = args.string("the menu text");
    platform::Micros delay = args.accept("after") ? args.duration("the delay") : kDefaultMenuDelay;
    args.end();
    return [code, text, delay](ScenarioRun& run) {
        run.world().carrier().answerByMenu(code, text, delay);
        return Outcome::success();
    };
}

Action parseCarrierChoice(const std::string& code, ArgReader& args)
{
    std::vector<std::string> path = strings(args);
    if (path.empty())
        args.fail("expected the choices that lead to the answer, as strings");
    const bool menu = args.oneOf({"menu", "reply"}) == "menu";
    std::string text = args.string(menu ? "the menu text" : "the reply text");
    platform::Micros delay = args.accept("after") ? args.duration("the delay") : kDefaultChoiceDelay;
    args.end();
    return [code, path, menu, text, delay](ScenarioRun& run) {
        run.world().carrier().answerChoices(code, path, text, menu, delay);
        return Outcome::success();
    };
}

void addMenuVerbs(VerbTable& table)
{
    table.addExpectation("expect choices", Phase::anytime, "expect choices [\"CHOICE\"]...", parseExpectChoices);
}

} // namespace sim
