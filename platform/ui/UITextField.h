// A one-line text entry: text or a placeholder, a border, a keyboard type,
// a clear button, and a delegate told when editing begins and ends.
//
//   auto field = std::make_shared<UITextField>(CGRectMake(10, 10, 300, 30));
//   field->setBorderStyle(UITextBorderStyleRoundedRect);
//   field->setDelegate(selfAs<UITextFieldDelegate>());
//   field->becomeFirstResponder();    // delegate hears the start, the keyboard comes up
//   field->insertText("*100#");       // the user types
//
// Becoming first responder goes through the process's shared application
// (UIApplication), which makes the former first responder resign and brings
// the keyboard up. The delegate is held weakly. Single-threaded.
#pragma once

#include "platform/ui/UIApplication.h"
#include "platform/ui/UIControl.h"
#include "platform/ui/UIFont.h"
#include "platform/ui/UIKeyboard.h"
#include "platform/ui/UILabel.h"

#include <memory>
#include <string>

namespace platform {

class UITextField;

class UITextFieldDelegate {
public:
    virtual ~UITextFieldDelegate() = default;
    virtual bool textFieldShouldBeginEditing(UITextField& field);
    virtual void textFieldDidBeginEditing(UITextField& field);
    virtual void textFieldDidEndEditing(UITextField& field);
};

using UITextBorderStyle = int;
inline constexpr UITextBorderStyle UITextBorderStyleNone = 0;
inline constexpr UITextBorderStyle UITextBorderStyleLine = 1;
inline constexpr UITextBorderStyle UITextBorderStyleBezel = 2;
inline constexpr UITextBorderStyle UITextBorderStyleRoundedRect = 3;

using UITextFieldViewMode = int;
inline constexpr UITextFieldViewMode UITextFieldViewModeNever = 0;
inline constexpr UITextFieldViewMode UITextFieldViewModeWhileEditing = 1;
inline constexpr UITextFieldViewMode UITextFieldViewModeUnlessEditing = 2;
inline constexpr UITextFieldViewMode UITextFieldViewModeAlways = 3;

using UIControlContentVerticalAlignment = int;
inline constexpr UIControlContentVerticalAlignment UIControlContentVerticalAlignmentCenter = 0;
inline constexpr UIControlContentVerticalAlignment UIControlContentVerticalAlignmentTop = 1;
inline constexpr UIControlContentVerticalAlignment UIControlContentVerticalAlignmentBottom = 2;

class UITextField : public UIControl, public UIFirstResponder {
public:
    explicit UITextField(const CGRect& frame = {});
    ~UITextField() override;

    static rt::Class* runtimeClass();

    const std::string& text() const { return m_text; }
    void setText(std::string text) { m_text = std::move(text); }
    const std::string& placeholder() const { return m_placeholder; }
    void setPlaceholder(std::string placeholder) { m_placeholder = std::move(placeholder); }
    UITextBorderStyle borderStyle() const { return m_borderStyle; }
    void setBorderStyle(UITextBorderStyle style) { m_borderStyle = style; }
    UIKeyboardType keyboardType() const { return m_keyboardType; }
    void setKeyboardType(UIKeyboardType type) { m_keyboardType = type; }
    UITextFieldViewMode clearButtonMode() const { return m_clearButtonMode; }
    void setClearButtonMode(UITextFieldViewMode mode) { m_clearButtonMode = mode; }
    NSTextAlignment textAlignment() const { return m_textAlignment; }
    void setTextAlignment(NSTextAlignment alignment) { m_textAlignment = alignment; }
    UIControlContentVerticalAlignment contentVerticalAlignment() const { return m_verticalAlignment; }
    void setContentVerticalAlignment(UIControlContentVerticalAlignment alignment) { m_verticalAlignment = alignment; }
    const UIColor& textColor() const { return m_textColor; }
    void setTextColor(const UIColor& color) { m_textColor = color; }
    const UIFont& font() const { return m_font; }
    void setFont(const UIFont& font) { m_font = font; }

    std::shared_ptr<UITextFieldDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<UITextFieldDelegate>& delegate) { m_delegate = delegate; }

    // Starts editing: false when the delegate refuses or the field is not on
    // a shared_ptr. Repeated calls while editing change nothing.
    bool becomeFirstResponder();
    bool resignFirstResponder() override;
    bool isFirstResponder() const { return m_editing; }
    bool isEditing() const { return m_editing; }

    // The user types at the end of the text (only while editing).
    bool insertText(const std::string& typed);
    // Whether the clear button shows now.
    bool showsClearButton() const;

    void drawRect(UIGraphicsContext& context, const CGRect& rect) override;

protected:
    std::string describeProperties() const override;

private:
    std::string m_text;
    std::string m_placeholder;
    UITextBorderStyle m_borderStyle = UITextBorderStyleNone;
    UIKeyboardType m_keyboardType = UIKeyboardTypeDefault;
    UITextFieldViewMode m_clearButtonMode = UITextFieldViewModeNever;
    NSTextAlignment m_textAlignment = NSTextAlignmentLeft;
    UIControlContentVerticalAlignment m_verticalAlignment = UIControlContentVerticalAlignmentCenter;
    UIColor m_textColor = UIColor::blackColor();
    UIFont m_font = UIFont::systemFontOfSize(17);
    std::weak_ptr<UITextFieldDelegate> m_delegate;
    bool m_editing = false;
};

} // namespace platform
