#include "sim/springboard/SpringBoard.h"

#include "platform/notify/NotificationCenter.h"
#include "platform/runloop/RunLoop.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "sim/springboard/SpringBoardObjects.h"

#include <algorithm>

namespace sim {

using springboard::HostRecord;
using springboard::UssdAlert;

namespace {

constexpr const char* kLockCompleteNotification = "com.apple.springboard.lockcomplete";
constexpr const char* kLockStateNotification = "com.apple.springboard.lockstate";
// Every destination a bulletin can go to (banner, lock screen, Notification Center, sound).
constexpr unsigned kAllBulletinDestinations = 0xF;

// Code that SpringBoard runs on its own reaches the platform as SpringBoard.
class InSpringBoard {
public:
    explicit InSpringBoard(platform::Process& process) : m_device(process.device()), m_process(process) {}
private:
    platform::DeviceScope m_device;
    platform::ProcessScope m_process;
};

UssdAlert* asAlert(const rt::id& object)
{
    return dynamic_cast<UssdAlert*>(object.get());
}

bool isPicked(const rt::id& object, AlertPick pick)
{
    const UssdAlert* alert = asAlert(object);
    if (!alert)
        return false;
    return pick == AlertPick::onScreen ? alert->isOnScreen() : alert->isOpen() && !alert->isOnScreen();
}

// The length in bytes of the UTF-8 sequence that starts with `lead` (1 for a
// stray continuation byte, so that every byte is typed once).
size_t sequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead < 0xF8)
        return 4;
    if (lead >= 0xE0)
        return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

} // namespace

struct SpringBoard::State {
    std::shared_ptr<HostRecord> record = std::make_shared<HostRecord>();
    rt::id statusBar;
    rt::id bulletinServer;
    std::map<std::string, rt::id> icons;
    // Alerts shown and not yet closed, oldest first (closed ones are dropped
    // when the next alert comes).
    std::vector<rt::id> alerts;

    // The newest alert of the pick, or nullptr.
    rt::id picked(AlertPick pick) const
    {
        auto found = std::find_if(alerts.rbegin(), alerts.rend(), [pick](const rt::id& a) { return isPicked(a, pick); });
        return found == alerts.rend() ? nullptr : *found;
    }

    rt::id icon(const std::string& bundleIdentifier)
    {
        rt::id& icon = icons[bundleIdentifier];
        if (!icon)
            icon = springboard::makeIcon(record, bundleIdentifier);
        return icon;
    }
};

SpringBoard::SpringBoard(platform::Process& process)
    : m_process(process)
    , m_state(std::make_unique<State>())
{
    springboard::registerUssdAlertClasses();
    springboard::registerServiceClasses();
    m_state->statusBar = springboard::makeStatusBarDataManager(m_state->record);
    m_state->bulletinServer = springboard::makeBulletinServer(m_state->record);
    if (!m_process.device().userNotifications)
        m_process.device().userNotifications = this;
}

SpringBoard::~SpringBoard()
{
    if (m_process.device().userNotifications == this)
        m_process.device().userNotifications = nullptr;
}

void SpringBoard::post(const platform::UserNotification& notification)
{
    publishBulletin({kQuorvelBulletinSection, notification.title, notification.message});
}

void SpringBoard::presentUSSDAlert(const std::string& text, bool allowsResponse)
{
    showUSSDAlert(buildUSSDAlert(text, allowsResponse));
}

rt::id SpringBoard::buildUSSDAlert(const std::string& text, bool allowsResponse, bool waitsForChoice)
{
    InSpringBoard in(m_process);
    std::erase_if(m_state->alerts, [](const rt::id& alert) { return asAlert(alert) && asAlert(alert)->closed; });

    rt::id alert = springboard::makeUssdAlert(m_state->record);
    if (!alert)
        return nullptr;
    m_state->alerts.push_back(alert);
    if (UssdAlert* state = asAlert(alert))
        state->waitsForChoice = waitsForChoice;
    platform::CGRect screen = kScreenBounds;
    rt::msgSend<rt::Object*>(alert, "initWithFrame:", screen);
    rt::msgSend<void>(alert, "setAllowsResponse:", allowsResponse);
    rt::msgSend<void>(alert, "alertStringAvailable:", text);
    return alert;
}

void SpringBoard::showUSSDAlert(const rt::id& alert)
{
    if (!alert)
        return;
    InSpringBoard in(m_process);
    rt::msgSend<void>(alert, "alertDisplayBecameVisible");
    const UssdAlert* state = asAlert(alert);
    if (!state || !state->waitsForChoice || !state->allowsResponse)
        return;
    std::weak_ptr<rt::Object> weak = alert;
    m_process.mainRunLoop().perform([this, weak] {
        rt::id menu = weak.lock();
        const UssdAlert* open = asAlert(menu);
        if (!open || !open->isOpen())
            return;
        InSpringBoard in(m_process);
        rt::msgSend<void>(menu, "_updateCharsRemaining");
    });
}

void SpringBoard::onMenuAnswer(std::function<void(const std::string&)> answered, std::function<void()> released)
{
    m_state->record->menuAnswered = std::move(answered);
    m_state->record->menuReleased = std::move(released);
}

const std::vector<rt::id>& SpringBoard::recentAlerts() const
{
    return m_state->alerts;
}

AlertPlace SpringBoard::alertPlace(const rt::id& object) const
{
    const UssdAlert* alert = asAlert(object);
    if (!alert || alert->closed)
        return AlertPlace::closed;
    if (!alert->visible)
        return AlertPlace::notShown;
    return alert->isOnScreen() ? AlertPlace::onScreen : AlertPlace::offScreen;
}

bool SpringBoard::tapAlertButton(AlertButton button, AlertPick pick)
{
    InSpringBoard in(m_process);
    rt::id alert = m_state->picked(pick);
    if (!alert)
        return false;
    switch (button) {
    case AlertButton::reply: rt::msgSend<void>(alert, "_replyClicked"); break;
    case AlertButton::ok: rt::msgSend<void>(alert, "_okayClicked"); break;
    case AlertButton::cancel: rt::msgSend<void>(alert, "_cancelClicked"); break;
    }
    return true;
}

SpringBoard::Typing SpringBoard::typeIntoAlert(const std::string& text, AlertPick pick)
{
    InSpringBoard in(m_process);
    Typing typing;
    rt::id alert = m_state->picked(pick);
    if (!alert) {
        typing.problem = pick == AlertPick::onScreen ? "no USSD alert on screen" : "no hidden USSD alert open";
        return typing;
    }
    for (size_t at = 0; at < text.size();) {
        const UssdAlert* state = asAlert(alert);
        // A hook may close the alert (or take its field away) between two keys.
        if (!state->isOpen() || !state->responseField) {
            typing.problem = state->isOpen() ? "the alert's response bar is not open (tap reply first)" : "the alert was closed";
            return typing;
        }
        const size_t length = std::min(sequenceLength(static_cast<unsigned char>(text[at])), text.size() - at);
        const std::string key = text.substr(at, length);
        at += length;
        rt::id field = state->responseField;
        const std::string current = rt::msgSend<std::string>(field, "text");
        const platform::NSRange end{current.size(), 0};
        if (!rt::msgSend<bool, rt::Object*, std::string, platform::NSRange>(
                alert, "textField:shouldInsertText:replacingRange:", field.get(), key, end)) {
            ++typing.refused;
            continue;
        }
        rt::msgSend<void>(field, "setText:", current + key);
        rt::msgSend<void, rt::Object*>(alert, "_textChanged:", field.get());
        ++typing.taken;
    }
    return typing;
}

std::optional<bool> SpringBoard::askAllowsResponse(AlertPick pick)
{
    InSpringBoard in(m_process);
    rt::id alert = m_state->picked(pick);
    if (!alert)
        return std::nullopt;
    return rt::msgSend<bool>(alert, "allowsResponse");
}

bool SpringBoard::setAlertAllowsResponse(bool allows, AlertPick pick)
{
    InSpringBoard in(m_process);
    rt::id alert = m_state->picked(pick);
    if (!alert)
        return false;
    rt::msgSend<void>(alert, "setAllowsResponse:", allows);
    return true;
}

std::optional<UssdAlertState> SpringBoard::alertState(AlertPick pick) const
{
    rt::id found = m_state->picked(pick);
    const UssdAlert* alert = asAlert(found);
    if (!alert)
        return std::nullopt;
    UssdAlertState state;
    state.text = alert->displayedText;
    state.allowsResponse = alert->allowsResponse;
    state.responseBarOpen = alert->responseField != nullptr;
    state.responseText = alert->responseText();
    state.charsRemaining = alert->charsRemaining;
    return state;
}

int SpringBoard::alertsOnScreen() const
{
    return static_cast<int>(std::count_if(m_state->alerts.begin(), m_state->alerts.end(),
                                          [](const rt::id& alert) { return asAlert(alert) && asAlert(alert)->isOnScreen(); }));
}

int SpringBoard::alertsOpen() const
{
    return static_cast<int>(std::count_if(m_state->alerts.begin(), m_state->alerts.end(),
                                          [](const rt::id& alert) { return asAlert(alert) && asAlert(alert)->isOpen(); }));
}

bool SpringBoard::setStatusBarItem(int item, bool enabled)
{
    InSpringBoard in(m_process);
    return rt::msgSend<bool>(m_state->statusBar, "setStatusBarItem:enabled:", item, enabled);
}

bool SpringBoard::statusBarItemEnabled(int item) const
{
    const auto& items = m_state->record->statusBarItems;
    auto found = items.find(item);
    return found != items.end() && found->second;
}

void SpringBoard::lock()
{
    InSpringBoard in(m_process);
    platform::CFNotificationCenterPostNotification(platform::CFNotificationCenterGetDarwinNotifyCenter(),
                                                   kLockCompleteNotification, nullptr, nullptr, true);
}

void SpringBoard::unlock()
{
    InSpringBoard in(m_process);
    platform::CFNotificationCenterPostNotification(platform::CFNotificationCenterGetDarwinNotifyCenter(),
                                                   kLockStateNotification, nullptr, nullptr, true);
}

void SpringBoard::publishBulletin(const PublishedBulletin& bulletin)
{
    InSpringBoard in(m_process);
    rt::id object = springboard::makeBulletin(bulletin);
    if (!object)
        return;
    rt::Object* raw = object.get();
    unsigned destinations = kAllBulletinDestinations;
    bool alwaysToLockScreen = false;
    rt::msgSend<void>(m_state->bulletinServer, "publishBulletin:destinations:alwaysToLockScreen:", raw, destinations,
                      alwaysToLockScreen);
}

const std::vector<PublishedBulletin>& SpringBoard::publishedBulletins() const
{
    return m_state->record->bulletins;
}

int SpringBoard::bulletinCount(const std::string& section) const
{
    const auto& bulletins = m_state->record->bulletins;
    return static_cast<int>(std::count_if(bulletins.begin(), bulletins.end(),
                                          [&](const PublishedBulletin& b) { return b.section == section; }));
}

void SpringBoard::setBadge(const std::string& bundleIdentifier, int badge)
{
    InSpringBoard in(m_process);
    rt::msgSend<void>(m_state->icon(bundleIdentifier), "setBadge:", badge);
}

int SpringBoard::badge(const std::string& bundleIdentifier) const
{
    const auto& badges = m_state->record->badges;
    auto found = badges.find(bundleIdentifier);
    return found == badges.end() ? 0 : found->second;
}

const std::vector<std::string>& SpringBoard::ussdRepliesSent() const
{
    return m_state->record->ussdReplies;
}

} // namespace sim
