// A modal alert: a title, a message and a row of buttons. Shown on the
// process's shared application; the user's tap on a button tells the
// delegate the button's index, then the alert goes.
//
//   auto alert = std::make_shared<UIAlertView>("Notice", message, selfAs<UIAlertViewDelegate>(), "OK");
//   alert->show();
//   alert->tapButtonTitled("OK");     // delegate->alertViewClickedButtonAtIndex(*alert, 0)
//
// Buttons are indexed in order: the cancel button first, then the others.
// The delegate is held weakly and kept alive while it is told. Single-threaded.
#pragma once

#include "platform/ui/UIView.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

class UIAlertView;

class UIAlertViewDelegate {
public:
    virtual ~UIAlertViewDelegate() = default;
    // alertView:clickedButtonAtIndex:
    virtual void alertViewClickedButtonAtIndex(UIAlertView& alertView, int buttonIndex) = 0;
};

class UIAlertView : public UIView {
public:
    static constexpr double kWidth = 284;

    // initWithTitle:message:delegate:cancelButtonTitle:otherButtonTitles:
    UIAlertView(std::string title, std::string message, const std::shared_ptr<UIAlertViewDelegate>& delegate,
                std::string cancelButtonTitle, std::vector<std::string> otherButtonTitles = {});
    ~UIAlertView() override;

    static rt::Class* runtimeClass();

    const std::string& title() const { return m_title; }
    const std::string& message() const { return m_message; }
    std::shared_ptr<UIAlertViewDelegate> delegate() const { return m_delegate.lock(); }
    const std::vector<std::string>& buttonTitles() const { return m_buttons; }
    int cancelButtonIndex() const { return m_hasCancel ? 0 : -1; }
    // -1 when no button has that title.
    int buttonIndexForTitle(const std::string& title) const;

    // Puts the alert on screen (on top of any other) and sizes it.
    void show();
    bool isVisible() const { return m_visible; }
    // Tells the delegate, then takes the alert off screen.
    void dismissWithClickedButtonIndex(int buttonIndex, bool animated);
    // The user's tap on the button with that title; false when there is none.
    bool tapButtonTitled(const std::string& title);
    // The button under a point of the alert's own coordinates (as drawn), or -1.
    int buttonIndexAtPoint(CGPoint point) const;

    void drawRect(UIGraphicsContext& context, const CGRect& rect) override;

protected:
    std::string describeProperties() const override;

private:
    std::string m_title;
    std::string m_message;
    std::weak_ptr<UIAlertViewDelegate> m_delegate;
    std::vector<std::string> m_buttons;
    bool m_hasCancel = false;
    bool m_visible = false;
};

} // namespace platform
