#include "host/linux/DesktopNotifications.h"

#include "host/linux/DaemonLog.h"
#include "platform/system/Device.h"

#include <algorithm>

namespace linuxhost {

namespace {

// Ids remembered for ActionInvoked: older notifications are long gone from the list.
constexpr size_t kMostRememberedIds = 64;
constexpr int kCallTimeoutMs = 5000;

} // namespace

DesktopNotifications::DesktopNotifications(platform::Device& device, GDBusConnection* session)
    : m_device(device)
    , m_session(G_DBUS_CONNECTION(g_object_ref(session)))
    , m_cancellable(g_cancellable_new())
{
    m_actionSubscription = g_dbus_connection_signal_subscribe(
        m_session, kNotificationsName, kNotificationsName, "ActionInvoked", kNotificationsPath, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, actionInvoked, this, nullptr);
    if (!m_device.userNotifications)
        m_device.userNotifications = this;
}

DesktopNotifications::~DesktopNotifications()
{
    if (m_device.userNotifications == this)
        m_device.userNotifications = nullptr;
    // Pending calls complete as cancelled; their callbacks must not find this.
    g_cancellable_cancel(m_cancellable);
    g_dbus_connection_signal_unsubscribe(m_session, m_actionSubscription);
    g_object_unref(m_cancellable);
    g_object_unref(m_session);
}

GVariant* DesktopNotifications::notifyArguments(const platform::UserNotification& notification)
{
    GVariantBuilder actions;
    g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
    g_variant_builder_add(&actions, "s", "default");
    g_variant_builder_add(&actions, "s", "Open Quorvel");
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string(kAppId));
    g_variant_builder_add(&hints, "{sv}", "category", g_variant_new_string(kAlertCategory));
    g_variant_builder_add(&hints, "{sv}", "urgency", g_variant_new_byte(1));
    g_variant_builder_add(&hints, "{sv}", "sound-name", g_variant_new_string("message-new-instant"));
    // Texts from the stores are UTF-8 already; anything else is mended rather than refused.
    gchar* summary = g_utf8_make_valid(notification.title.c_str(), static_cast<gssize>(notification.title.size()));
    gchar* body = g_utf8_make_valid(notification.message.c_str(), static_cast<gssize>(notification.message.size()));
    GVariant* arguments = g_variant_new("(susssasa{sv}i)", kAppName, 0u, kAppId, summary, body, &actions, &hints, -1);
    g_free(summary);
    g_free(body);
    return arguments;
}

void DesktopNotifications::post(const platform::UserNotification& notification)
{
    g_dbus_connection_call(m_session, kNotificationsName, kNotificationsPath, kNotificationsName, "Notify",
                           notifyArguments(notification), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE,
                           kCallTimeoutMs, m_cancellable, notified, new std::weak_ptr<std::deque<uint32_t>>(m_shown));
}

void DesktopNotifications::notified(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<std::weak_ptr<std::deque<uint32_t>>> handle(static_cast<std::weak_ptr<std::deque<uint32_t>>*>(data));
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (!reply) {
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
            note(std::string("cannot show a desktop notification: ") + error->message);
        g_error_free(error);
        return;
    }
    guint32 id = 0;
    g_variant_get(reply, "(u)", &id);
    g_variant_unref(reply);
    if (auto shown = handle->lock()) {
        shown->push_back(id);
        if (shown->size() > kMostRememberedIds)
            shown->pop_front();
    }
    note("desktop notification " + std::to_string(id) + " shown");
}

void DesktopNotifications::actionInvoked(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                                         GVariant* parameters, gpointer self)
{
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(us)")))
        return;
    guint32 id = 0;
    const gchar* action = nullptr;
    g_variant_get(parameters, "(u&s)", &id, &action);
    auto* notifications = static_cast<DesktopNotifications*>(self);
    const auto& shown = *notifications->m_shown;
    if (std::string_view(action) != "default" || std::find(shown.begin(), shown.end(), id) == shown.end())
        return;
    notifications->openApp(id);
}

void DesktopNotifications::openApp(uint32_t id)
{
    note("desktop notification " + std::to_string(id) + " tapped: opening " + kAppId);
    GVariantBuilder platformData;
    g_variant_builder_init(&platformData, G_VARIANT_TYPE("a{sv}"));
    g_dbus_connection_call(
        m_session, kAppId, kAppPath, "org.freedesktop.Application", "Activate", g_variant_new("(a{sv})", &platformData),
        nullptr, G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, m_cancellable,
        [](GObject* source, GAsyncResult* result, gpointer) {
            GError* error = nullptr;
            GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
            if (reply) {
                g_variant_unref(reply);
                return;
            }
            if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
                note(std::string("cannot open ") + kAppId + ": " + error->message);
            g_error_free(error);
        },
        nullptr);
}

} // namespace linuxhost
