#include "host/linux/SleepWatch.h"

#include "host/linux/DaemonLog.h"

namespace linuxhost {

SleepWatch::SleepWatch(GDBusConnection* systemBus, std::function<void()> resumed)
    : m_bus(G_DBUS_CONNECTION(g_object_ref(systemBus)))
    , m_resumed(std::move(resumed))
{
    // By logind's well-known name: the bus matches it against its owner, so
    // another client cannot fake a resume.
    m_subscription = g_dbus_connection_signal_subscribe(m_bus, "org.freedesktop.login1", "org.freedesktop.login1.Manager",
                                                        "PrepareForSleep", "/org/freedesktop/login1", nullptr,
                                                        G_DBUS_SIGNAL_FLAGS_NONE, prepareForSleep, this, nullptr);
}

SleepWatch::~SleepWatch()
{
    if (m_subscription)
        g_dbus_connection_signal_unsubscribe(m_bus, m_subscription);
    g_object_unref(m_bus);
}

void SleepWatch::prepareForSleep(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                                 GVariant* parameters, gpointer data)
{
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) {
        note("a PrepareForSleep signal without its flag was ignored");
        return;
    }
    gboolean going = FALSE;
    g_variant_get(parameters, "(b)", &going);
    if (going) {
        note("the system is going to sleep");
        return;
    }
    note("the system has woken from sleep: running what fell due meanwhile");
    auto* self = static_cast<SleepWatch*>(data);
    if (self->m_resumed)
        self->m_resumed();
}

} // namespace linuxhost
