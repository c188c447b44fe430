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

constexpr const char* kAlertClass = "SBUSSDAlertDisplay";
constexpr const char* kFieldClass = "SBUSSDAlertResponseField";
// The frame the home screen gives an alert: the whole (phone-sized) screen.
constexpr platform::CGRect kFullScreen{{0, 0}, {320, 480}};

class ResponseField final : public rt::Object {
public:
    std::string text;
};

class Alert final : public rt::Object {
public:
    std::shared_ptr<Object> ivar(const std::string& name) const override
    {
        return name == "_responseField" ? field : nullptr;
    }
    std::weak_ptr<MenuAlerts::Record> record;
    platform::CGRect frame;
    std::string text;
    bool allowsResponse = false;
    bool responding = false;
    bool visible = false;
    bool closed = false;
    rt::id field;
};

Alert* asAlert(rt::Object* self)
{
    return dynamic_cast<Alert*>(self);
}

std::string fieldText(const Alert& alert)
{
    auto* field = dynamic_cast<ResponseField*>(alert.field.get());
    return field ? field->text : std::string();
}

rt::Object* initWithFrame(rt::Object* self, rt::SEL, platform::CGRect frame)
{
    if (Alert* alert = asAlert(self))
        alert->frame = frame;
    return self;
}

void becameVisible(rt::Object* self, rt::SEL)
{
    if (Alert* alert = asAlert(self); alert && !alert->closed)
        alert->visible = true;
}

void replyClicked(rt::Object* self, rt::SEL)
{
    Alert* alert = asAlert(self);
    if (!alert || alert->closed || !alert->allowsResponse || alert->responding)
        return;
    alert->responding = true;
    rt::msgSend<void>(self, "_setupResponseBar");
}

void okayClicked(rt::Object* self, rt::SEL)
{
    Alert* alert = asAlert(self);
    if (!alert || alert->closed)
        return;
    alert->closed = true;
    if (!alert->field)
        return;
    if (auto record = alert->record.lock(); record && record->answered)
        record->answered(fieldText(*alert));
}

void cancelClicked(rt::Object* self, rt::SEL)
{
    if (Alert* alert = asAlert(self))
        alert->closed = true;
}

void textChanged(rt::Object* self, rt::SEL, rt::Object*)
{
    rt::msgSend<void>(self, "_updateCharsRemaining");
}

bool shouldInsertText(rt::Object* self, rt::SEL, rt::Object*, std::string text, platform::NSRange range)
{
    Alert* alert = asAlert(self);
    if (!alert)
        return false;
    const size_t current = fieldText(*alert).size();
    const size_t location = std::min(range.location, current);
    const size_t replaced = std::min(range.length, current - location);
    return current - replaced + text.size() <= kMenuAnswerLength;
}

void setAllowsResponse(rt::Object* self, rt::SEL, bool allows)
{
    if (Alert* alert = asAlert(self))
        alert->allowsResponse = allows;
}

bool allowsResponse(rt::Object* self, rt::SEL)
{
    Alert* alert = asAlert(self);
    return alert && alert->allowsResponse;
}

void setupResponseBar(rt::Object* self, rt::SEL)
{
    Alert* alert = asAlert(self);
    if (!alert || alert->field)
        return;
    if (rt::Class* cls = rt::objc_getClass(kFieldClass))
        alert->field = cls->createInstance();
}

// Nothing is drawn, so there is no counter to update.
void updateCharsRemaining(rt::Object*, rt::SEL) {}

void stringAvailable(rt::Object* self, rt::SEL, std::string text)
{
    Alert* alert = asAlert(self);
    if (!alert)
        return;
    alert->text = text;
    rt::msgSend<void>(self, "displayString:centerVertically:", text, false);
}

void displayString(rt::Object* self, rt::SEL, std::string, bool)
{
    rt::msgSend<void>(self, "_notifyView");
}

void notifyView(rt::Object*, rt::SEL) {}

void fieldSetText(rt::Object* self, rt::SEL, std::string text)
{
    if (auto* field = dynamic_cast<ResponseField*>(self))
        field->text = text.size() > kMenuAnswerLength ? text.substr(0, kMenuAnswerLength) : std::move(text);
}

std::string fieldGetText(rt::Object* self, rt::SEL)
{
    auto* field = dynamic_cast<ResponseField*>(self);
    return field ? field->text : std::string();
}

std::string fieldDescription(rt::Object* self, rt::SEL)
{
    return std::string("<") + kFieldClass + ": text = '" + fieldGetText(self, nullptr) + "'>";
}

rt::Class* defineClass(const char* name, rt::Class::Factory factory)
{
    rt::Class* cls = rt::registerClass(name, nullptr, factory);
    cls->setFactory(std::move(factory));
    return cls;
}

} // namespace

void registerMenuAlertClasses()
{
    rt::Class* field = defineClass(kFieldClass, [] { return std::make_shared<ResponseField>(); });
    field->setMethod("setText:", rt::IMP::of(&fieldSetText));
    field->setMethod("text", rt::IMP::of(&fieldGetText));
    field->setMethod("description", rt::IMP::of(&fieldDescription));

    rt::Class* alert = defineClass(kAlertClass, [] { return std::make_shared<Alert>(); });
    alert->setMethod("initWithFrame:", rt::IMP::of(&initWithFrame));
    alert->setMethod("alertDisplayBecameVisible", rt::IMP::of(&becameVisible));
    alert->setMethod("_replyClicked", rt::IMP::of(&replyClicked));
    alert->setMethod("_okayClicked", rt::IMP::of(&okayClicked));
    alert->setMethod("_textChanged:", rt::IMP::of(&textChanged));
    alert->setMethod("textField:shouldInsertText:replacingRange:", rt::IMP::of(&shouldInsertText));
    alert->setMethod("setAllowsResponse:", rt::IMP::of(&setAllowsResponse));
    alert->setMethod("_setupResponseBar", rt::IMP::of(&setupResponseBar));
    alert->setMethod("_cancelClicked", rt::IMP::of(&cancelClicked));
    alert->setMethod("_updateCharsRemaining", rt::IMP::of(&updateCharsRemaining));
    alert->setMethod("allowsResponse", rt::IMP::of(&allowsResponse));
    alert->setMethod("alertStringAvailable:", rt::IMP::of(&stringAvailable));
    alert->setMethod("displayString:centerVertically:", rt::IMP::of(&displayString));
    alert->setMethod("_notifyView", rt::IMP::of(&notifyView));
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
    rt::Class* cls = rt::objc_getClass(kAlertClass);
    rt::id alert = cls ? cls->createInstance() : nullptr;
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
