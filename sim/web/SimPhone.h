// The simulated device as the browser page drives it: the page's taps and
// typing go to the Settings application and Notification Center through the
// same hosts the scenario statements use, the console plays the carrier, and
// the device's virtual clock follows real time at the rate the page chose.
//
//   sim::World world;  world.boot();
//   sim::SimPhone phone(world);
//   host::WebServer server(phone, queue.runner(), options);
//   while (running) { queue.runPending(20ms); phone.advance(elapsedRealTime); }
//
// Everything runs on the World's thread; the web server reaches it only
// through its PhoneThread. The World must have booted and outlive the phone.
#pragma once

#include "host/web/PhoneBackend.h"
#include "platform/foundation/Date.h"

#include <cstddef>
#include <functional>
#include <string>

namespace sim {

class World;

class SimPhone final : public host::PhoneBackend, public host::PageClock, public host::PageCarrier {
public:
    explicit SimPhone(World& world);

    // Moves the device's clock by `real` times the rate (nothing while paused).
    void advance(platform::Micros real);
    // Calls `publish` with each log line written since the last call, as printed.
    void drainLog(const std::function<void(std::string)>& publish);

    // PhoneBackend.
    std::string stateJson() override;
    std::string figuresJson() override;
    host::PageReply showApp(host::PageApp app) override;
    host::PageReply tapSettings(platform::CGPoint point) override;
    host::PageReply scrollSettings(platform::CGPoint point, double dy) override;
    host::PageReply typeSettings(const std::string& text) override;
    host::PageReply tapWidget(platform::CGPoint point) override;
    host::PageReply setLocked(bool locked) override;
    host::PageReply setDoNotDisturb(bool on) override;
    host::PageReply setRoaming(bool on) override;
    host::PageClock* clock() override { return this; }
    host::PageCarrier* carrier() override { return this; }
    bool editsMenuPaths() const override { return true; }
    // Written as the Settings application writes the codes store (SimPhoneMenus.cpp).
    host::PageReply setMenuChoices(const std::string& code, const std::vector<std::string>& choices) override;

    // PageClock.
    void setRate(int rate) override;
    int rate() const override { return m_rate; }
    host::PageReply runToNextTimer() override;

    // PageCarrier.
    void answer(const std::string& code, const std::string& text, double delaySeconds) override;
    void silence(const std::string& code) override;
    host::PageReply sendSms(const std::string& sender, const std::string& text) override;
    std::string scriptsJson() const override;

private:
    std::string settingsSvg();
    std::string widgetSvg();

    World& m_world;
    host::PageApp m_app = host::PageApp::settings;
    int m_rate = 1;
    bool m_locked = false;
    // Device time not yet run: the clock moves in whole microseconds.
    double m_pendingMicros = 0;
    size_t m_logSent = 0;
    platform::CGPoint m_widgetOrigin{};
};

} // namespace sim
