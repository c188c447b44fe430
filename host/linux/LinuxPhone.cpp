#include "host/linux/LinuxPhone.h"

#include "host/common/widget/WidgetHost.h"
#include "host/linux/HomeScreen.h"
#include "host/common/replies/LastReplies.h"
#include "host/linux/client/QuorvelClient.h"
#include "host/web/FiguresJson.h"
#include "host/linux/SettingsScreen.h"
#include "host/common/text/JsonString.h"
#include "host/web/CodesStoreText.h"
#include "host/web/PageDrawing.h"
#include "platform/system/Device.h"
#include "platform/ui/UIView.h"

namespace linuxhost {

using host::PageReply;

namespace {

PageReply fromTouch(const host::TouchResult& result)
{
    return result.ok ? PageReply::done() : PageReply::refused(result.problem);
}

} // namespace

LinuxPhone::LinuxPhone(platform::Device& device, HomeScreen& home, SettingsScreen& settings)
    : m_device(device), m_home(home), m_settings(settings)
{
    m_settings.open();
}

std::string LinuxPhone::stateJson()
{
    const platform::Date now = m_device.now();
    const bool nc = m_app == host::PageApp::notificationCenter;
    std::string out = "{\"time\":" + host::jsonString(now.formatted("HH:mm:ss")) +
                      ",\"date\":" + host::jsonString(now.formatted("yyyy-MM-dd")) + ",\"app\":\"" + (nc ? "nc" : "settings") + "\"";
    std::string settings;
    if (!nc) {
        const auto picture = m_settings.picture(now.formatted("HH:mm"));
        settings = host::screenSvg(picture ? &*picture : nullptr,
                                   picture ? "Settings: " + m_settings.screenTitle() : "Settings (closed)");
    }
    std::string widget;
    if (nc) {
        host::WidgetHost* host = m_home.widgetHost();
        const auto view = host && host->isShown() ? host->view() : nullptr;
        host::NotificationCenterSvg picture = host::notificationCenterSvg(view.get());
        m_widgetOrigin = picture.viewOrigin;
        widget = picture.svg;
    }
    out += ",\"settings\":" + host::jsonString(settings) + ",\"widget\":" + host::jsonString(widget);
    out += ",\"codes\":" + host::jsonString(host::codesStoreText());
    return out + "}";
}

std::string LinuxPhone::figuresJson()
{
    const host::LastReplies replies; // read only: the daemon's recorder writes it
    return host::figuresJson(m_device.now(), [](platform::Date at) { return localUtcOffset(at.micros()); },
                             [&replies](const std::string& code) { return replies.textFor(code); });
}

PageReply LinuxPhone::showApp(host::PageApp app)
{
    if (app == host::PageApp::settings && !m_settings.open())
        return PageReply::refused("the Settings screens could not load the bundle (see the log)");
    // Pulled down, Notification Center loads the widget afresh, as on the
    // phone: a code saved on the Settings screens since then shows up.
    if (app == host::PageApp::notificationCenter && m_app != app)
        m_home.reloadWidget();
    m_app = app;
    m_device.runPending();
    return PageReply::done();
}

PageReply LinuxPhone::tapSettings(platform::CGPoint point)
{
    if (m_app != host::PageApp::settings)
        return PageReply::refused("Settings is not on screen");
    const PageReply reply = fromTouch(m_settings.tapAt(point));
    m_device.runPending();
    return reply;
}

PageReply LinuxPhone::scrollSettings(platform::CGPoint point, double dy)
{
    if (m_app != host::PageApp::settings)
        return PageReply::refused("Settings is not on screen");
    return fromTouch(m_settings.scrollAt(point, dy));
}

PageReply LinuxPhone::typeSettings(const std::string& text)
{
    if (m_app != host::PageApp::settings)
        return PageReply::refused("Settings is not on screen");
    const PageReply reply = fromTouch(m_settings.type(text));
    m_device.runPending();
    return reply;
}

PageReply LinuxPhone::tapWidget(platform::CGPoint point)
{
    host::WidgetHost* widget = m_home.widgetHost();
    if (m_app != host::PageApp::notificationCenter || !widget || !widget->isShown())
        return PageReply::refused("Notification Center is not on screen");
    // Through the home screen, whose refresh gate coalesces taps on the refresh line.
    const bool taken = m_home.tapWidgetAt(platform::CGPointMake(point.x - m_widgetOrigin.x, point.y - m_widgetOrigin.y), "the page");
    m_device.runPending();
    return taken ? PageReply::done() : PageReply::refused("nothing there takes a tap");
}

} // namespace linuxhost
