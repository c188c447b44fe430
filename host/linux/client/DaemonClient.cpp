#include "host/linux/client/DaemonClient.h"

#include "host/common/text/JsonString.h"

#include <gio/gio.h>
#include <glib-unix.h>

#include <csignal>
#include <iostream>

namespace linuxhost {

namespace {

constexpr const char* kBusName = "org.quillmoor.Quorvel1";
constexpr const char* kObjectPath = "/org/quillmoor/Quorvel1";
constexpr const char* kInterface = "org.quillmoor.Quorvel1";

GDBusConnection* sessionBus()
{
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        std::cerr << "quorvel: cannot reach the session bus: " << error->message << "\n";
        g_error_free(error);
    }
    return bus;
}

// The daemon's answer, or nullptr after saying why on standard error.
GVariant* callDaemon(GDBusConnection* bus, const char* method, const GVariantType* replyType)
{
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(bus, kBusName, kObjectPath, kInterface, method, nullptr, replyType,
                                                  G_DBUS_CALL_FLAGS_NO_AUTO_START, 10000, nullptr, &error);
    if (reply)
        return reply;
    gchar* name = g_dbus_error_get_remote_error(error);
    std::string remote = name ? name : "";
    g_free(name);
    if (remote == "org.freedesktop.DBus.Error.ServiceUnknown" || remote == "org.freedesktop.DBus.Error.NameHasNoOwner") {
        std::cerr << "quorvel: quorveld is not running on this session\n";
    } else {
        if (!remote.empty())
            g_dbus_error_strip_remote_error(error);
        std::cerr << "quorvel: quorveld did not answer " << method << ": " << error->message << "\n";
    }
    g_error_free(error);
    return nullptr;
}

bool printState(GVariant* state)
{
    const gchar* text = "";
    const gchar* tooltip = "";
    const gchar* cssClass = "";
    const gchar* image = "";
    g_variant_get(state, "(&s&s&s&s)", &text, &tooltip, &cssClass, &image);
    std::cout << statusBarLine(text, tooltip, cssClass) << std::endl;
    return static_cast<bool>(std::cout);
}

struct Follow {
    GMainLoop* loop = nullptr;
    int status = 0;
};

void refreshed(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters, gpointer data)
{
    auto* follow = static_cast<Follow*>(data);
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ssss)")))
        return;
    if (!printState(parameters)) {
        follow->status = 1; // the reader has gone; main reports the write error
        g_main_loop_quit(follow->loop);
    }
}

void daemonVanished(GDBusConnection*, const gchar*, gpointer data)
{
    auto* follow = static_cast<Follow*>(data);
    std::cerr << "quorvel: quorveld has stopped\n";
    follow->status = 1;
    g_main_loop_quit(follow->loop);
}

gboolean stopFollowing(gpointer data)
{
    g_main_loop_quit(static_cast<Follow*>(data)->loop);
    return G_SOURCE_CONTINUE;
}

} // namespace

std::string statusBarLine(const std::string& text, const std::string& tooltip, const std::string& cssClass)
{
    std::string line = "{\"text\":";
    line += host::jsonString(text);
    line += ",\"tooltip\":";
    line += host::jsonString(tooltip);
    line += ",\"class\":";
    line += host::jsonString(cssClass);
    line += '}';
    return line;
}

int refreshCommand()
{
    GDBusConnection* bus = sessionBus();
    if (!bus)
        return 1;
    GVariant* reply = callDaemon(bus, "Refresh", nullptr);
    g_object_unref(bus);
    if (!reply)
        return 1;
    g_variant_unref(reply);
    return 0;
}

int widgetCommand(const WidgetCommandOptions& options)
{
    GDBusConnection* bus = sessionBus();
    if (!bus)
        return 1;
    Follow follow;
    guint subscription = 0;
    if (options.follow) {
        follow.loop = g_main_loop_new(nullptr, FALSE);
        // Subscribed before the first state is read, so no redraw falls between.
        subscription = g_dbus_connection_signal_subscribe(bus, kBusName, kInterface, "Refreshed", kObjectPath, nullptr,
                                                          G_DBUS_SIGNAL_FLAGS_NONE, refreshed, &follow, nullptr);
    }
    GVariant* state = callDaemon(bus, "GetWidget", G_VARIANT_TYPE("(ssss)"));
    int status = 1;
    if (state) {
        status = printState(state) ? 0 : 1;
        g_variant_unref(state);
    }
    if (options.follow && status == 0) {
        guint watch = g_bus_watch_name_on_connection(bus, kBusName, G_BUS_NAME_WATCHER_FLAGS_NONE, nullptr,
                                                     daemonVanished, &follow, nullptr);
        guint term = g_unix_signal_add(SIGTERM, stopFollowing, &follow);
        guint interrupt = g_unix_signal_add(SIGINT, stopFollowing, &follow);
        g_main_loop_run(follow.loop);
        g_source_remove(term);
        g_source_remove(interrupt);
        g_bus_unwatch_name(watch);
        status = follow.status;
    }
    if (subscription)
        g_dbus_connection_signal_unsubscribe(bus, subscription);
    if (follow.loop)
        g_main_loop_unref(follow.loop);
    g_object_unref(bus);
    return status;
}

} // namespace linuxhost
