#include "host/linux/client/ClientCalls.h"

#include "dbus/QuorvelBus.h"

namespace linuxhost {

void take(GError* failure, CallError* error)
{
    if (!failure)
        return;
    if (error) {
        gchar* name = g_dbus_error_get_remote_error(failure);
        error->name = name ? name : "";
        g_free(name);
        if (g_dbus_error_is_remote_error(failure))
            g_dbus_error_strip_remote_error(failure);
        error->message = failure->message;
    }
    g_error_free(failure);
}

bool reachable(QuorvelBusQuorvel1* proxy, CallError* error)
{
    gchar* owner = g_dbus_proxy_get_name_owner(G_DBUS_PROXY(proxy));
    const bool there = owner != nullptr;
    g_free(owner);
    if (!there && error) {
        error->name = "org.freedesktop.DBus.Error.ServiceUnknown";
        error->message = "quorveld is not running on this session";
    }
    return there;
}

} // namespace linuxhost
