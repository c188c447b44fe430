// The daemon on the session bus: its name (one daemon per session), its own
// small interface for the command line and status bars, and the Darwin
// notifications between OS processes.
//
//   org.quillmoor.Quorvel1 at /org/quillmoor/Quorvel1, interface org.quillmoor.Quorvel1:
//     Refresh()                                   the widget's tap
//     GetWidget() -> (text, tooltip, class, image) what the widget shows now
//     signal Refreshed(text, tooltip, class, image) after every redraw
//   org.quillmoor.Darwin1 at /org/quillmoor/Darwin1:
//     signal Posted(name)                         a Darwin notification, name only
//
//   DaemonBus bus(device, sessionBus);
//   if (!bus.claimName(&error)) ...              // another daemon has it
//   bus.exportObjects(onRefresh, currentWidget);
//   bus.emitRefreshed(state);
//
// Every Darwin notification posted inside the daemon is sent as Posted; one
// heard from another process is posted on the device's Darwin centre (and not
// sent back).
#pragma once

#include "host/linux/HomeScreen.h"

#include <gio/gio.h>

#include <functional>
#include <string>

namespace platform { class Device; }

namespace linuxhost {

inline constexpr const char* kDaemonBusName = "org.quillmoor.Quorvel1";
inline constexpr const char* kDaemonObjectPath = "/org/quillmoor/Quorvel1";
inline constexpr const char* kDaemonInterface = "org.quillmoor.Quorvel1";
inline constexpr const char* kDarwinObjectPath = "/org/quillmoor/Darwin1";
inline constexpr const char* kDarwinInterface = "org.quillmoor.Darwin1";

class DaemonBus {
public:
    DaemonBus(platform::Device& device, GDBusConnection* sessionBus);
    ~DaemonBus();
    DaemonBus(const DaemonBus&) = delete;
    DaemonBus& operator=(const DaemonBus&) = delete;

    // Takes the daemon's name. False when another process holds it (*anotherOwner)
    // or the bus refused (*error).
    bool claimName(bool* anotherOwner, std::string* error);

    // Serves the interface and starts the Darwin bridge.
    bool exportObjects(std::function<bool()> refresh, std::function<WidgetState()> widget, std::string* error);

    void emitRefreshed(const WidgetState& state);

private:
    static void methodCall(GDBusConnection*, const gchar* sender, const gchar* path, const gchar* interface,
                           const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self);
    static void darwinHeard(GDBusConnection*, const gchar* sender, const gchar* path, const gchar* interface,
                            const gchar* signal, GVariant* parameters, gpointer self);
    void darwinPosted(const std::string& name);

    platform::Device& m_device;
    GDBusConnection* m_bus;
    std::function<bool()> m_refresh;
    std::function<WidgetState()> m_widget;
    guint m_registration = 0;
    guint m_subscription = 0;
    bool m_ownsName = false;
    // A notification from the bus being posted here: not sent back.
    bool m_relaying = false;
};

} // namespace linuxhost
