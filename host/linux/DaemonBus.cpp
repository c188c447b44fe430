#include "host/linux/DaemonBus.h"

#include "host/linux/DaemonLog.h"
#include "host/linux/client/BusNames.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/system/Device.h"

#include <cstring>

namespace linuxhost {

namespace {

constexpr size_t kMaxDarwinNameLength = 256;

// DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER / _ALREADY_OWNER, DBUS_NAME_FLAG_DO_NOT_QUEUE.
constexpr guint32 kPrimaryOwner = 1;
constexpr guint32 kAlreadyOwner = 4;
constexpr guint32 kDoNotQueue = 4;

} // namespace

DaemonBus::DaemonBus(platform::Device& device, GDBusConnection* sessionBus)
    : m_device(device)
    , m_bus(G_DBUS_CONNECTION(g_object_ref(sessionBus)))
    , m_skeleton(quorvel_bus_quorvel1_skeleton_new())
{
    quorvel_bus_quorvel1_set_state(m_skeleton, "idle");
    quorvel_bus_quorvel1_set_state_detail(m_skeleton, "");
}

DaemonBus::~DaemonBus()
{
    m_device.darwinCenter().removeObserver(this);
    if (m_subscription)
        g_dbus_connection_signal_unsubscribe(m_bus, m_subscription);
    if (m_exported)
        g_dbus_interface_skeleton_unexport(G_DBUS_INTERFACE_SKELETON(m_skeleton));
    g_signal_handlers_disconnect_by_data(m_skeleton, this);
    g_object_unref(m_skeleton);
    g_object_unref(m_bus);
}

bool DaemonBus::nameTaken()
{
    return nameHasOwner(m_bus, kDaemonBusName);
}

bool DaemonBus::claimName(bool* anotherOwner, std::string* error)
{
    *anotherOwner = false;
    GError* failure = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(m_bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "RequestName",
                                                  g_variant_new("(su)", kDaemonBusName, kDoNotQueue),
                                                  G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &failure);
    if (!reply) {
        *error = failure->message;
        g_error_free(failure);
        return false;
    }
    guint32 answer = 0;
    g_variant_get(reply, "(u)", &answer);
    g_variant_unref(reply);
    m_ownsName = answer == kPrimaryOwner || answer == kAlreadyOwner;
    *anotherOwner = !m_ownsName;
    return m_ownsName;
}

bool DaemonBus::exportObjects(std::function<bool()> refresh, std::function<WidgetState()> widget, std::string* error)
{
    m_refresh = std::move(refresh);
    m_widget = std::move(widget);
    g_signal_connect(m_skeleton, "handle-refresh", G_CALLBACK(handleRefresh), this);
    g_signal_connect(m_skeleton, "handle-get-widget", G_CALLBACK(handleGetWidget), this);
    GError* failure = nullptr;
    m_exported = g_dbus_interface_skeleton_export(G_DBUS_INTERFACE_SKELETON(m_skeleton), m_bus, kDaemonObjectPath, &failure);
    if (!m_exported) {
        *error = failure->message;
        g_error_free(failure);
        return false;
    }
    m_subscription = g_dbus_connection_signal_subscribe(m_bus, nullptr, kDarwinInterface, "Posted", kDarwinObjectPath,
                                                        nullptr, G_DBUS_SIGNAL_FLAGS_NONE, darwinHeard, this, nullptr);
    // Registered outside any process: it hears every post at once, in order.
    m_device.darwinCenter().addObserverOfEveryName(this, [this](const platform::Notification& n) { darwinPosted(n.name); });
    return true;
}

gboolean DaemonBus::handleRefresh(QuorvelBusQuorvel1* skeleton, GDBusMethodInvocation* invocation, gpointer data)
{
    auto* self = static_cast<DaemonBus*>(data);
    if (self->m_refresh && self->m_refresh())
        quorvel_bus_quorvel1_complete_refresh(skeleton, invocation);
    else
        g_dbus_method_invocation_return_dbus_error(invocation, "org.quillmoor.Quorvel1.Error.NoWidget",
                                                   "the widget shows no refresh line to tap (no codes yet?)");
    return TRUE;
}

gboolean DaemonBus::handleGetWidget(QuorvelBusQuorvel1* skeleton, GDBusMethodInvocation* invocation, gpointer data)
{
    auto* self = static_cast<DaemonBus*>(data);
    const WidgetState state = self->m_widget ? self->m_widget() : WidgetState{};
    quorvel_bus_quorvel1_complete_get_widget(skeleton, invocation, state.texts.text.c_str(), state.texts.tooltip.c_str(),
                                             state.texts.cssClass.c_str(), state.image.c_str());
    return TRUE;
}

void DaemonBus::emitRefreshed(const WidgetState& state)
{
    quorvel_bus_quorvel1_emit_refreshed(m_skeleton, state.texts.text.c_str(), state.texts.tooltip.c_str(),
                                        state.texts.cssClass.c_str(), state.image.c_str());
}

void DaemonBus::darwinPosted(const std::string& name)
{
    if (m_relaying)
        return;
    GError* failure = nullptr;
    if (!g_dbus_connection_emit_signal(m_bus, nullptr, kDarwinObjectPath, kDarwinInterface, "Posted",
                                       g_variant_new("(s)", name.c_str()), &failure)) {
        note("cannot send the Darwin notification " + name + ": " + failure->message);
        g_error_free(failure);
    }
}

void DaemonBus::darwinHeard(GDBusConnection* bus, const gchar* sender, const gchar*, const gchar*, const gchar*,
                            GVariant* parameters, gpointer data)
{
    auto* self = static_cast<DaemonBus*>(data);
    const gchar* own = g_dbus_connection_get_unique_name(bus);
    if (own && sender && std::string(own) == sender)
        return; // our own post, already delivered here
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(s)")))
        return;
    const gchar* name = nullptr;
    g_variant_get(parameters, "(&s)", &name);
    if (!name || !*name) {
        note("a Darwin notification without a name was ignored");
        return;
    }
    // Names are short reverse-DNS texts; anything longer is not one, and is
    // neither posted nor logged whole.
    if (std::strlen(name) > kMaxDarwinNameLength) {
        note(std::string("a Darwin notification from ") + (sender ? sender : "?") + " with a name of " +
             std::to_string(std::strlen(name)) + " bytes was ignored (at most " + std::to_string(kMaxDarwinNameLength) + ")");
        return;
    }
    note(std::string("Darwin notification from ") + (sender ? sender : "?") + ": " + name);
    platform::DeviceScope on(self->m_device);
    self->m_relaying = true;
    platform::CFNotificationCenterPostNotification(platform::CFNotificationCenterGetDarwinNotifyCenter(), name, nullptr,
                                                   nullptr, true);
    self->m_relaying = false;
}

} // namespace linuxhost
