// The menus invariant's choice check (see InvariantChecker.h): the network
// hears a choice only as the next one of the code the engine is dialling.
#include "sim/swarm/InvariantChecker.h"

namespace sim::swarm {

void InvariantChecker::choiceSent(platform::Date time, const std::string& line)
{
    // carrier gets the choice "X" for the menu of CODE
    static constexpr std::string_view kStart = "carrier gets the choice \"";
    static constexpr std::string_view kMiddle = "\" for the menu of ";
    const size_t middle = line.rfind(kMiddle);
    if (middle == std::string::npos || middle < kStart.size())
        return;
    const std::string choice = line.substr(kStart.size(), middle - kStart.size());
    const std::string code = line.substr(middle + kMiddle.size());
    if (code != m_currentDial || m_stepEnded) {
        fail("menus", time, "the network got the choice \"" + choice + "\" for " + code + " while the engine was " +
                                (m_stepEnded ? "dialling nothing" : "dialling " + m_currentDial));
        return;
    }
    const size_t at = m_choicesSent++;
    if (at >= m_dialChoices.size()) {
        fail("menus", time, "the network got the choice \"" + choice + "\" for " + code + ", which had " +
                                std::to_string(m_dialChoices.size()) + " menu choices when dialled, as choice " +
                                std::to_string(at + 1));
        return;
    }
    if (m_dialChoices[at] != choice)
        fail("menus", time, "the network got the choice \"" + choice + "\" for " + code + " as choice " +
                                std::to_string(at + 1) + ", where the code's is \"" + m_dialChoices[at] + "\"");
}

} // namespace sim::swarm
