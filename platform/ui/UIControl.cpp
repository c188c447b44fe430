#include "platform/ui/UIControl.h"

namespace platform {

bool sendAction(rt::Object* target, const std::string& action, rt::Object* sender)
{
    if (!target || !target->isa() || action.empty())
        return false;
    const rt::SEL sel = action.c_str();
    const rt::IMP imp = target->isa()->lookup(sel);
    if (!imp)
        return false;
    if (imp.accepts<void, rt::Object*>())
        imp.call<void, rt::Object*>(target, sel, sender);
    else
        imp.call<void>(target, sel);
    return true;
}

UIControl::UIControl(const CGRect& frame, rt::Class* cls) : UIView(frame, cls) {}

UIControl::~UIControl() = default;

rt::Class* UIControl::runtimeClass() { return rt::registerClass("UIControl", UIView::runtimeClass()); }

void UIControl::addTarget(const rt::id& target, const std::string& action, UIControlEvents events)
{
    if (!target || action.empty() || events == 0)
        return;
    m_targets.push_back({target, action, events});
}

int UIControl::sendActionsForControlEvents(UIControlEvents events)
{
    // An action may release this control (a screen rebuilt): keep it and the targets alive.
    auto keepAlive = weak_from_this().lock();
    const auto targets = m_targets;
    int sent = 0;
    for (const TargetAction& entry : targets) {
        if (!(entry.events & events))
            continue;
        rt::id target = entry.target.lock();
        if (sendAction(target.get(), entry.action, this))
            ++sent;
    }
    return sent;
}

} // namespace platform
