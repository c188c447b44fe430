// Controls: views that tell targets about the user's actions (a switch
// flipped, a text field edited) by sending them action selectors.
//
//   sw->addTarget(controller, "switchChanged:", UIControlEventValueChanged);
//   sw->setOnByUser(true);        // the finger: sends the action
//
// Targets are held weakly, as on the platform. An action is sent with the
// control as its one argument when the method takes one
// (void(Object*, SEL, Object*)), else with none. Single-threaded.
#pragma once

#include "platform/ui/UIView.h"

#include <string>
#include <vector>

namespace platform {

using UIControlEvents = unsigned;
inline constexpr UIControlEvents UIControlEventTouchUpInside = 1u << 6;
inline constexpr UIControlEvents UIControlEventValueChanged = 1u << 12;
inline constexpr UIControlEvents UIControlEventEditingDidBegin = 1u << 16;
inline constexpr UIControlEvents UIControlEventEditingChanged = 1u << 17;
inline constexpr UIControlEvents UIControlEventEditingDidEnd = 1u << 18;

// Sends `action` to `target` through the runtime. False when there is no
// target or its class answers no such selector.
bool sendAction(rt::Object* target, const std::string& action, rt::Object* sender);

class UIControl : public UIView {
public:
    ~UIControl() override;

    static rt::Class* runtimeClass();

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool on) { m_enabled = on; }

    void addTarget(const rt::id& target, const std::string& action, UIControlEvents events);
    // Sends the actions registered for any of the events; returns how many were sent.
    int sendActionsForControlEvents(UIControlEvents events);

protected:
    UIControl(const CGRect& frame, rt::Class* cls);

private:
    struct TargetAction {
        std::weak_ptr<rt::Object> target;
        std::string action;
        UIControlEvents events = 0;
    };
    std::vector<TargetAction> m_targets;
    bool m_enabled = true;
};

} // namespace platform
