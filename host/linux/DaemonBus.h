// The daemon on the session bus: its name (one daemon per session), its
// interface for every other program, and the Darwin notifications between OS
// processes.
//
//   org.quillmoor.Quorvel1 at /org/quillmoor/Quorvel1: the interface of
//     dbus/org.quillmoor.Quorvel1.xml, served by the skeleton gdbus-codegen
//     makes from it. This class answers Refresh and GetWidget and sends
//     Refreshed; the services (CodesService, SettingsService, DialService)
//     connect their own methods to skeleton().
//   org.quillmoor.Darwin1 at /org/quillmoor/Darwin1:
//     signal Posted(name)                         a Darwin notification, name only
//
//   DaemonBus bus(device, sessionBus);
//   if (bus.nameTaken()) ...                     // another daemon has it: leave at once
//   CodesService codes(bus.skeleton(), ...);     // before the export
//   bus.exportObjects(onRefresh, currentWidget);
//   if (!bus.claimName(&another, &error)) ...    // only now: a client that sees the
//                                                // name finds the object served
//   bus.emitRefreshed(state);
//
// Every Darwin notification posted inside the daemon is sent as Posted; one
// heard from another process is posted on the device's Darwin centre (and not
// sent back).
#pragma once

#include "host/linux/HomeScreen.h"

#include "dbus/QuorvelBus.h"

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

    // Whether another process holds the daemon's name already (asked before
    // anything starts; a bus that cannot answer counts as no).
    bool nameTaken();

    // Takes the daemon's name, once the interface is served. False when another process holds it (*anotherOwner)
    // or the bus refused (*error).
    bool claimName(bool* anotherOwner, std::string* error);

    // Serves the interface and starts the Darwin bridge.
    bool exportObjects(std::function<bool()> refresh, std::function<WidgetState()> widget, std::string* error);

    void emitRefreshed(const WidgetState& state);

    // The interface's skeleton: services connect their handle-* signals and
    // set its properties.
    QuorvelBusQuorvel1* skeleton() const { return m_skeleton; }

private:
    static gboolean handleRefresh(QuorvelBusQuorvel1*, GDBusMethodInvocation* invocation, gpointer self);
    static gboolean handleGetWidget(QuorvelBusQuorvel1*, GDBusMethodInvocation* invocation, gpointer self);
    static void darwinHeard(GDBusConnection*, const gchar* sender, const gchar* path, const gchar* interface,
                            const gchar* signal, GVariant* parameters, gpointer self);
    void darwinPosted(const std::string& name);

    platform::Device& m_device;
    GDBusConnection* m_bus;
    std::function<bool()> m_refresh;
    std::function<WidgetState()> m_widget;
    QuorvelBusQuorvel1* m_skeleton;
    bool m_exported = false;
    guint m_subscription = 0;
    bool m_ownsName = false;
    // A notification from the bus being posted here: not sent back.
    bool m_relaying = false;
};

} // namespace linuxhost
