// The real phone as the browser page drives it on the Linux host: the
// widget the home screen shows and the Settings screens of a Settings
// process beside it. There is no carrier to play and no clock to move, and
// the lock state, Do Not Disturb and roaming come from the session and the
// modem, so the page shows none of those controls.
//
//   LinuxPhone phone(device, home, settings);
//   host::WebServer server(phone, queue.runner(), options);
//
// Runs on the daemon's thread only.
#pragma once

#include "host/web/PhoneBackend.h"

namespace platform { class Device; }

namespace linuxhost {

class HomeScreen;
class SettingsScreen;

class LinuxPhone final : public host::PhoneBackend {
public:
    LinuxPhone(platform::Device& device, HomeScreen& home, SettingsScreen& settings);

    std::string stateJson() override;
    std::string figuresJson() override;
    host::PageReply showApp(host::PageApp app) override;
    host::PageReply tapSettings(platform::CGPoint point) override;
    host::PageReply scrollSettings(platform::CGPoint point, double dy) override;
    host::PageReply typeSettings(const std::string& text) override;
    host::PageReply tapWidget(platform::CGPoint point) override;
    host::PageReply setLocked(bool) override { return host::PageReply::refused("the lock state comes from the session"); }
    host::PageReply setDoNotDisturb(bool) override { return host::PageReply::refused("Do Not Disturb is not known here"); }
    host::PageReply setRoaming(bool) override { return host::PageReply::refused("roaming comes from the modem"); }
    bool hasPhoneControls() const override { return false; }

private:
    platform::Device& m_device;
    HomeScreen& m_home;
    SettingsScreen& m_settings;
    host::PageApp m_app = host::PageApp::settings;
    platform::CGPoint m_widgetOrigin{};
};

} // namespace linuxhost
