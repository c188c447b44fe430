// A service of the simulated device that plugs into a World: a Notification
// Center widget host inside SpringBoard, the Settings application, the
// messaging service, ... Each lives in a folder of its own under sim/.
//
//   auto& widgets = world.addHost<WidgetHost>(world);   // the World owns it
//   world.host<WidgetHost>()->tapRefresh();
//
// The World calls the hooks below on the device's thread. Hosts are shut down
// and destroyed newest first, before SpringBoard and before any module is
// unloaded, so a host can still call into module code (a view controller's
// unloadView, say) while it tears down.
#pragma once

namespace sim {

class World;

class Host {
public:
    virtual ~Host() = default;
    // SpringBoard has started and its tweaks are loaded (called at boot, or at
    // once when the host is added to a booted World).
    virtual void springBoardStarted(World& world) { (void)world; }
    // The World is going away: release every object that came from a loaded
    // module while the modules are still loaded.
    virtual void shutDown(World& world) { (void)world; }
};

} // namespace sim
