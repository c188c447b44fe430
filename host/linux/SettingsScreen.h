// The Settings application's screens for the browser page on the Linux host:
// a process of its own ("Preferences") on the daemon's device, which loads
// the preference bundle from the device root, creates its principal class by
// name and shows its root page on a navigation stack, as the phone's Settings
// application does. It shares no state with the home screen: the bundle
// reaches the engine only through the codes and settings files under the
// root and the named (Darwin) notifications, exactly as on the phone.
//
//   SettingsScreen settings(device);
//   settings.open();                      // install, launch, load the bundle
//   settings.tapAt({300, 42});            // the "+" of the codes list
//   host::ScreenPicture picture = *settings.picture();
//
// Every call into the bundle runs inside the process's scope. The library is
// closed at shutDown, after the screens and the process are gone.
// Single-threaded: the daemon's thread.
#pragma once

#include "host/common/render/ScreenRenderer.h"
#include "host/common/touch/ScreenTouch.h"

#include <memory>
#include <optional>
#include <string>

namespace platform {
class Device;
class Process;
class PSListController;
class UIApplication;
class UINavigationController;
class UITextMeasurer;
class UIView;
} // namespace platform

namespace linuxhost {

class SettingsScreen {
public:
    explicit SettingsScreen(platform::Device& device);
    ~SettingsScreen();
    SettingsScreen(const SettingsScreen&) = delete;
    SettingsScreen& operator=(const SettingsScreen&) = delete;

    // Launches on our page when not running; false (logged) when the bundle
    // cannot be installed or loaded.
    bool open();
    bool isOpen() const { return m_page != nullptr; }
    void shutDown();

    host::TouchResult tapAt(platform::CGPoint point);
    host::TouchResult scrollAt(platform::CGPoint point, double dy);
    // Typed at the end of the text field being edited.
    host::TouchResult type(const std::string& text);

    std::string screenTitle() const;
    // What the screen shows, with `clock` in the status bar; nullopt while closed.
    std::optional<host::ScreenPicture> picture(const std::string& clock) const;

private:
    bool launch();
    host::TouchTarget target() const;

    platform::Device& m_device;
    std::unique_ptr<platform::Process> m_process;
    std::unique_ptr<platform::UIApplication> m_application;
    std::shared_ptr<platform::UIView> m_window;
    std::shared_ptr<platform::UINavigationController> m_navigation;
    std::shared_ptr<platform::PSListController> m_page;
    std::unique_ptr<platform::UITextMeasurer> m_measurer;
    void* m_library = nullptr;
};

} // namespace linuxhost
