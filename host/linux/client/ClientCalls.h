// What the client library's calls share: a call's error handed to the
// caller, and whether the daemon is there to call.
#pragma once

#include "host/linux/client/QuorvelClient.h"

#include <gio/gio.h>

namespace linuxhost {

// Fills *error (when not null) with the D-Bus error's name and message, and frees `failure` (null: nothing).
void take(GError* failure, CallError* error);
// The proxy does not send calls to a name nobody owns: say so as the bus would.
bool reachable(QuorvelBusQuorvel1* proxy, CallError* error);

// The codes of GetCodes (a(ssixsa(iss))) or, with `withExtras`, of
// GetCodesWithExtras (each tuple followed by its a{sv} of sim_id, sim_in and
// menu_choices).
std::vector<StoredCode> codesFrom(GVariant* list, bool withExtras);

} // namespace linuxhost
