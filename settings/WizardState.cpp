#include "settings/WizardState.h"

#include "settings/NewCommandVC.h"

namespace quorvel {

WizardState& wizardState()
{
    static WizardState state;
    return state;
}

void resetWizardStateForTesting()
{
    wizardState() = WizardState{};
}

} // namespace quorvel
