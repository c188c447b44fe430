// Follows logind's PrepareForSleep on the system bus (org.freedesktop.login1.Manager):
// going to sleep is logged; on resume (PrepareForSleep(false)) the callback
// runs, and the daemon runs at once what fell due while the phone slept (the
// engine's timer among it, whose tick decides under its own rules, roaming,
// lock and Do Not Disturb, whether a refresh is due: so a refresh due during
// the sleep runs once).
//
//   SleepWatch sleep(systemBus, [&] { scheduler.runDue(); });
//
// Signals from any sender but logind's name are ignored.
#pragma once

#include <gio/gio.h>

#include <functional>

namespace linuxhost {

class SleepWatch {
public:
    SleepWatch(GDBusConnection* systemBus, std::function<void()> resumed);
    ~SleepWatch();
    SleepWatch(const SleepWatch&) = delete;
    SleepWatch& operator=(const SleepWatch&) = delete;

private:
    static void prepareForSleep(GDBusConnection*, const gchar* sender, const gchar* path, const gchar* interface,
                                const gchar* signal, GVariant* parameters, gpointer self);

    GDBusConnection* m_bus;
    std::function<void()> m_resumed;
    guint m_subscription = 0;
};

} // namespace linuxhost
