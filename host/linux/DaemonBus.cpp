#include "host/linux/DaemonBus.h"

#include "host/linux/DaemonLog.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/system/Device.h"

#include <cstring>

namespace linuxhost {

namespace {

constexpr const char* kIntrospection =
    "<node>"
    "  <interface name='org.quillmoor.Quorvel1'>"
    "    <method name='Refresh'/>"
    "    <method name='GetWidget'>"
    "      <arg type='s' name='text' direction='out'/>"
    "      <arg type='s' name='tooltip' direction='out'/>"
    "      <arg type='s' name='class' direction='out'/>"
    "      <arg type='s' name='image' direction='out'/>"
    "    </method>"
    "    <signal name='Refreshed'>"
    "      <arg type='s' name='text'/>"
    "      <arg type='s' name='tooltip'/>"
    "      <arg type='s' name='class'/>"
    "      <arg type='s' name='image'/>"
    "    </signal>"
    "  </interface>"
    "</node>";

constexpr size_t kMaxDarwinNameLength = 256;

// DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER / _ALREADY_OWNER, DBUS_NAME_FLAG_DO_NOT_QUEUE.
constexpr guint32 kPrimaryOwner = 1;
constexpr guint32 kAlreadyOwner = 4;
constexpr guint32 kDoNotQueue = 4;

GVariant* widgetTuple(const WidgetState& state)
{
    return g_variant_new("(ssss)", state.texts.text.c_str(), state.texts.tooltip.c_str(), state.texts.cssClass.c_str(),
                         state.image.c_str());
}

} // namespace

DaemonBus::DaemonBus(platform::Device& device, GDBusConnection* sessionBus)
    : m_device(device)
    , m_bus(G_DBUS_CONNECTION(g_object_ref(sessionBus)))
{
}

DaemonBus::~DaemonBus()
{
    m_device.darwinCenter().removeObserver(this);
    if (m_subscription)
        g_dbus_connection_signal_unsubscribe(m_bus, m_subscription);
    if (m_registration)
        g_dbus_connection_unregister_object(m_bus, m_registration);
    g_object_unref(m_bus);
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
    GError* failure = nullptr;
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kIntrospection, &failure);
    static const GDBusInterfaceVTable vtable = {methodCall, nullptr, nullptr, {}};
    if (node)
        m_registration = g_dbus_connection_register_object(m_bus, kDaemonObjectPath, node->interfaces[0], &vtable, this,
                                                           nullptr, &failure);
    if (node)
        g_dbus_node_info_unref(node);
    if (!m_registration) {
        *error = failure ? failure->message : "no interface";
        if (failure)
            g_error_free(failure);
        return false;
    }
    m_subscription = g_dbus_connection_signal_subscribe(m_bus, nullptr, kDarwinInterface, "Posted", kDarwinObjectPath,
                                                        nullptr, G_DBUS_SIGNAL_FLAGS_NONE, darwinHeard, this, nullptr);
    // Registered outside any process: it hears every post at once, in order.
    m_device.darwinCenter().addObserverOfEveryName(this, [this](const platform::Notification& n) { darwinPosted(n.name); });
    return true;
}

void DaemonBus::methodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method, GVariant*,
                           GDBusMethodInvocation* invocation, gpointer data)
{
    auto* self = static_cast<DaemonBus*>(data);
    std::string name(method);
    if (name == "Refresh") {
        if (self->m_refresh && self->m_refresh()) {
            g_dbus_method_invocation_return_value(invocation, nullptr);
        } else {
            g_dbus_method_invocation_return_dbus_error(invocation, "org.quillmoor.Quorvel1.Error.NoWidget",
                                                       "the widget shows no refresh line to tap (no codes yet?)");
        }
    } else if (name == "GetWidget") {
        g_dbus_method_invocation_return_value(invocation, widgetTuple(self->m_widget ? self->m_widget() : WidgetState{}));
    } else {
        g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.UnknownMethod", method);
    }
}

void DaemonBus::emitRefreshed(const WidgetState& state)
{
    GError* failure = nullptr;
    if (!g_dbus_connection_emit_signal(m_bus, nullptr, kDaemonObjectPath, kDaemonInterface, "Refreshed",
                                       widgetTuple(state), &failure)) {
        note(std::string("cannot send Refreshed: ") + failure->message);
        g_error_free(failure);
    }
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
