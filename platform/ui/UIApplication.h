// The shared application object of a process: opens addresses through the
// device, keeps the first responder and the keyboard, and the alerts on
// screen.
//
//   UIApplication app(settingsProcess);                       // host, for the process's life
//   UIApplication::sharedApplication().openURL("https://...");  // module code
//
// Each simulated process that shows views has one, made by its host (or a
// test) and registered for the object's lifetime; sharedApplication() answers
// the current process's, or a process-less fallback when none was made.
// The keyboard: when a text field becomes first responder the 216-point
// keyboard comes up and UIKeyboardWillShowNotification and
// UIKeyboardDidShowNotification are posted on the process's local centre
// (after the field's delegate heard textFieldDidBeginEditing:); when editing
// ends and no other field takes over, UIKeyboardWillHideNotification and
// UIKeyboardDidHideNotification follow (after textFieldDidEndEditing:).
// Single-threaded.
#pragma once

#include "platform/foundation/Geometry.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

class Process;
class UIAlertView;
class UIView;

// What the application needs of a view that can be first responder.
class UIFirstResponder {
public:
    virtual ~UIFirstResponder() = default;
    // Editing ends because another view takes over, or the field goes.
    virtual bool resignFirstResponder() = 0;
};

class UIApplication {
public:
    // Registers as the shared application of `process` until destroyed.
    explicit UIApplication(Process& process);
    ~UIApplication();
    UIApplication(const UIApplication&) = delete;
    UIApplication& operator=(const UIApplication&) = delete;

    static UIApplication& sharedApplication();

    // Hands the address to the device's opener; false when there is none.
    bool openURL(const std::string& url);

    // --- First responder and keyboard ---
    std::shared_ptr<UIView> firstResponder() const { return m_firstResponder.lock(); }
    bool isKeyboardVisible() const { return m_keyboardVisible; }
    // The keyboard on screen: the bottom 216 points of the screen, in the
    // coordinates of the window the host shows.
    static CGRect keyboardFrame();

    // Called by a view that becomes first responder, before it tells its
    // delegate: the former first responder resigns (the keyboard stays).
    void willBecomeFirstResponder(const std::shared_ptr<UIView>& view);
    // Called after its delegate heard of the start: the keyboard comes up.
    void didBecomeFirstResponder(const std::shared_ptr<UIView>& view);
    // Called by a view that resigns, after its delegate heard of the end: the
    // keyboard goes down unless another view is taking over.
    void didResignFirstResponder(const UIView* view);

    // --- Alerts ---
    // Bottom first; the last one is the one the user can tap.
    const std::vector<std::shared_ptr<UIAlertView>>& alerts() const { return m_alerts; }
    std::shared_ptr<UIAlertView> topAlert() const { return m_alerts.empty() ? nullptr : m_alerts.back(); }
    void presentAlert(const std::shared_ptr<UIAlertView>& alert);
    void removeAlert(const UIAlertView* alert);

private:
    UIApplication() = default;
    void postKeyboard(const std::string& name, const CGRect& begin, const CGRect& end);

    Process* m_process = nullptr;
    std::weak_ptr<UIView> m_firstResponder;
    bool m_keyboardVisible = false;
    bool m_handingOver = false;
    std::vector<std::shared_ptr<UIAlertView>> m_alerts;
};

} // namespace platform
