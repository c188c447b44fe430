// The bundle's process-wide state: it outlives the screens and lives as
// long as the Settings application, touched only on its main thread.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace quorvel {

class NewCommandVC;

struct WizardState {
    // The command screen whose view loaded most recently; the reply
    // callbacks reach the navigation stack only through it.
    std::shared_ptr<NewCommandVC> refToSelf;
    // The command text last dialled by the wizard.
    std::string ussdCodeNumber;
    // The SIM that dial went out on, when codes follow their SIM; saved
    // with the code as its simId.
    std::optional<std::string> dialledSim;
    // The SMS reply observer is registered once per process, so that each
    // reply opens one field-title screen however many SMS dials came before.
    bool smsObserverRegistered = false;
};

WizardState& wizardState();
// A fresh state (tests that start a new device in the same process).
void resetWizardStateForTesting();

} // namespace quorvel
