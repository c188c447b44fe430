#include "host/linux/MenuAlert.h"

#include "platform/foundation/Geometry.h"
#include "platform/runloop/RunLoop.h"
#include "platform/system/Process.h"

#include <algorithm>

namespace linuxhost {

struct MenuAlerts::Record {
    std::function<void(const std::string&)> answered;
};

namespace {

// The frame the home screen gives an alert: the whole (phone-sized) screen.
constexpr platform::CGRect kFullScreen{{0, 0}, {320, 480}};

// Every alert the daemon presents is a menu of its own session. OK with the
// reply field open answers it; closed any other way it is left to the
// network to release, never cancelled from here.
class Alert final : public host::UssdAlertState {
public:
    void answered(const std::string& text) override
    {
        if (auto shared = record.lock(); shared && shared->answered)
            shared->answered(text.size() > kMenuAnswerLength ? text.substr(0, kMenuAnswerLength) : text);
    }
    std::weak_ptr<MenuAlerts::Record> record;
};

Alert* asAlert(rt::Object* self)
{
    return dynamic_cast<Alert*>(self);
}

} // namespace

void registerMenuAlertClasses()
{
    host::registerUssdAlertClasses([] { return std::make_shared<Alert>(); });
}

MenuAlerts::MenuAlerts(platform::Process& process)
    : m_process(process)
    , m_record(std::make_shared<Record>())
{
}

MenuAlerts::~MenuAlerts() = default;

void MenuAlerts::onAnswer(std::function<void(const std::string&)> listener)
{
    m_record->answered = std::move(listener);
}

int MenuAlerts::openCount() const
{
    return static_cast<int>(std::count_if(m_alerts.begin(), m_alerts.end(), [](const rt::id& a) {
        const Alert* alert = dynamic_cast<const Alert*>(a.get());
        return alert && !alert->closed;
    }));
}

void MenuAlerts::present(const std::string& text)
{
    platform::ProcessScope in(m_process);
    std::erase_if(m_alerts, [](const rt::id& a) { return !asAlert(a.get()) || asAlert(a.get())->closed; });
    rt::id alert = host::newUssdAlert();
    Alert* state = asAlert(alert.get());
    if (!state)
        return;
    state->record = m_record;
    m_alerts.push_back(alert);
    platform::CGRect screen = kFullScreen;
    rt::msgSend<rt::Object*>(alert, "initWithFrame:", screen);
    rt::msgSend<void>(alert, "setAllowsResponse:", true);
    rt::msgSend<void>(alert, "alertStringAvailable:", text);
    rt::msgSend<void>(alert, "alertDisplayBecameVisible");
    std::weak_ptr<rt::Object> weak = alert;
    // The process outlives the work queued on its own run loop.
    platform::Process* process = &m_process;
    m_process.mainRunLoop().perform([process, weak] {
        rt::id menu = weak.lock();
        const Alert* open = asAlert(menu.get());
        if (!open || open->closed)
            return;
        platform::ProcessScope in(*process);
        rt::msgSend<void>(menu, "_updateCharsRemaining");
    });
}

} // namespace linuxhost
