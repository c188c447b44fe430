#include "host/linux/client/BusNames.h"

namespace linuxhost {

bool nameHasOwner(GDBusConnection* bus, const char* name, int timeoutMs)
{
    GVariant* reply = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "NameHasOwner", g_variant_new("(s)", name),
                                                  G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, timeoutMs, nullptr,
                                                  nullptr);
    if (!reply)
        return false;
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
    return owned;
}

} // namespace linuxhost
