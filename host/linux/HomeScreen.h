// The daemon's stand-in for the phone's home screen and its Notification
// Center: one process named SpringBoard (the tweak filter's bundle
// identifier), into which the engine is loaded the way the simulator loads it
// (installed under the device root, tweaks whose filter names the process, in
// file-name order, their start-up routines run at load), and the widget,
// loaded and shown by the shared widget host.
//
//   HomeScreen home(device, "/home/u/.local/state/quorvel");
//   if (!home.start()) ...                 // the engine could not be loaded
//   home.onWidgetChanged([](const WidgetState& w) { ... });
//   home.useTelephony(&modems, [&] { return modems.ready(); });
//   home.refresh("the session bus");      // the widget's tap, unless coalesced
//   home.shutDown();                       // widget, process, then modules
//
// On every load and redraw of the widget it writes the rendered widget as
// widget.png under the root and tells the listener. Refresh requests pass
// the refresh gate (RefreshGate.h), fed by the dials going out through here
// and the answers the home screen hears. Single-threaded.
#pragma once

#include "host/linux/RefreshGate.h"
#include "host/linux/WidgetTexts.h"
#include "platform/foundation/Geometry.h"
#include "platform/notify/NotificationCenter.h"

#include <functional>
#include <memory>
#include <string>

namespace platform {
class Device;
class Process;
class TelephonyService;
}

namespace host {
class ModuleLoader;
class WidgetHost;
}

namespace linuxhost {

class MenuAlerts;

inline constexpr const char* kHomeScreenName = "SpringBoard";
inline constexpr const char* kHomeScreenBundle = "com.apple.springboard";
inline constexpr const char* kEngineName = "QuorvelTweak";
inline constexpr const char* kHistoryName = "QuorvelHistory";
inline constexpr const char* kWidgetImageFile = "widget.png";

struct WidgetState {
    WidgetTexts texts;
    std::string image; // host path of the last rendered picture; empty when none
};

class HomeScreen {
public:
    HomeScreen(platform::Device& device, std::string root);
    ~HomeScreen();
    HomeScreen(const HomeScreen&) = delete;
    HomeScreen& operator=(const HomeScreen&) = delete;

    // Installs the built modules into the root, starts the process, loads the
    // tweaks (the engine, the history beside it), then the widget. False when
    // the engine itself could not be loaded
    // (logged); a widget that fails to load is logged and left out.
    bool start();
    // Releases the widget, drops the process's pending work, unloads the modules.
    void shutDown();

    platform::Process& process() { return *m_process; }

    // Dials from the device go to `modem` (nullptr: dropped) through the home
    // screen, which tells the refresh gate. `willSend` says whether the modem
    // client sends a dial now rather than dropping it.
    void useTelephony(platform::TelephonyService* modem, std::function<bool()> willSend);

    // A dial the modem client gave up on (refused, failed, no modem ready):
    // its answer will not come, so the refresh gate waits no longer for it.
    void dialEnded();

    // A tap on the widget's refresh line asked for by `from` ("the session
    // bus"), or coalesced with the cycle in flight (logged; true as well).
    // False when there is no widget to tap.
    bool refresh(const std::string& from);
    // A tap at a point of the widget's view; one on its refresh line passes
    // the gate as refresh() does. False when nothing there takes it.
    bool tapWidgetAt(platform::CGPoint point, const std::string& from);

    // A menu of the daemon's own USSD session (a reply that waits for a
    // choice) presented to the engine as the phone's USSD alert (MenuAlert.h);
    // nothing before start(). The engine's answer goes to the listener.
    void presentMenu(const std::string& text);
    void onMenuAnswer(std::function<void(const std::string& choice)> listener);

    // Notification Center pulled down again: the widget is hidden and shown,
    // so it reads the codes store afresh (after a code was added or deleted
    // over the session bus), and published. Does nothing while it is not shown.
    void reloadWidget();

    const WidgetState& widget() const { return m_widget; }
    // The widget's host, for the browser page (nullptr when the widget failed to load).
    host::WidgetHost* widgetHost() const { return m_widgetHost.get(); }
    void onWidgetChanged(std::function<void(const WidgetState&)> listener) { m_listener = std::move(listener); }

private:
    class DialWatch;
    void installModules();
    void publishWidget();
    // True when a refresh asked for now goes to the engine; logs either way.
    bool admitRefresh(const std::string& from);
    static void ussdTextHeard(platform::CFNotificationCenterRef, void* observer, const std::string&, const void*,
                              const platform::Dict*);

    platform::Device& m_device;
    std::string m_root;
    std::unique_ptr<host::ModuleLoader> m_modules;
    std::unique_ptr<platform::Process> m_process;
    std::unique_ptr<MenuAlerts> m_menus;
    std::unique_ptr<host::WidgetHost> m_widgetHost;
    WidgetState m_widget;
    std::function<void(const WidgetState&)> m_listener;
    RefreshGate m_gate;
    unsigned m_coalesced = 0;
    std::unique_ptr<DialWatch> m_dialWatch;
};

} // namespace linuxhost
