// Whether a well-known name has an owner on a bus, asked of the bus itself
// (NameHasOwner): the daemon before it claims its name, tests waiting for it.
#pragma once

#include <gio/gio.h>

namespace linuxhost {

// False also when the bus does not answer within timeoutMs (-1: GIO's default).
bool nameHasOwner(GDBusConnection* bus, const char* name, int timeoutMs = -1);

} // namespace linuxhost
