// SBUSSDAlertDisplay as the simulated SpringBoard implements it: an alert that
// shows a carrier text, may take a typed reply (Reply opens the response bar;
// OK sends what the bar holds, if it is up, and closes) and is closed by OK or Cancel. Every
// step it takes on itself goes through rt::msgSend, so replacements see it.
#include "sim/springboard/SpringBoardObjects.h"

#include <algorithm>

namespace sim::springboard {

uint64_t& alertChangeCount()
{
    static uint64_t changes = 0;
    return changes;
}

namespace {

constexpr const char* kAlertClass = "SBUSSDAlertDisplay";
constexpr const char* kResponseFieldClass = "SBUSSDAlertResponseField";

UssdAlert* asAlert(rt::Object* self)
{
    return asUssdAlert(self);
}

std::string responseText(const UssdAlert& alert)
{
    auto* field = dynamic_cast<ResponseField*>(alert.responseField.get());
    return field ? field->text : std::string();
}

rt::Object* initWithFrame(rt::Object* self, rt::SEL, platform::CGRect frame)
{
    if (UssdAlert* alert = asAlert(self)) {
        alert->frame = frame;
        ++alertChangeCount();
    }
    return self;
}

void alertDisplayBecameVisible(rt::Object* self, rt::SEL)
{
    if (UssdAlert* alert = asAlert(self); alert && !alert->closed) {
        alert->visible = true;
        ++alertChangeCount();
    }
}

void replyClicked(rt::Object* self, rt::SEL)
{
    UssdAlert* alert = asAlert(self);
    if (!alert || alert->closed || !alert->allowsResponse || alert->responding)
        return;
    alert->responding = true;
    rt::msgSend<void>(self, "_setupResponseBar");
}

void okayClicked(rt::Object* self, rt::SEL)
{
    UssdAlert* alert = asAlert(self);
    if (!alert || alert->closed)
        return;
    // With the response bar up, OK sends what it holds.
    auto record = alert->record.lock();
    if (alert->responseField && record) {
        record->ussdReplies.push_back(responseText(*alert));
        if (alert->waitsForChoice && record->menuAnswered) {
            alert->closed = true;
            ++alertChangeCount();
            record->menuAnswered(responseText(*alert));
            return;
        }
    }
    alert->closed = true;
    ++alertChangeCount();
    if (alert->waitsForChoice && record && record->menuReleased)
        record->menuReleased();
}

void cancelClicked(rt::Object* self, rt::SEL)
{
    UssdAlert* alert = asAlert(self);
    if (!alert || alert->closed)
        return;
    alert->closed = true;
    ++alertChangeCount();
    // A menu closed unanswered ends its session at the network.
    if (auto record = alert->record.lock(); alert->waitsForChoice && record && record->menuReleased)
        record->menuReleased();
}

void textChanged(rt::Object* self, rt::SEL, rt::Object*)
{
    rt::msgSend<void>(self, "_updateCharsRemaining");
}

bool shouldInsertText(rt::Object* self, rt::SEL, rt::Object*, std::string text, platform::NSRange range)
{
    UssdAlert* alert = asAlert(self);
    if (!alert)
        return false;
    const size_t current = responseText(*alert).size();
    const size_t location = std::min(range.location, current);
    const size_t replaced = std::min(range.length, current - location);
    return current - replaced + text.size() <= static_cast<size_t>(kMaxResponseLength);
}

void setAllowsResponse(rt::Object* self, rt::SEL, bool allows)
{
    if (UssdAlert* alert = asAlert(self))
        alert->allowsResponse = allows;
}

bool allowsResponse(rt::Object* self, rt::SEL)
{
    UssdAlert* alert = asAlert(self);
    return alert && alert->allowsResponse;
}

void setupResponseBar(rt::Object* self, rt::SEL)
{
    UssdAlert* alert = asAlert(self);
    if (!alert || alert->responseField)
        return;
    if (rt::Class* cls = rt::objc_getClass(kResponseFieldClass))
        alert->responseField = cls->createInstance();
    alert->charsRemaining = kMaxResponseLength;
}

void updateCharsRemaining(rt::Object* self, rt::SEL)
{
    if (UssdAlert* alert = asAlert(self))
        alert->charsRemaining = kMaxResponseLength - static_cast<int>(responseText(*alert).size());
}

void alertStringAvailable(rt::Object* self, rt::SEL, std::string text)
{
    UssdAlert* alert = asAlert(self);
    if (!alert)
        return;
    alert->alertText = text;
    rt::msgSend<void>(self, "displayString:centerVertically:", text, false);
}

void displayString(rt::Object* self, rt::SEL, std::string text, bool centerVertically)
{
    UssdAlert* alert = asAlert(self);
    if (!alert)
        return;
    alert->displayedText = std::move(text);
    alert->centeredVertically = centerVertically;
    rt::msgSend<void>(self, "_notifyView");
}

void notifyView(rt::Object* self, rt::SEL)
{
    if (UssdAlert* alert = asAlert(self))
        ++alert->viewNotifications;
}

void fieldSetText(rt::Object* self, rt::SEL, std::string text)
{
    // Setting the text from code sends no text-changed event, as on the phone.
    if (auto* field = dynamic_cast<ResponseField*>(self))
        field->text = std::move(text);
}

std::string fieldText(rt::Object* self, rt::SEL)
{
    auto* field = dynamic_cast<ResponseField*>(self);
    return field ? field->text : std::string();
}

// What "%@" prints for the field: the same on every run (no address).
std::string fieldDescription(rt::Object* self, rt::SEL)
{
    auto* field = dynamic_cast<ResponseField*>(self);
    return std::string("<") + kResponseFieldClass + ": text = '" + (field ? field->text : std::string()) + "'>";
}

} // namespace

rt::Class* defineClass(const char* name, rt::Class::Factory factory)
{
    rt::Class* cls = rt::registerClass(name, nullptr, factory);
    // An existing class may carry another host's factory: this SpringBoard's wins.
    cls->setFactory(std::move(factory));
    return cls;
}

void registerUssdAlertClasses()
{
    rt::Class* field = defineClass(kResponseFieldClass, [] { return std::make_shared<ResponseField>(); });
    field->setMethod("setText:", rt::IMP::of(&fieldSetText));
    field->setMethod("text", rt::IMP::of(&fieldText));
    field->setMethod("description", rt::IMP::of(&fieldDescription));

    rt::Class* alert = defineClass(kAlertClass, [] { return std::make_shared<UssdAlert>(); });
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

rt::id makeUssdAlert(const std::shared_ptr<HostRecord>& record)
{
    rt::Class* cls = rt::objc_getClass(kAlertClass);
    rt::id instance = cls ? cls->createInstance() : nullptr;
    if (auto* alert = dynamic_cast<UssdAlert*>(instance.get()))
        alert->record = record;
    return instance;
}

} // namespace sim::springboard
