#include "host/common/alerts/UssdAlertClasses.h"

#include <algorithm>

namespace host {

namespace {

constexpr const char* kAlertClass = "SBUSSDAlertDisplay";
constexpr const char* kResponseFieldClass = "SBUSSDAlertResponseField";

UssdAlertState* asAlert(rt::Object* self)
{
    return dynamic_cast<UssdAlertState*>(self);
}

rt::Object* initWithFrame(rt::Object* self, rt::SEL, platform::CGRect frame)
{
    if (UssdAlertState* alert = asAlert(self))
        alert->frame = frame;
    return self;
}

void alertDisplayBecameVisible(rt::Object* self, rt::SEL)
{
    if (UssdAlertState* alert = asAlert(self); alert && !alert->closed)
        alert->visible = true;
}

void replyClicked(rt::Object* self, rt::SEL)
{
    UssdAlertState* alert = asAlert(self);
    if (!alert || alert->closed || !alert->allowsResponse || alert->responding)
        return;
    alert->responding = true;
    rt::msgSend<void>(self, "_setupResponseBar");
}

void okayClicked(rt::Object* self, rt::SEL)
{
    UssdAlertState* alert = asAlert(self);
    if (!alert || alert->closed)
        return;
    alert->closed = true;
    // With the response bar up, OK sends what it holds.
    if (alert->responseField)
        alert->answered(alert->responseText());
    else
        alert->closedUnanswered();
}

void cancelClicked(rt::Object* self, rt::SEL)
{
    UssdAlertState* alert = asAlert(self);
    if (!alert || alert->closed)
        return;
    alert->closed = true;
    alert->closedUnanswered();
}

void textChanged(rt::Object* self, rt::SEL, rt::Object*)
{
    rt::msgSend<void>(self, "_updateCharsRemaining");
}

bool shouldInsertText(rt::Object* self, rt::SEL, rt::Object*, std::string text, platform::NSRange range)
{
    UssdAlertState* alert = asAlert(self);
    if (!alert)
        return false;
    const size_t current = alert->responseText().size();
    const size_t location = std::min(range.location, current);
    const size_t replaced = std::min(range.length, current - location);
    return current - replaced + text.size() <= static_cast<size_t>(kUssdResponseLength);
}

void setAllowsResponse(rt::Object* self, rt::SEL, bool allows)
{
    if (UssdAlertState* alert = asAlert(self))
        alert->allowsResponse = allows;
}

bool allowsResponse(rt::Object* self, rt::SEL)
{
    UssdAlertState* alert = asAlert(self);
    return alert && alert->allowsResponse;
}

void setupResponseBar(rt::Object* self, rt::SEL)
{
    UssdAlertState* alert = asAlert(self);
    if (!alert || alert->responseField)
        return;
    if (rt::Class* cls = rt::objc_getClass(kResponseFieldClass))
        alert->responseField = cls->createInstance();
    alert->charsRemaining = kUssdResponseLength;
}

void updateCharsRemaining(rt::Object* self, rt::SEL)
{
    if (UssdAlertState* alert = asAlert(self))
        alert->charsRemaining = kUssdResponseLength - static_cast<int>(alert->responseText().size());
}

void alertStringAvailable(rt::Object* self, rt::SEL, std::string text)
{
    UssdAlertState* alert = asAlert(self);
    if (!alert)
        return;
    alert->alertText = text;
    rt::msgSend<void>(self, "displayString:centerVertically:", text, false);
}

void displayString(rt::Object* self, rt::SEL, std::string text, bool centerVertically)
{
    UssdAlertState* alert = asAlert(self);
    if (!alert)
        return;
    alert->displayedText = std::move(text);
    alert->centeredVertically = centerVertically;
    rt::msgSend<void>(self, "_notifyView");
}

void notifyView(rt::Object* self, rt::SEL)
{
    if (UssdAlertState* alert = asAlert(self))
        ++alert->viewNotifications;
}

void fieldSetText(rt::Object* self, rt::SEL, std::string text)
{
    // Setting the text from code sends no text-changed event, as on the phone.
    if (auto* field = dynamic_cast<UssdResponseField*>(self))
        field->text = std::move(text);
}

std::string fieldText(rt::Object* self, rt::SEL)
{
    auto* field = dynamic_cast<UssdResponseField*>(self);
    return field ? field->text : std::string();
}

// What "%@" prints for the field: the same on every run (no address).
std::string fieldDescription(rt::Object* self, rt::SEL)
{
    return std::string("<") + kResponseFieldClass + ": text = '" + fieldText(self, nullptr) + "'>";
}

} // namespace

std::string UssdAlertState::responseText() const
{
    auto* field = dynamic_cast<UssdResponseField*>(responseField.get());
    return field ? field->text : std::string();
}

rt::Class* defineClass(const char* name, rt::Class::Factory factory)
{
    rt::Class* cls = rt::registerClass(name, nullptr, factory);
    // An existing class may carry another host's factory: this host's wins.
    cls->setFactory(std::move(factory));
    return cls;
}

void registerUssdAlertClasses(rt::Class::Factory makeAlert)
{
    rt::Class* field = defineClass(kResponseFieldClass, [] { return std::make_shared<UssdResponseField>(); });
    field->setMethod("setText:", rt::IMP::of(&fieldSetText));
    field->setMethod("text", rt::IMP::of(&fieldText));
    field->setMethod("description", rt::IMP::of(&fieldDescription));

    rt::Class* alert = defineClass(kAlertClass, std::move(makeAlert));
    alert->setMethod("initWithFrame:", rt::IMP::of(&initWithFrame));
    alert->setMethod("alertDisplayBecameVisible", rt::IMP::of(&alertDisplayBecameVisible));
    alert->setMethod("_replyClicked", rt::IMP::of(&replyClicked));
    alert->setMethod("_okayClicked", rt::IMP::of(&okayClicked));
    alert->setMethod("_textChanged:", rt::IMP::of(&textChanged));
    alert->setMethod("textField:shouldInsertText:replacingRange:", rt::IMP::of(&shouldInsertText));
    alert->setMethod("setAllowsResponse:", rt::IMP::of(&setAllowsResponse));
    alert->setMethod("_setupResponseBar", rt::IMP::of(&setupResponseBar));
    alert->setMethod("_cancelClicked", rt::IMP::of(&cancelClicked));
    alert->setMethod("_updateCharsRemaining", rt::IMP::of(&updateCharsRemaining));
    alert->setMethod("allowsResponse", rt::IMP::of(&allowsResponse));
    alert->setMethod("alertStringAvailable:", rt::IMP::of(&alertStringAvailable));
    alert->setMethod("displayString:centerVertically:", rt::IMP::of(&displayString));
    alert->setMethod("_notifyView", rt::IMP::of(&notifyView));
}

rt::id newUssdAlert()
{
    rt::Class* cls = rt::objc_getClass(kAlertClass);
    return cls ? cls->createInstance() : nullptr;
}

} // namespace host
