// The modem's registration as the engine's roaming rule sees it: the carrier
// link names the home network (the SIM's operator), the operator link the
// network the modem is registered on. The two differ only while ModemManager
// reports roaming (Modem3gpp.RegistrationState 5).
//
//   Registration r{.state = 5, .operatorCode = "26201", .homeOperator = "25001"};
//   applyRegistration(r);   // operator link -> the 26201 bundle: roaming
#pragma once

#include <cstdint>
#include <string>

namespace linuxhost {

// Modem3gpp.RegistrationState: MM_MODEM_3GPP_REGISTRATION_STATE_ROAMING.
inline constexpr uint32_t kRegistrationRoaming = 5;

struct Registration {
    uint32_t state = 0;           // Modem3gpp.RegistrationState
    std::string operatorCode;     // Modem3gpp.OperatorCode (registered network)
    std::string homeOperator;     // the SIM's OperatorIdentifier; empty until known
};

struct CarrierLinkTargets {
    std::string carrier;    // device path the carrier link points at
    std::string registered; // device path the operator link points at
};

// Where both links point for that registration. Without a known home network
// the registered one stands for it; roaming on an unnamed network (or one
// that names the home network) still points at a bundle of its own.
CarrierLinkTargets linkTargets(const Registration& registration);

// Points the links under the current device root; false when a link cannot be made.
bool applyRegistration(const Registration& registration);

} // namespace linuxhost
