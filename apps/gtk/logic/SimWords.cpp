#include "apps/gtk/logic/SimWords.h"

#include "apps/gtk/Strings.h"
#include "apps/gtk/logic/Text.h"

namespace quorvelapp {

namespace {
// An MCC+MNC is 5 or 6 digits; an ICCID 18 to 22.
constexpr size_t kLongestNetworkId = 6;
constexpr size_t kShownIccidDigits = 4;
constexpr size_t kMaxSimShown = 24;
}

std::string simName(const std::string& simId)
{
    const std::string shown = shownText(simId, kMaxSimShown);
    if (simId.size() <= kLongestNetworkId)
        return fill(text::simOfNetwork(), {shown});
    return fill(text::simEnding(), {shownText(simId.substr(simId.size() - kShownIccidDigits), kShownIccidDigits)});
}

bool offersBinding(const linuxhost::StoredCode& code, bool codesFollowSim, const std::vector<std::string>& simsIn)
{
    return codesFollowSim && !simsIn.empty() && code.simId.empty() && !code.code.empty();
}

std::string simSummary(const linuxhost::StoredCode& code)
{
    if (code.simId.empty())
        return {};
    const std::string name = simName(code.simId);
    return code.simIn ? name : name + " · " + text::simNotIn();
}

} // namespace quorvelapp
