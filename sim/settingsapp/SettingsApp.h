// The Settings application on a simulated device: a second process
// ("Preferences", com.apple.Preferences) with its own run loop, local centre
// and telephony observers, sharing the Darwin bus, the carrier and the files
// with SpringBoard. It loads the preference bundle from the device, creates
// its principal class by name, shows its root page on a navigation stack in a
// 320 x 480 window, and lets the user (tests, scenarios) act on the screen.
//
//   auto& settings = world.addHost<SettingsApp>(world);
//   settings.open();                         // install, launch, load the bundle
//   settings.tap("USSD Codes");  settings.tap("+");  settings.type("*100#");  settings.tap("Next");
//   world.runFor(2s);                        // the carrier answers
//   settings.renderToPng("wizard.png");
//
// Every call into the bundle runs inside a ProcessScope of the Settings
// process. The library is opened RTLD_NOW | RTLD_LOCAL from the device's copy
// (a fresh copy of the bundle's process-wide state per device) and closed at
// shutDown, after every object that came from it is released and the process
// (with its pending callbacks and registrations) is gone. Opening an address
// is recorded and logged, not performed. Single-threaded.
#pragma once

#include "platform/foundation/Value.h"
#include "platform/system/Device.h"
#include "host/common/render/ScreenRenderer.h"
#include "host/common/touch/ScreenTouch.h"
#include "sim/world/Host.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class PSListController;
class Process;
class UIAlertView;
class UIApplication;
class UINavigationController;
class UIScrollView;
class UITableView;
class UITextMeasurer;
class UIView;
class UIViewController;
} // namespace platform

namespace sim {

class World;

inline constexpr const char* kSettingsProcessName = "Preferences";
inline constexpr const char* kSettingsBundleId = "com.apple.Preferences";

// What a user action did: nothing to report, or why it could not be done.
struct UserAction {
    bool ok = true;
    std::string problem;
    static UserAction done() { return {}; }
    static UserAction failed(std::string why) { return {false, std::move(why)}; }
};

class SettingsApp final : public Host, public platform::UrlOpener {
public:
    explicit SettingsApp(World& world);
    ~SettingsApp() override;

    // Starts the application on our page when it is not running (installing
    // the bundle first); brings it back as it was otherwise. False when the
    // bundle cannot be installed or loaded (logged, "sim: Settings: ...").
    bool open();
    bool isOpen() const { return m_page != nullptr; }
    // Releases the screens, ends the process, closes the library. Idempotent.
    void shutDown(World& world) override;

    platform::Process* process() const { return m_process.get(); }
    platform::UIApplication* application() const { return m_application.get(); }
    std::shared_ptr<platform::UINavigationController> navigation() const { return m_navigation; }
    std::shared_ptr<platform::PSListController> rootPage() const { return m_page; }
    std::shared_ptr<platform::UIViewController> topViewController() const;
    const std::vector<std::string>& openedURLs() const { return m_openedURLs; }

    // --- The user's hands (each runs inside the Settings process) ---
    // A control or row of the top screen by its visible text: a bar button
    // ("Next", "Save", "+"), the back button, a row by its main text.
    UserAction tap(const std::string& text);
    // Typed at the end of the first responder's text.
    UserAction type(const std::string& text);
    // The first switch of the top screen.
    UserAction setSwitch(bool on);
    // The title field of row `row` (tag 100 + row) becomes first responder and takes the text.
    UserAction title(int row, const std::string& text);
    UserAction tapAlertButton(const std::string& button);
    // Swipe and Delete on row `row` of the top screen's table.
    UserAction deleteRow(int row);
    UserAction back();
    // A value cell of the root page, by its label.
    UserAction setValue(const std::string& label, const platform::Value& value);

    // A finger at a point of the screen (320 x 480 points): the top alert's
    // button, a key of the keyboard, or whatever the window's hit testing
    // finds there (a bar button, a switch, a text field, a row, a view with a
    // tap recogniser). A point over nothing that takes taps changes nothing
    // and says so.
    UserAction tapAt(platform::CGPoint point);
    // A finger drags the content under a point `dy` points up (negative: down):
    // the scroll view there moves its content, within its content size and
    // insets. Refused where nothing scrolls.
    UserAction scrollAt(platform::CGPoint point, double dy);

    // --- What the screen shows ---
    std::string screenTitle() const;
    std::shared_ptr<platform::UIAlertView> topAlert() const;
    // The rows of the top screen's front table: main and detail texts.
    std::vector<std::pair<std::string, std::string>> rows() const;
    // Whether the control showing `text` (a bar button) is enabled; nullopt when there is none.
    std::optional<bool> isEnabled(const std::string& text) const;
    // The top screen's scroll view (not a table or text view when it has one).
    std::shared_ptr<platform::UIScrollView> scrollView() const;
    // One line naming the top screen and what it shows, for failure reports.
    std::string describeScreen() const;

    // What the screen shows, for drawing (nullopt while Settings is closed).
    std::optional<host::ScreenPicture> screenPicture() const;
    // The screen as the user sees it (status bar, keyboard, alerts) at 2x.
    bool renderToPng(const std::string& hostFile) const;

    // UrlOpener.
    void openURL(const std::string& url) override;

private:
    bool launch();
    host::TouchTarget touchTarget() const;
    std::shared_ptr<platform::UITableView> frontTable() const;

    World& m_world;
    std::unique_ptr<platform::Process> m_process;
    std::unique_ptr<platform::UIApplication> m_application;
    std::shared_ptr<platform::UIView> m_window;
    std::shared_ptr<platform::UINavigationController> m_navigation;
    std::shared_ptr<platform::PSListController> m_page;
    void* m_library = nullptr;
    std::vector<std::string> m_openedURLs;
    bool m_installed = false;
    std::unique_ptr<platform::UITextMeasurer> m_measurer;
};

// The World's Settings application, added on first use.
SettingsApp& settingsApp(World& world);

} // namespace sim
