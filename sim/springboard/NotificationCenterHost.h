// Notification Center inside SpringBoard on a simulated device: owns the
// World's widget host, so the widget is unloaded with the other hosts. The
// scenario statements and the browser page share it, so both see one widget.
//
//   host::WidgetHost* widget = notificationCenter(world).widget();   // installs the bundle on first use
//
// Single-threaded.
#pragma once

#include "host/common/widget/WidgetHost.h"
#include "sim/world/Host.h"

#include <memory>

namespace sim {

class World;

class NotificationCenterHost final : public Host {
public:
    explicit NotificationCenterHost(World& world) : m_world(world) {}
    ~NotificationCenterHost() override;

    // nullptr (logged) when the widget bundle cannot be installed. Asserts
    // that the device has booted.
    host::WidgetHost* widget();
    void shutDown(World&) override;

private:
    World& m_world;
    std::unique_ptr<host::WidgetHost> m_widget;
};

// The World's Notification Center, added on first use.
NotificationCenterHost& notificationCenter(World& world);

} // namespace sim
