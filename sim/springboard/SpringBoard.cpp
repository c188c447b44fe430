#include "sim/springboard/SpringBoard.h"

#include "platform/notify/NotificationCenter.h"
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

} // namespace

struct SpringBoard::State {
    std::shared_ptr<HostRecord> record = std::make_shared<HostRecord>();
    rt::id statusBar;
    rt::id bulletinServer;
    std::map<std::string, rt::id> icons;
    // Alerts shown and not yet closed, oldest first (closed ones are dropped
    // when the next alert comes).
    std::vector<rt::id> alerts;

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
}

SpringBoard::~SpringBoard() = default;

void SpringBoard::presentUSSDAlert(const std::string& text)
{
    InSpringBoard in(m_process);
    std::erase_if(m_state->alerts, [](const rt::id& alert) { return asAlert(alert) && asAlert(alert)->closed; });

    rt::id alert = springboard::makeUssdAlert(m_state->record);
    if (!alert)
        return;
    m_state->alerts.push_back(alert);
    platform::CGRect screen = kScreenBounds;
    rt::msgSend<rt::Object*>(alert, "initWithFrame:", screen);
    rt::msgSend<void>(alert, "setAllowsResponse:", true);
    rt::msgSend<void>(alert, "alertStringAvailable:", text);
    rt::msgSend<void>(alert, "alertDisplayBecameVisible");
}

bool SpringBoard::tapAlertButton(AlertButton button)
{
    InSpringBoard in(m_process);
    auto top = std::find_if(m_state->alerts.rbegin(), m_state->alerts.rend(),
                            [](const rt::id& alert) { return asAlert(alert) && asAlert(alert)->isOnScreen(); });
    if (top == m_state->alerts.rend())
        return false;
    rt::id alert = *top;
    switch (button) {
    case AlertButton::reply: rt::msgSend<void>(alert, "_replyClicked"); break;
    case AlertButton::ok: rt::msgSend<void>(alert, "_okayClicked"); break;
    case AlertButton::cancel: rt::msgSend<void>(alert, "_cancelClicked"); break;
    }
    return true;
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

void SpringBoard::setStatusBarItem(int item, bool enabled)
{
    InSpringBoard in(m_process);
    rt::msgSend<bool>(m_state->statusBar, "setStatusBarItem:enabled:", item, enabled);
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
