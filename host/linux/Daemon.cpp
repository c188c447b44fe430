#include "host/linux/Daemon.h"

#include "host/common/device/CarrierLinks.h"
#include "host/linux/DaemonBus.h"
#include "host/linux/DaemonLog.h"
#include "host/linux/HomeScreen.h"
#include "host/linux/ModemTelephony.h"
#include "host/linux/Registration.h"
#include "host/linux/SchedulerSource.h"
#include "host/linux/SessionLock.h"
#include "host/linux/SmsMirror.h"
#include "host/linux/WebPage.h"
#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Files.h"
#include "platform/system/Device.h"

#include <gio/gio.h>
#include <glib-unix.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

namespace linuxhost {

namespace {

// How long a stop waits for cancelled calls to come back.
constexpr guint kStopDrainMs = 3000;

gboolean quitOnSignal(gpointer loop)
{
    note("stopping on a signal");
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
    return G_SOURCE_CONTINUE; // removed with the loop's other sources at the end
}

GDBusConnection* connectBus(GBusType type, const char* role)
{
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(type, nullptr, &error);
    if (!bus) {
        note(std::string("cannot reach the ") + role + " bus: " + error->message);
        g_error_free(error);
    }
    return bus;
}

bool prepareRoot(const std::string& root)
{
    std::error_code error;
    std::filesystem::create_directories(root, error);
    if (!std::filesystem::is_directory(root, error)) {
        note("cannot make the device root " + root);
        return false;
    }
    platform::setDeviceRoot(root);
    platform::createDirectories(host::kPreferencesFolder);
    // Until the modem says otherwise, the device is on its home network.
    return applyRegistration(Registration{});
}

} // namespace

std::string defaultRoot()
{
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        return std::string(state) + "/quorvel";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/state/quorvel";
}

int runDaemon(const DaemonOptions& options)
{
    DaemonLog log;
    if (!options.logFile.empty() && !log.openFile(options.logFile))
        note("cannot open the log file " + options.logFile + "; logging to standard error only");
    std::string root = std::filesystem::absolute(options.root.empty() ? defaultRoot() : options.root).lexically_normal();
    if (root.size() > 1 && root.back() == '/')
        root.pop_back();

    GDBusConnection* session = connectBus(G_BUS_TYPE_SESSION, "session");
    if (!session)
        return 1;
    platform::Device device(std::make_unique<platform::RealClock>());
    auto bus = std::make_unique<DaemonBus>(device, session);
    bool another = false;
    std::string error;
    if (!bus->claimName(&another, &error)) {
        note(another ? std::string("another quorveld is already running on this session")
                     : "cannot take the name " + std::string(kDaemonBusName) + ": " + error);
        bus.reset();
        g_object_unref(session);
        return 1;
    }
    if (!prepareRoot(root)) {
        bus.reset();
        g_object_unref(session);
        return 1;
    }
    note("device root " + root);
    platform::DeviceScope on(device);

    HomeScreen home(device, root);
    if (!home.start()) {
        home.shutDown();
        bus.reset();
        g_object_unref(session);
        return 1;
    }

    GDBusConnection* system = connectBus(G_BUS_TYPE_SYSTEM, "system");
    SmsMirror mirror(device, home.process());
    std::unique_ptr<ModemTelephony> modems;
    std::unique_ptr<SessionLock> lock;
    if (system) {
        modems = std::make_unique<ModemTelephony>(device, system, mirror, options.modem);
        device.telephony = modems.get();
        // A dial dropped while no modem was ready: one tap once one is.
        modems->onRefreshDue([&home] { home.refresh(); });
        modems->start();
        lock = std::make_unique<SessionLock>(device, system);
        lock->start();
    } else {
        note("no system bus: no modem, dials are dropped; the device counts as unlocked");
    }
    // Do Not Disturb: no desktop publishes it on D-Bus in a common form, so it
    // stays off here and the engine's DnD rule never holds a refresh back.

    if (!bus->exportObjects([&home] { return home.refresh(); }, [&home] { return home.widget(); }, &error))
        note("cannot serve " + std::string(kDaemonInterface) + ": " + error);
    home.onWidgetChanged([&bus](const WidgetState& state) { bus->emitRefreshed(state); });
    bus->emitRefreshed(home.widget());

    std::unique_ptr<WebPage> page;
    if (options.serve) {
        page = std::make_unique<WebPage>(device, home, log);
        if (!page->start(root, options.port))
            page.reset();
    }

    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    guint term = g_unix_signal_add(SIGTERM, quitOnSignal, loop);
    guint interrupt = g_unix_signal_add(SIGINT, quitOnSignal, loop);
    {
        SchedulerSource scheduler(device);
        note("running");
        g_main_loop_run(loop);
        note("woke " + std::to_string(scheduler.dispatchCount()) + " times for device work");
    }
    g_source_remove(term);
    g_source_remove(interrupt);
    // The page goes first: requests still waiting for this thread are answered 503.
    page.reset();

    // Cancelled calls still complete; their callbacks run before anything goes.
    device.telephony = nullptr;
    if (modems)
        modems->stop();
    if (lock)
        lock->stop();
    bool drained = false;
    guint deadline = g_timeout_add(kStopDrainMs, [](gpointer flag) {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
    }, &drained);
    auto pending = [&] { return (modems ? modems->pendingCalls() : 0) + (lock ? lock->pendingCalls() : 0); };
    bool timedOut = false;
    while (pending() > 0 && !(timedOut = drained))
        g_main_context_iteration(nullptr, TRUE);
    if (!drained)
        g_source_remove(deadline);
    if (timedOut)
        note("stopped with calls still pending");
    home.onWidgetChanged(nullptr);
    bus.reset();
    if (timedOut) {
        // Their callbacks would find nothing: leave them be rather than free what they point at.
        (void)modems.release();
        (void)lock.release();
    }
    modems.reset();
    lock.reset();
    home.shutDown();
    g_main_loop_unref(loop);
    if (system)
        g_object_unref(system);
    g_dbus_connection_flush_sync(session, nullptr, nullptr);
    g_object_unref(session);
    note("stopped");
    return 0;
}

} // namespace linuxhost
