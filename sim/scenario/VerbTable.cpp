#include "sim/scenario/VerbTable.h"

#include "sim/scenario/verbs/Verbs.h"

#include <cassert>

namespace sim {

void VerbTable::add(Verb verb)
{
    assert(!find(verb.name) && "a verb is registered twice");
    m_verbs.push_back(std::move(verb));
}

void VerbTable::addExpectation(std::string name, Phase phase, std::string usage,
                               std::function<Action(ArgReader& args)> parse)
{
    add({std::move(name), phase, std::move(usage), std::move(parse), false, true});
}

const Verb* VerbTable::find(const std::string& name) const
{
    for (const Verb& verb : m_verbs)
        if (verb.name == name)
            return &verb;
    return nullptr;
}

const VerbTable& scenarioVerbs()
{
    static const VerbTable table = [] {
        VerbTable t;
        addDeviceVerbs(t);
        addFileVerbs(t);
        addCarrierVerbs(t);
        addMenuVerbs(t);
        addSpringBoardVerbs(t);
        addUssdAlertVerbs(t);
        addExpectVerbs(t);
        addSettingsVerbs(t);
        addSettingsViewVerbs(t);
        addNotificationCenterVerbs(t);
        addMessagingVerbs(t);
        addHistoryVerbs(t);
        addSimCardVerbs(t);
        addAlertVerbs(t);
        addReplyVerbs(t);
        return t;
    }();
    return table;
}

} // namespace sim
