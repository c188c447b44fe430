#include "sim/web/SimPhone.h"

#include "host/common/text/JsonString.h"
#include "host/web/CodesStoreText.h"
#include "host/web/FiguresJson.h"
#include "host/web/PageDrawing.h"
#include "platform/system/Device.h"
#include "sim/carrier/SimCarrier.h"
#include "sim/messaging/MessagingService.h"
#include "sim/settingsapp/SettingsApp.h"
#include "sim/springboard/NotificationCenterHost.h"
#include "sim/springboard/ReplyKeeper.h"
#include "sim/springboard/SpringBoard.h"
#include "sim/world/DeviceFolder.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

#include <cmath>
#include <cstdio>

namespace sim {

using host::PageReply;

namespace {

constexpr int kDoNotDisturbItem = 1;

PageReply fromUser(const UserAction& action)
{
    return action.ok ? PageReply::done() : PageReply::refused(action.problem);
}

std::string boolean(bool value) { return value ? "true" : "false"; }

} // namespace

SimPhone::SimPhone(World& world) : m_world(world)
{
    settingsApp(m_world).open();
}

void SimPhone::advance(platform::Micros real)
{
    if (m_rate == 0)
        return;
    m_pendingMicros += static_cast<double>(real.count()) * m_rate;
    const double whole = std::floor(m_pendingMicros);
    m_pendingMicros -= whole;
    m_world.runFor(platform::Micros(static_cast<int64_t>(whole)));
}

void SimPhone::drainLog(const std::function<void(std::string)>& publish)
{
    const auto& lines = m_world.log().lines();
    for (; m_logSent < lines.size(); ++m_logSent)
        publish(LogCapture::printable(lines[m_logSent]));
}

std::string SimPhone::settingsSvg()
{
    SettingsApp& settings = settingsApp(m_world);
    const auto picture = settings.screenPicture();
    return host::screenSvg(picture ? &*picture : nullptr, picture ? "Settings: " + settings.screenTitle() : "Settings (closed)");
}

std::string SimPhone::widgetSvg()
{
    host::WidgetHost* widget = notificationCenter(m_world).widget();
    const auto view = widget && widget->isShown() ? widget->view() : nullptr;
    host::NotificationCenterSvg nc = host::notificationCenterSvg(view.get());
    m_widgetOrigin = nc.viewOrigin;
    return nc.svg;
}

std::string SimPhone::stateJson()
{
    const platform::Date now = m_world.now();
    const bool nc = m_app == host::PageApp::notificationCenter;
    std::string out = "{\"time\":" + host::jsonString(now.formatted("HH:mm:ss")) +
                      ",\"date\":" + host::jsonString(now.formatted("yyyy-MM-dd")) + ",\"app\":\"" + (nc ? "nc" : "settings") + "\"";
    out += ",\"settings\":" + host::jsonString(nc ? std::string() : settingsSvg());
    out += ",\"widget\":" + host::jsonString(nc ? widgetSvg() : std::string());
    out += ",\"locked\":" + boolean(m_locked) + ",\"dnd\":" + boolean(m_world.springBoard().statusBarItemEnabled(kDoNotDisturbItem)) +
           ",\"roaming\":" + boolean(m_world.folder().roaming());
    out += ",\"codes\":" + host::jsonString(host::codesStoreText());
    out += ",\"rate\":" + std::to_string(m_rate) + ",\"carrierScripts\":" + scriptsJson();
    return out + "}";
}

std::string SimPhone::figuresJson()
{
    // The simulated device's zone is UTC. Replies show only where the home
    // screen keeps them.
    const ReplyKeeper* keeper = m_world.host<ReplyKeeper>();
    host::ReplyText reply;
    if (keeper)
        reply = [keeper](const std::string& code) { return keeper->replies().textFor(code); };
    return host::figuresJson(m_world.now(), {}, reply);
}

PageReply SimPhone::showApp(host::PageApp app)
{
    host::WidgetHost* widget = notificationCenter(m_world).widget();
    if (app == host::PageApp::notificationCenter) {
        if (!widget)
            return PageReply::refused("the widget could not be installed (see the log)");
        m_world.log().note("the user pulls Notification Center down");
        widget->show();
    } else {
        if (widget && widget->isShown()) {
            m_world.log().note("the user closes Notification Center");
            widget->hide();
        }
        if (!settingsApp(m_world).open())
            return PageReply::refused("the Settings application could not load the bundle (see the log)");
    }
    m_app = app;
    m_world.runPending();
    return PageReply::done();
}

PageReply SimPhone::tapSettings(platform::CGPoint point)
{
    if (m_app != host::PageApp::settings)
        return PageReply::refused("Settings is not on screen");
    char note[96];
    std::snprintf(note, sizeof note, "the user taps Settings at (%.0f, %.0f)", point.x, point.y);
    m_world.log().note(note);
    const PageReply reply = fromUser(settingsApp(m_world).tapAt(point));
    m_world.runPending();
    return reply;
}

PageReply SimPhone::scrollSettings(platform::CGPoint point, double dy)
{
    if (m_app != host::PageApp::settings)
        return PageReply::refused("Settings is not on screen");
    return fromUser(settingsApp(m_world).scrollAt(point, dy));
}

PageReply SimPhone::typeSettings(const std::string& text)
{
    if (m_app != host::PageApp::settings)
        return PageReply::refused("Settings is not on screen");
    const PageReply reply = fromUser(settingsApp(m_world).type(text));
    if (reply.ok)
        m_world.log().note("the user types \"" + text + "\"");
    m_world.runPending();
    return reply;
}

PageReply SimPhone::tapWidget(platform::CGPoint point)
{
    host::WidgetHost* widget = notificationCenter(m_world).widget();
    if (m_app != host::PageApp::notificationCenter || !widget || !widget->isShown())
        return PageReply::refused("Notification Center is not on screen");
    m_world.log().note("the user taps the widget");
    const bool taken = widget->tapAt(platform::CGPointMake(point.x - m_widgetOrigin.x, point.y - m_widgetOrigin.y));
    m_world.runPending();
    return taken ? PageReply::done() : PageReply::refused("nothing there takes a tap");
}

PageReply SimPhone::setLocked(bool locked)
{
    m_world.log().note(locked ? "the user locks the phone" : "the user unlocks the phone");
    if (locked)
        m_world.springBoard().lock();
    else
        m_world.springBoard().unlock();
    m_locked = locked;
    m_world.runPending();
    return PageReply::done();
}

PageReply SimPhone::setDoNotDisturb(bool on)
{
    m_world.log().note(std::string("the user turns Do Not Disturb ") + (on ? "on" : "off"));
    m_world.springBoard().setStatusBarItem(kDoNotDisturbItem, on);
    m_world.runPending();
    return PageReply::done();
}

PageReply SimPhone::setRoaming(bool on)
{
    if (!m_world.folder().setRoaming(on))
        return PageReply::refused("the operator link could not be changed (see the log)");
    m_world.log().note(on ? "the phone is roaming" : "the phone is home");
    m_world.runPending();
    return PageReply::done();
}

void SimPhone::setRate(int rate)
{
    m_rate = rate;
    m_pendingMicros = 0;
    m_world.log().note(rate == 0 ? "the clock is paused" : "the clock runs at x" + std::to_string(rate));
}

PageReply SimPhone::runToNextTimer()
{
    const auto due = m_world.device().nextDueDate();
    if (!due)
        return PageReply::refused("no timer is pending");
    const platform::Micros span = due->since(m_world.now());
    m_world.runFor(span.count() > 0 ? span : platform::Micros(0));
    return PageReply::done();
}

void SimPhone::answer(const std::string& code, const std::string& text, double delaySeconds)
{
    m_world.carrier().answerByUssd(code, text, platform::Micros(static_cast<int64_t>(std::llround(delaySeconds * 1e6))));
    m_world.log().note("the carrier answers " + code + " with \"" + text + "\"");
}

void SimPhone::silence(const std::string& code)
{
    m_world.carrier().staySilent(code);
    m_world.log().note("the carrier stays silent on " + code);
}

PageReply SimPhone::sendSms(const std::string& sender, const std::string& text)
{
    m_world.log().note("an SMS arrives from " + sender);
    m_world.messaging().receive(sender, text);
    m_world.runPending();
    return PageReply::done();
}

std::string SimPhone::scriptsJson() const
{
    std::string out = "[";
    for (const auto& [code, script] : m_world.carrier().scripts()) {
        if (out.size() > 1)
            out += ",";
        const bool silent = !script.ussd && !script.sms;
        std::string reply = script.ussd ? script.ussd->text : script.sms ? "SMS from " + script.sms->sender + ": " + script.sms->text : "";
        const double delay = script.ussd ? static_cast<double>(script.ussd->delay.count()) / 1e6
                             : script.sms ? static_cast<double>(script.sms->delay.count()) / 1e6 : 0;
        char delayText[32];
        std::snprintf(delayText, sizeof delayText, "%g", delay);
        out += "{\"code\":" + host::jsonString(code) + ",\"reply\":" + host::jsonString(reply) + ",\"delay\":" + delayText +
               ",\"silent\":" + boolean(silent) + "}";
    }
    return out + "]";
}

} // namespace sim
