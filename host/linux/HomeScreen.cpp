#include "host/linux/HomeScreen.h"

#include "common/QuorvelNames.h"
#include "host/common/loader/BundleInstall.h"
#include "host/common/loader/ModuleLoader.h"
#include "host/common/loader/PrefBundleInstall.h"
#include "host/common/messaging/ChatItems.h"
#include "host/common/render/ViewRenderer.h"
#include "host/common/widget/WidgetBundle.h"
#include "host/common/widget/WidgetHost.h"
#include "host/linux/DaemonLog.h"
#include "host/linux/MenuAlert.h"
#include "host/linux/ReplyCost.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/runloop/RunLoop.h"
#include "platform/runtime/Runtime.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "platform/telephony/CoreTelephony.h"
#include "platform/ui/UIView.h"

#include <algorithm>
#include <cstdio>

namespace linuxhost {

// In front of the modem client: every dial of the device (the engine's, the
// wizard's) is counted for the refresh gate on its way out.
class HomeScreen::DialWatch final : public platform::TelephonyService {
public:
    DialWatch(HomeScreen& home, platform::TelephonyService* modem, std::function<bool()> willSend)
        : m_home(home), m_modem(modem), m_willSend(std::move(willSend))
    {
    }
    void dial(platform::Process& from, const std::string& number) override
    {
        if (m_modem && (!m_willSend || m_willSend()))
            m_home.m_gate.dialled(m_home.m_device.now());
        if (m_modem)
            m_modem->dial(from, number);
        else
            note("no telephony: the dial of " + number + " is dropped");
    }
    void dialOnSim(platform::Process& from, const std::string& number, const std::string& simId) override
    {
        if (m_modem && (!m_willSend || m_willSend()))
            m_home.m_gate.dialled(m_home.m_device.now());
        if (m_modem)
            m_modem->dialOnSim(from, number, simId);
        else
            note("no telephony: the dial of " + number + " is dropped");
    }
    std::vector<platform::CTSimCard> insertedSims() const override
    {
        return m_modem ? m_modem->insertedSims() : std::vector<platform::CTSimCard>{};
    }

private:
    HomeScreen& m_home;
    platform::TelephonyService* m_modem;
    std::function<bool()> m_willSend;
};

HomeScreen::HomeScreen(platform::Device& device, std::string root)
    : m_device(device)
    , m_root(std::move(root))
    , m_modules(std::make_unique<host::ModuleLoader>(kDaemonLogPrefix))
{
}

HomeScreen::~HomeScreen()
{
    shutDown();
}

void HomeScreen::installModules()
{
    std::string engine = host::findBuiltModule(std::string(kEngineName) + ".dylib");
    if (engine.empty())
        note(std::string(kEngineName) + ".dylib not found beside the program (or in $QUORVEL_BIN_DIR)");
    else if (!host::ModuleLoader::installTweak(engine, kEngineName, {kHomeScreenBundle}))
        note("cannot install " + engine + " under " + m_root);
    // The history is loaded beside the engine; without it the phone works, unrecorded.
    std::string history = host::findBuiltModule(std::string(kHistoryName) + ".dylib");
    if (history.empty())
        note(std::string(kHistoryName) + ".dylib not found beside the program (or in $QUORVEL_BIN_DIR): no history is kept");
    else if (!host::ModuleLoader::installTweak(history, kHistoryName, {kHomeScreenBundle}))
        note("cannot install " + history + " under " + m_root);
    std::string error;
    if (!host::installWidgetBundle(&error))
        note("cannot install the widget: " + error);
    // The Settings screens are served elsewhere; their bundle sits where they look for it.
    if (!host::installPrefBundle(&error))
        note("cannot install the preference bundle: " + error);
}

bool HomeScreen::start()
{
    platform::DeviceScope on(m_device);
    installModules();
    m_process = std::make_unique<platform::Process>(m_device, kHomeScreenName, kHomeScreenBundle);
    {
        platform::ProcessScope in(*m_process);
        // The engine looks the chat-item classes up when an SMS arrives; they
        // are there before anything loads, as on the phone.
        host::registerChatItemClasses();
        // Menus of the daemon's own USSD sessions reach the engine through
        // the alert class it hooks at load, so the class is there first.
        registerMenuAlertClasses();
        // Heard before the engine hears it: an answer the engine follows with
        // its next dial leaves that dial waiting, not the answer.
        platform::CTTelephonyCenterAddObserver(platform::CTTelephonyCenterGetDefault(), this, ussdTextHeard,
                                               platform::kCTUSSDSessionStringNotification, nullptr,
                                               platform::CFNotificationSuspensionBehaviorDeliverImmediately);
    }
    m_menus = std::make_unique<MenuAlerts>(*m_process);
    m_modules->loadTweaksInto(*m_process);
    // Other tweaks (the history) may load without the engine; alone they have nothing to run.
    const std::string engineFile = std::string(host::kTweakFolder) + "/" + kEngineName + ".dylib";
    const auto& loaded = m_modules->loaded();
    if (std::none_of(loaded.begin(), loaded.end(), [&](const host::LoadedModule& m) { return m.devicePath == engineFile; })) {
        note("the engine is not loaded: there is nothing to run");
        return false;
    }
    m_widgetHost = std::make_unique<host::WidgetHost>(*m_process, kDaemonLogPrefix);
    m_widgetHost->show();
    if (!m_widgetHost->isShown()) {
        note("the widget is not shown: its figures stay in the codes store only");
        return true;
    }
    {
        platform::ProcessScope in(*m_process);
        // The widget redraws on the engine's announcement, during the post; the
        // picture and texts are taken at the next turn, after every observer.
        m_process->localCenter().addObserver(this, quorvel::kDataRefreshedNotification, [this](const platform::Notification&) {
            m_gate.answered(m_device.now());
            m_process->mainRunLoop().perform([this] { publishWidget(); });
        });
    }
    publishWidget();
    return true;
}

void HomeScreen::publishWidget()
{
    if (!m_widgetHost)
        return;
    auto view = m_widgetHost->view();
    if (!view)
        return;
    {
        platform::DeviceScope on(m_device);
        platform::ProcessScope in(*m_process);
        m_widget.texts = widgetTexts(*view);
    }
    // Written beside and renamed, so a status bar never reads half a picture.
    std::string image = m_root + "/" + kWidgetImageFile;
    std::string fresh = image + ".new";
    if (host::renderViewToPng(*view, fresh) && std::rename(fresh.c_str(), image.c_str()) == 0) {
        m_widget.image = image;
    } else {
        std::remove(fresh.c_str());
        note("cannot write the widget's picture " + image);
    }
    view.reset();
    note("widget: " + m_widget.texts.text + " (" + m_widget.texts.tooltip + ")");
    if (m_listener)
        m_listener(m_widget);
    reportReplyCost();
}

void HomeScreen::presentMenu(const std::string& text)
{
    if (!m_menus)
        return;
    platform::DeviceScope on(m_device);
    m_menus->present(text);
}

void HomeScreen::onMenuAnswer(std::function<void(const std::string&)> listener)
{
    if (m_menus)
        m_menus->onAnswer(std::move(listener));
}

void HomeScreen::reloadWidget()
{
    if (!m_widgetHost || !m_widgetHost->isShown())
        return;
    m_widgetHost->hide();
    m_widgetHost->show();
    publishWidget();
}

void HomeScreen::ussdTextHeard(platform::CFNotificationCenterRef, void* observer, const std::string&, const void*,
                               const platform::Dict*)
{
    auto* self = static_cast<HomeScreen*>(observer);
    self->m_gate.answered(self->m_device.now());
}

void HomeScreen::dialEnded()
{
    m_gate.answered(m_device.now());
}

void HomeScreen::useTelephony(platform::TelephonyService* modem, std::function<bool()> willSend)
{
    if (!modem) {
        m_device.telephony = nullptr;
        m_dialWatch.reset();
        return;
    }
    m_dialWatch = std::make_unique<DialWatch>(*this, modem, std::move(willSend));
    m_device.telephony = m_dialWatch.get();
}

bool HomeScreen::admitRefresh(const std::string& from)
{
    const platform::Date now = m_device.now();
    if (std::optional<std::string> why = m_gate.coalesceReason(now)) {
        // One line per run of coalesced requests: a client looping on Refresh
        // must not flood the journal either.
        if (m_coalesced++ == 0)
            note("a refresh asked for over " + from + " is coalesced: " + *why + " (until one goes out, more are only counted)");
        return false;
    }
    note("refresh asked for over " + from +
         (m_coalesced ? " (" + std::to_string(m_coalesced) + " coalesced before it)" : std::string()));
    m_coalesced = 0;
    m_gate.passedOn(now);
    return true;
}

bool HomeScreen::refresh(const std::string& from)
{
    if (!m_widgetHost || !m_widgetHost->isShown())
        return false;
    platform::DeviceScope on(m_device);
    if (!admitRefresh(from))
        return true;
    return m_widgetHost->tapRefreshLine();
}

bool HomeScreen::tapWidgetAt(platform::CGPoint point, const std::string& from)
{
    if (!m_widgetHost || !m_widgetHost->isShown())
        return false;
    platform::DeviceScope on(m_device);
    bool onRefreshLine = false;
    if (auto view = m_widgetHost->view()) {
        platform::ProcessScope in(*m_process);
        for (auto hit = view->hitTest(point); hit && !onRefreshLine; hit = hit->superview())
            onRefreshLine = hit->tag() == kRefreshLineTag;
    }
    if (onRefreshLine && !admitRefresh(from))
        return true;
    return m_widgetHost->tapAt(point);
}

void HomeScreen::shutDown()
{
    platform::DeviceScope on(m_device);
    if (m_process) {
        m_process->localCenter().removeObserver(this);
        platform::ProcessScope in(*m_process);
        platform::CTTelephonyCenterRemoveObserver(platform::CTTelephonyCenterGetDefault(), this,
                                                  platform::kCTUSSDSessionStringNotification, nullptr);
    }
    if (m_dialWatch && m_device.telephony == m_dialWatch.get())
        m_device.telephony = nullptr;
    m_dialWatch.reset();
    if (m_widgetHost) {
        m_widgetHost->shutDown();
        m_widgetHost.reset();
    }
    // Destroying the process drops its pending work and timers, whose
    // callbacks point into the modules, before they are unloaded.
    m_process.reset();
    // The engine may hold an alert; the listener goes with the process.
    m_menus.reset();
    m_modules->unloadAll();
    rt::resetRuntimeForTesting();
}

} // namespace linuxhost
