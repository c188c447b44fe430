#include "host/linux/Daemon.h"

#include "host/common/device/CarrierLinks.h"
#include "host/linux/AlertsService.h"
#include "host/linux/CodesService.h"
#include "host/linux/DaemonBus.h"
#include "host/linux/DesktopNotifications.h"
#include "host/linux/DaemonClock.h"
#include "host/linux/DaemonLog.h"
#include "host/linux/DialService.h"
#include "host/linux/HistoryService.h"
#include "host/linux/HomeScreen.h"
#include "host/common/replies/LastReplies.h"
#include "host/linux/ModemPool.h"
#include "host/linux/Registration.h"
#include "host/common/replies/ReplyRecorder.h"
#include "host/linux/SchedulerSource.h"
#include "host/linux/SessionLock.h"
#include "host/linux/SettingsService.h"
#include "host/linux/SleepWatch.h"
#include "host/linux/SmsMirror.h"
#include "host/linux/StoreWatch.h"
#include "host/linux/WebPage.h"
#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Files.h"
#include "platform/system/Device.h"

#include <gio/gio.h>
#include <glib-unix.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include <sys/stat.h>

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

// A bus that goes away takes quorveld's clients, ModemManager and logind with
// it: the daemon stops, with a failure status so that systemd's
// Restart=on-failure starts it again once the bus is back. (GLib's own
// exit-on-close would raise SIGTERM, which ends as a clean stop.)
struct BusWatch {
    const char* role;
    GMainLoop* loop = nullptr;
    int status = 0;
};

void busClosed(GDBusConnection*, gboolean, GError* error, gpointer data)
{
    auto* watch = static_cast<BusWatch*>(data);
    note(std::string("the ") + watch->role + " bus went away" + (error ? std::string(" (") + error->message + ")" : "") +
         ": stopping with status 1");
    watch->status = 1;
    if (watch->loop)
        g_main_loop_quit(watch->loop);
}

void watchBus(GDBusConnection* bus, BusWatch& watch)
{
    g_dbus_connection_set_exit_on_close(bus, FALSE);
    g_signal_connect(bus, "closed", G_CALLBACK(busClosed), &watch);
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

// The root holds the user's codes, figures, messages and the page's token:
// made for its owner only. The default root is ours alone, so one left
// readable by others (as earlier versions made it) is tightened; a root the
// user named keeps the mode they gave it.
bool prepareRoot(const std::string& root, bool isDefault)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const bool existed = fs::exists(root, error);
    if (!existed) {
        fs::create_directories(fs::path(root).parent_path(), error);
        if (::mkdir(root.c_str(), 0700) != 0 && errno != EEXIST) {
            note("cannot make the device root " + root + ": " + std::strerror(errno));
            return false;
        }
    }
    if (!fs::is_directory(root, error)) {
        note("cannot make the device root " + root);
        return false;
    }
    struct stat info {};
    if (existed && isDefault && ::stat(root.c_str(), &info) == 0 && (info.st_mode & 077) != 0) {
        char was[8];
        std::snprintf(was, sizeof was, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        if (::chmod(root.c_str(), 0700) == 0)
            note("the device root " + root + " was readable by others (mode " + was + "): made 0700");
        else
            note("the device root " + root + " is readable by others (mode " + was + ") and cannot be changed: " +
                 std::strerror(errno));
    }
    platform::setDeviceRoot(root);
    platform::createDirectories(host::kPreferencesFolder);
    // Until the modem says otherwise, the device is on its home network.
    return applyRegistration(Registration{});
}

} // namespace

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
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    BusWatch sessionWatch{"session", loop};
    BusWatch systemWatch{"system", loop};
    watchBus(session, sessionWatch);
    std::string problem;
    std::optional<double> testSleep = testSleepSeconds(std::getenv(kTestSleepVariable), &problem);
    if (!testSleep) {
        note(std::string(kTestSleepVariable) + " is ignored: " + problem);
        testSleep = 0.0;
    } else if (*testSleep > 0) {
        note("for tests: each resume from sleep moves the clock " + std::to_string(static_cast<long long>(*testSleep)) +
             " s on");
    }
    auto ownClock = std::make_unique<DaemonClock>(*testSleep);
    DaemonClock& clock = *ownClock;
    platform::Device device(std::move(ownClock));
    auto bus = std::make_unique<DaemonBus>(device, session);
    // The name is taken only once the interface is served (a client that sees
    // it appear calls at once); a second daemon leaves here, before it starts.
    std::string error;
    if (bus->nameTaken()) {
        note("another quorveld is already running on this session");
        bus.reset();
        g_signal_handlers_disconnect_by_data(session, &sessionWatch);
        g_object_unref(session);
        g_main_loop_unref(loop);
        return 1;
    }
    if (!prepareRoot(root, options.root.empty())) {
        bus.reset();
        g_signal_handlers_disconnect_by_data(session, &sessionWatch);
        g_object_unref(session);
        g_main_loop_unref(loop);
        return 1;
    }
    note("device root " + root);
    platform::DeviceScope on(device);
    // Before the modules load: the history module's alerts may show at its first turn.
    DesktopNotifications notifications(device, session);

    HomeScreen home(device, root);
    if (!home.start()) {
        home.shutDown();
        bus.reset();
        g_signal_handlers_disconnect_by_data(session, &sessionWatch);
        g_object_unref(session);
        g_main_loop_unref(loop);
        return 1;
    }

    GDBusConnection* system = connectBus(G_BUS_TYPE_SYSTEM, "system");
    SmsMirror mirror(device, home.process());
    std::unique_ptr<ModemPool> modems;
    host::LastReplies replies;
    std::unique_ptr<host::ReplyRecorder> recorder;
    std::unique_ptr<SessionLock> lock;
    if (system) {
        watchBus(system, systemWatch);
        modems = std::make_unique<ModemPool>(device, system, mirror, options.modem);
        ModemPool* modem = modems.get();
        recorder = std::make_unique<host::ReplyRecorder>(device, replies, modem);
        modems->onUssdText([&recorder](const std::string& text) { recorder->heard(text); });
        // Only a dial a ready modem takes is in flight: a dropped one holds no refresh back.
        home.useTelephony(recorder.get(), [modem] { return modem->ready(); });
        // A dial dropped while no modem was ready: one tap once one is.
        modems->onRefreshDue([&home] { home.refresh("a modem that became ready"); });
        // A menu of our own session goes to the engine as the phone's alert
        // (onMenu, set once the dial service is there); its answer goes back to the modem.
        home.onMenuAnswer([modem](const std::string& choice) { modem->respond(choice); });
        modems->start();
        lock = std::make_unique<SessionLock>(device, system);
        lock->start();
    } else {
        note("no system bus: no modem, dials are dropped; the device counts as unlocked");
    }
    // Do Not Disturb: no desktop publishes it on D-Bus in a common form, so it
    // stays off here and the engine's DnD rule never holds a refresh back.

    // The interface's other methods, connected before it is served.
    auto codes = std::make_unique<CodesService>(device, bus->skeleton(), replies);
    codes->onEdited([&home] { home.reloadWidget(); });
    if (modems)
        modems->onSimChanged([&home, service = codes.get()] {
            home.reloadWidget();
            service->simsChanged();
        });
    auto settings = std::make_unique<SettingsService>(device, bus->skeleton());
    auto history = std::make_unique<HistoryService>(device, bus->skeleton());
    auto dials = std::make_unique<DialService>(device, bus->skeleton(), replies, modems.get());
    // A dial the modem client gives up on: no answer is waited for, by the
    // refresh gate or by a client's DialCode. (Not after modems->stop().)
    if (modems)
        modems->onDialFailed([&home, service = dials.get()](const DialFailure& failure) {
            home.dialEnded();
            service->modemFailed(failure);
        });
    // A client's menu dial hears each reply once told apart from a menu, and
    // its menus are the client's alone: the engine is shown only the others.
    if (modems) {
        modems->onReplySettled([service = dials.get()](const std::string& code, const std::string& text, bool menu) {
            service->replySettled(code, text, menu);
        });
        modems->onMenu([&home, service = dials.get()](const std::string& text) {
            if (!service->clientAnswersMenus())
                home.presentMenu(text);
        });
    }
    auto alerts = std::make_unique<AlertsService>(device, bus->skeleton());
    // A code's last reply is part of what GetCodes gives.
    replies.onChanged([&bus] { quorvel_bus_quorvel1_emit_codes_changed(bus->skeleton()); });
    auto storeWatch = std::make_unique<StoreWatch>(
        root, [&bus] { quorvel_bus_quorvel1_emit_codes_changed(bus->skeleton()); },
        [&bus] { quorvel_bus_quorvel1_emit_settings_changed(bus->skeleton()); });
    if (!bus->exportObjects([&home] { return home.refresh("the session bus"); }, [&home] { return home.widget(); }, &error))
        note("cannot serve " + std::string(kDaemonInterface) + ": " + error);
    bool another = false;
    const bool named = bus->claimName(&another, &error);
    if (!named)
        note(another ? std::string("another quorveld is already running on this session")
                     : "cannot take the name " + std::string(kDaemonBusName) + ": " + error);
    home.onWidgetChanged([&bus](const WidgetState& state) { bus->emitRefreshed(state); });
    bus->emitRefreshed(home.widget());

    std::unique_ptr<WebPage> page;
    if (options.serve) {
        page = std::make_unique<WebPage>(device, home, log);
        if (!page->start(root, options.port))
            page.reset();
    }

    guint term = g_unix_signal_add(SIGTERM, quitOnSignal, loop);
    guint interrupt = g_unix_signal_add(SIGINT, quitOnSignal, loop);
    {
        SchedulerSource scheduler(device);
        if (!scheduler.countsTimeSlept())
            note("no CLOCK_BOOTTIME timer: waits do not count the time the phone sleeps");
        std::unique_ptr<SleepWatch> sleep;
        if (system)
            sleep = std::make_unique<SleepWatch>(system, [&] {
                clock.slept();
                scheduler.runDue();
            });
        if (named) {
            note("running");
            g_main_loop_run(loop);
        }
        note("woke " + std::to_string(scheduler.dispatchCount()) + " times for device work");
    }
    g_source_remove(term);
    g_source_remove(interrupt);
    // The page goes first: requests still waiting for this thread are answered 503.
    page.reset();

    // Cancelled calls still complete; their callbacks run before anything goes.
    home.useTelephony(nullptr, nullptr);
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
    if (modems) {
        modems->onDialFailed(nullptr); // it points at the dial service, which goes first
        modems->onReplySettled(nullptr);
        modems->onSimChanged(nullptr);
        modems->onMenu(nullptr);
    }
    storeWatch.reset();
    replies.onChanged(nullptr);
    dials.reset();
    alerts.reset();
    if (modems)
        modems->onUssdText(nullptr);
    recorder.reset();
    settings.reset();
    history.reset();
    codes.reset();
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
    if (system) {
        g_signal_handlers_disconnect_by_data(system, &systemWatch);
        g_object_unref(system);
    }
    if (!g_dbus_connection_is_closed(session))
        g_dbus_connection_flush_sync(session, nullptr, nullptr);
    g_signal_handlers_disconnect_by_data(session, &sessionWatch);
    g_object_unref(session);
    const int status = named ? sessionWatch.status | systemWatch.status : 1;
    note(!named ? "stopped without serving" : status == 0 ? "stopped" : "stopped after losing a bus");
    return status;
}

} // namespace linuxhost
