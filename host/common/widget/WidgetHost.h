// Notification Center inside the home-screen process (the simulator's
// SpringBoard, the Linux daemon): loads a widget bundle, creates its
// principal class by name and drives it through BBWeeAppController, as the
// phone's widget host does; it also delivers the user's taps and draws the
// widget as Notification Center would show it.
//
//   host::installWidgetBundle();                 // once per device root
//   host::WidgetHost host(springboard, "sim: ");
//   host.load();     // dlopen, create "QuorvelController", init, loadPlaceholderView, view
//   host.show();     // loadFullView (the user pulled Notification Center down)
//   host.tapRefreshLine();
//   host.renderToPng("widget.png");
//   host.hide();     // unloadView
//
// Every call into the widget runs inside a ProcessScope of SpringBoard (and a
// DeviceScope of its device), so the widget shares SpringBoard's local
// notification centre with the engine. The library is opened RTLD_NOW |
// RTLD_LOCAL from the device's copy, so every device root gets a fresh instance
// of the widget's process-wide state; it is closed at shutDown().
//
// Lifetime: views handed out by view() must be released before the host is
// shut down; a view tree still held elsewhere then keeps the library loaded
// (logged) rather than leaving code behind that is gone. Single-threaded.
#pragma once

#include "host/common/widget/WidgetBundle.h"
#include "platform/foundation/Geometry.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {
class BBWeeAppController;
class Process;
class UIView;
} // namespace platform

namespace rt { class Object; }

namespace host {

struct RenderOptions;

class WidgetHost {
public:
    // `logPrefix` starts the host's own log lines ("sim: " in the simulator).
    WidgetHost(platform::Process& springboard, std::string logPrefix, std::string bundlePath = kQuorvelBundlePath);
    ~WidgetHost();
    WidgetHost(const WidgetHost&) = delete;
    WidgetHost& operator=(const WidgetHost&) = delete;

    // Loads the bundle and creates its principal class, then init,
    // loadPlaceholderView and view, and places the view at viewHeight. True
    // when the widget is (already) loaded; failures are logged (with the host's prefix).
    bool load();
    // Shows the widget: loads it first if needed, builds the placeholder again
    // after a hide, then loadFullView. Does nothing while shown.
    void show();
    // unloadView, when shown. The widget then has no view until the next show.
    void hide();
    // Hides, releases the widget and closes the library. Idempotent; the
    // destructor calls it.
    void shutDown();

    // A finger on the refresh line: a tap in the middle of the view tagged 500,
    // delivered from the widget's root view through hit testing, so it reaches
    // the label's recogniser only when user interaction is enabled on it and on
    // its superviews. True when a recogniser took it.
    bool tapRefreshLine();
    // A finger at a point of the widget's root view, delivered through hit
    // testing; true when a recogniser took it.
    bool tapAt(platform::CGPoint point);

    bool isLoaded() const { return m_widget != nullptr; }
    bool isShown() const { return m_shown; }
    // The widget's root view as the host shows it; nullptr when there is none.
    std::shared_ptr<platform::UIView> view() const { return m_view; }
    // The height at which the host shows the view.
    float viewHeight() const { return m_viewHeight; }
    // The widget, for inspection (nullptr before load).
    platform::BBWeeAppController* widget() const { return m_widget; }

    // Draws the widget as Notification Center shows it (dark backdrop, 2x) to a
    // PNG file at a host path. False when there is no view or the file cannot be written.
    bool renderToPng(const std::string& hostFile) const;
    bool renderToPng(const std::string& hostFile, const RenderOptions& options) const;

private:
    void takeView();
    bool viewTreeHeldElsewhere() const;

    platform::Process& m_process;
    std::string m_logPrefix;
    std::string m_bundlePath;
    void* m_library = nullptr;
    std::shared_ptr<rt::Object> m_instance;
    platform::BBWeeAppController* m_widget = nullptr;
    std::shared_ptr<platform::UIView> m_view;
    float m_viewHeight = 0;
    bool m_shown = false;
    bool m_needsPlaceholder = false;
    // Every view and recogniser of the trees handed out, to tell at shutdown
    // whether any still lives (their code may come from the library).
    std::vector<std::weak_ptr<rt::Object>> m_handedOut;
};

} // namespace host
