// How the app speaks of the SIM a code belongs to, and when it offers to bind
// a code to the SIM that is in.
#pragma once

#include "host/linux/client/QuorvelClient.h"

#include <string>
#include <vector>

namespace quorvelapp {

// "SIM …0001" for an ICCID (its last four digits tell SIMs apart on a phone's
// own screens), "SIM of network 25001" for a home network's MCC+MNC.
std::string simName(const std::string& simId);

// "Bind to this SIM" is offered for a code of no SIM while codes follow their
// SIM and a SIM is in.
bool offersBinding(const linuxhost::StoredCode& code, bool codesFollowSim, const std::vector<std::string>& simsIn);

// The SIM line of a code: its SIM's name, "SIM not in" added when it is not;
// empty for a code of any SIM.
std::string simSummary(const linuxhost::StoredCode& code);

} // namespace quorvelapp
