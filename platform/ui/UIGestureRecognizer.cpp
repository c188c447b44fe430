#include "platform/ui/UIGestureRecognizer.h"

#include "platform/foundation/Log.h"
#include "platform/ui/UIView.h"

#include <algorithm>

namespace platform {

UIGestureRecognizer::UIGestureRecognizer(const rt::id& target, const std::string& action, rt::Class* cls)
    : rt::Object(cls)
{
    addTarget(target, action);
}

UIGestureRecognizer::~UIGestureRecognizer() = default;

rt::Class* UIGestureRecognizer::runtimeClass()
{
    return rt::registerClass("UIGestureRecognizer");
}

void UIGestureRecognizer::addTarget(const rt::id& target, const std::string& action)
{
    if (!target || action.empty())
        return;
    m_targets.push_back({target, action});
}

bool UIGestureRecognizer::recognizesTap(int) const { return false; }

int UIGestureRecognizer::recognize()
{
    m_state = UIGestureRecognizerState::recognized;
    // Keep ourselves and the targets alive while actions run: an action may
    // remove this recogniser from its view.
    auto keepAlive = weak_from_this().lock();
    const auto targets = m_targets;
    int sent = 0;
    for (const TargetAction& entry : targets) {
        rt::id target = entry.target.lock();
        if (!target || !target->isa())
            continue;
        const rt::SEL sel = entry.action.c_str();
        const rt::IMP imp = target->isa()->lookup(sel);
        if (imp.accepts<void, rt::Object*>()) {
            rt::msgSend<void, rt::Object*>(target.get(), sel, this);
            ++sent;
        } else if (imp.accepts<void>()) {
            rt::msgSend<void>(target.get(), sel);
            ++sent;
        } else {
            QLog("UIGestureRecognizer: %@ does not answer the action %@", target->isa()->name(), entry.action);
        }
    }
    m_state = UIGestureRecognizerState::possible;
    return sent;
}

UITapGestureRecognizer::UITapGestureRecognizer(const rt::id& target, const std::string& action)
    : UIGestureRecognizer(target, action, runtimeClass())
{
}

rt::Class* UITapGestureRecognizer::runtimeClass()
{
    return rt::registerClass("UITapGestureRecognizer", UIGestureRecognizer::runtimeClass());
}

bool UITapGestureRecognizer::recognizesTap(int tapCount) const
{
    return tapCount == m_numberOfTapsRequired;
}

std::shared_ptr<UIGestureRecognizer> deliverTap(const std::shared_ptr<UIView>& root, CGPoint point, int tapCount)
{
    if (!root)
        return nullptr;
    const std::shared_ptr<UIView> hit = root->hitTest(point);
    for (std::shared_ptr<UIView> view = hit; view; view = view->superview()) {
        const auto recognizers = view->gestureRecognizers();
        for (const auto& recognizer : recognizers) {
            if (recognizer->isEnabled() && recognizer->recognizesTap(tapCount)) {
                recognizer->recognize();
                return recognizer;
            }
        }
        if (view == root)
            break;
    }
    return nullptr;
}

std::shared_ptr<UIGestureRecognizer> tapView(const std::shared_ptr<UIView>& view, int tapCount)
{
    if (!view)
        return nullptr;
    std::shared_ptr<UIView> root = view;
    while (auto parent = root->superview())
        root = parent;
    const CGRect bounds = view->bounds();
    const CGPoint middle = CGPointMake(bounds.origin.x + bounds.size.width / 2, bounds.origin.y + bounds.size.height / 2);
    // The root's own coordinates are its bounds, so its frame origin plays no part.
    return deliverTap(root, view->convertPointToView(middle, nullptr), tapCount);
}

} // namespace platform
