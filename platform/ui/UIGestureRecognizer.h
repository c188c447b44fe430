// Gesture recognisers: attached to a view, they turn touches on it into
// target-action messages sent through the runtime.
//
//   auto tap = std::make_shared<UITapGestureRecognizer>(controller, "refreshLabelTapped");
//   label->addGestureRecognizer(tap);
//   label->setUserInteractionEnabled(true);      // labels take no touches by default
//   deliverTap(root, CGPointMake(150, 55));      // the host's finger
//
// Targets are held weakly, as on the platform: a target that has gone away is
// skipped. An action is a selector answered by the target's class; it is sent
// with the recogniser as its one argument when the method takes one
// (void(Object*, SEL, Object*)), else with none. Single-threaded.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/runtime/Runtime.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

class UIView;

enum class UIGestureRecognizerState { possible, began, changed, ended, cancelled, failed, recognized = ended };

class UIGestureRecognizer : public rt::Object {
public:
    ~UIGestureRecognizer() override;

    static rt::Class* runtimeClass();

    void addTarget(const rt::id& target, const std::string& action);

    // The view it is attached to, or nullptr.
    std::shared_ptr<UIView> view() const { return m_view.lock(); }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool on) { m_enabled = on; }
    UIGestureRecognizerState state() const { return m_state; }

    // Whether a one-finger tap of `tapCount` taps is this recogniser's gesture.
    virtual bool recognizesTap(int tapCount) const;
    // Sets the state to recognised and sends every live target its action.
    // Returns the number of messages sent.
    int recognize();

protected:
    UIGestureRecognizer(const rt::id& target, const std::string& action, rt::Class* cls);

private:
    friend class UIView;
    struct TargetAction {
        std::weak_ptr<rt::Object> target;
        std::string action;
    };
    std::vector<TargetAction> m_targets;
    std::weak_ptr<UIView> m_view;
    bool m_enabled = true;
    UIGestureRecognizerState m_state = UIGestureRecognizerState::possible;
};

class UITapGestureRecognizer : public UIGestureRecognizer {
public:
    UITapGestureRecognizer(const rt::id& target, const std::string& action);

    static rt::Class* runtimeClass();

    int numberOfTapsRequired() const { return m_numberOfTapsRequired; }
    void setNumberOfTapsRequired(int taps) { m_numberOfTapsRequired = taps; }

    bool recognizesTap(int tapCount) const override;

private:
    int m_numberOfTapsRequired = 1;
};

// Delivers a tap at a point of `root` (in its coordinates), as a finger would:
// the hit-tested view (visible, interaction enabled along its whole chain of
// superviews) and then its superviews are offered the tap, and the first
// enabled recogniser whose gesture it is, the deepest first, recognises it.
// Returns that recogniser, or nullptr when the tap reached none.
std::shared_ptr<UIGestureRecognizer> deliverTap(const std::shared_ptr<UIView>& root, CGPoint point, int tapCount = 1);

// Taps the middle of `view`, delivered from the topmost view of its tree (so a
// view covering it, or interaction turned off on it or a superview, stops the tap).
std::shared_ptr<UIGestureRecognizer> tapView(const std::shared_ptr<UIView>& view, int tapCount = 1);

} // namespace platform
