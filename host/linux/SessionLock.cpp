#include "host/linux/SessionLock.h"

#include "common/QuorvelNames.h"
#include "host/linux/DaemonLog.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/system/Device.h"

#include <cstdlib>
#include <unistd.h>

namespace linuxhost {

namespace {

constexpr const char* kLogind = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";
constexpr const char* kLogindSession = "org.freedesktop.login1.Session";

bool cancelledError(GError* error)
{
    return g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
}

} // namespace

SessionLock::SessionLock(platform::Device& device, GDBusConnection* systemBus)
    : m_device(device)
    , m_bus(G_DBUS_CONNECTION(g_object_ref(systemBus)))
    , m_cancellable(g_cancellable_new())
{
}

SessionLock::~SessionLock()
{
    stop();
    if (m_session) {
        g_signal_handlers_disconnect_by_data(m_session, this);
        g_object_unref(m_session);
    }
    g_object_unref(m_cancellable);
    g_object_unref(m_bus);
}

void SessionLock::start()
{
    const char* id = std::getenv("XDG_SESSION_ID");
    ++m_pending;
    if (id && *id)
        g_dbus_connection_call(m_bus, kLogind, kLogindPath, kLogindManager, "GetSession", g_variant_new("(s)", id),
                               G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, m_cancellable, sessionFound, this);
    else
        g_dbus_connection_call(m_bus, kLogind, kLogindPath, kLogindManager, "GetSessionByPID",
                               g_variant_new("(u)", static_cast<guint32>(getpid())), G_VARIANT_TYPE("(o)"),
                               G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, m_cancellable, sessionFound, this);
}

void SessionLock::stop()
{
    g_cancellable_cancel(m_cancellable);
}

void SessionLock::sessionFound(GObject* source, GAsyncResult* result, gpointer data)
{
    auto* self = static_cast<SessionLock*>(data);
    --self->m_pending;
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (!reply) {
        if (!cancelledError(error))
            note(std::string("no logind session (") + error->message + "): the device counts as unlocked");
        g_error_free(error);
        return;
    }
    const gchar* path = nullptr;
    g_variant_get(reply, "(&o)", &path);
    note(std::string("following the lock state of session ") + path);
    ++self->m_pending;
    g_dbus_proxy_new(self->m_bus, G_DBUS_PROXY_FLAGS_DO_NOT_AUTO_START, nullptr, kLogind, path, kLogindSession,
                     self->m_cancellable, proxyReady, self);
    g_variant_unref(reply);
}

void SessionLock::proxyReady(GObject*, GAsyncResult* result, gpointer data)
{
    auto* self = static_cast<SessionLock*>(data);
    --self->m_pending;
    GError* error = nullptr;
    GDBusProxy* proxy = g_dbus_proxy_new_finish(result, &error);
    if (!proxy) {
        if (!cancelledError(error))
            note(std::string("cannot follow the session: ") + error->message);
        g_error_free(error);
        return;
    }
    self->m_session = proxy;
    g_signal_connect(proxy, "g-properties-changed", G_CALLBACK(propertiesChanged), self);
    self->readLockedHint(true);
}

void SessionLock::propertiesChanged(GDBusProxy*, GVariant*, GStrv, gpointer data)
{
    static_cast<SessionLock*>(data)->readLockedHint(false);
}

void SessionLock::readLockedHint(bool atStart)
{
    GVariant* hint = g_dbus_proxy_get_cached_property(m_session, "LockedHint");
    if (!hint)
        return;
    bool locked = g_variant_get_boolean(hint);
    g_variant_unref(hint);
    // The engine starts unlocked: at start only a locked session is news.
    if (locked == m_locked && !(atStart && locked))
        return;
    m_locked = locked;
    note(locked ? "the session is locked" : "the session is unlocked");
    platform::DeviceScope on(m_device);
    platform::CFNotificationCenterPostNotification(platform::CFNotificationCenterGetDarwinNotifyCenter(),
                                                   locked ? quorvel::kLockCompleteNotification
                                                          : quorvel::kLockStateNotification,
                                                   nullptr, nullptr, true);
}

} // namespace linuxhost
