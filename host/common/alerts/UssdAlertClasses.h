// SBUSSDAlertDisplay and its response field as both hosts implement them: an
// alert that shows a carrier text, may take a typed reply (Reply opens the
// response bar; OK sends what the bar holds, if it is up, and closes) and is
// closed by OK or Cancel. Every step it takes on itself goes through
// rt::msgSend, so the modules' replacements see it.
//
// A host derives from UssdAlertState to hear how each alert ends, registers
// the classes with its factory and presents instances as its home screen
// does.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/runtime/Runtime.h"

#include <memory>
#include <string>

namespace host {

// The longest reply the response field takes, as on the phone.
inline constexpr int kUssdResponseLength = 182;

// The reply text field of a USSD alert ("setText:", "text").
class UssdResponseField final : public rt::Object {
public:
    std::string text;
};

class UssdAlertState : public rt::Object {
public:
    std::shared_ptr<Object> ivar(const std::string& name) const override
    {
        return name == "_responseField" ? responseField : nullptr;
    }
    std::string responseText() const;

    // OK with the response bar up: the alert is closed and `text` is its reply.
    virtual void answered(const std::string& text) { (void)text; }
    // OK without the response bar, or Cancel: the alert is closed unanswered.
    virtual void closedUnanswered() {}

    platform::CGRect frame;
    std::string alertText;     // as received
    std::string displayedText; // as shown
    bool centeredVertically = false;
    bool allowsResponse = false;
    bool waitsForChoice = false; // a menu: the carrier's session waits for its answer
    bool responding = false;     // the Reply button has opened the response bar
    bool visible = false;
    bool closed = false;
    int charsRemaining = 0;
    int viewNotifications = 0;
    rt::id responseField;
};

// Registers the class (or takes the existing one) with this factory and an
// empty superclass; its method table is then filled by the caller.
rt::Class* defineClass(const char* name, rt::Class::Factory factory);

// Registers SBUSSDAlertDisplay, whose instances `makeAlert` builds (objects
// derived from UssdAlertState), and SBUSSDAlertResponseField, with fresh
// implementations of every selector, replacing whatever the tables held.
void registerUssdAlertClasses(rt::Class::Factory makeAlert);

// A new SBUSSDAlertDisplay from the registered factory; nullptr when the
// class cannot build one.
rt::id newUssdAlert();

} // namespace host
