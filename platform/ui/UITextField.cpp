#include "platform/ui/UITextField.h"

#include "platform/ui/UIGraphicsContext.h"
#include "platform/ui/internal/Drawing.h"

namespace platform {

bool UITextFieldDelegate::textFieldShouldBeginEditing(UITextField&) { return true; }
void UITextFieldDelegate::textFieldDidBeginEditing(UITextField&) {}
void UITextFieldDelegate::textFieldDidEndEditing(UITextField&) {}

UITextField::UITextField(const CGRect& frame) : UIControl(frame, runtimeClass()) {}

UITextField::~UITextField() = default;

rt::Class* UITextField::runtimeClass() { return rt::registerClass("UITextField", UIControl::runtimeClass()); }

bool UITextField::becomeFirstResponder()
{
    if (m_editing)
        return true;
    auto self = std::static_pointer_cast<UIView>(weak_from_this().lock());
    if (!self)
        return false;
    auto delegate = m_delegate.lock();
    if (delegate && !delegate->textFieldShouldBeginEditing(*this))
        return false;
    UIApplication& app = UIApplication::sharedApplication();
    app.willBecomeFirstResponder(self);
    m_editing = true;
    if (delegate)
        delegate->textFieldDidBeginEditing(*this);
    sendActionsForControlEvents(UIControlEventEditingDidBegin);
    app.didBecomeFirstResponder(self);
    return true;
}

bool UITextField::resignFirstResponder()
{
    if (!m_editing)
        return true;
    auto keepAlive = weak_from_this().lock();
    m_editing = false;
    if (auto delegate = m_delegate.lock())
        delegate->textFieldDidEndEditing(*this);
    sendActionsForControlEvents(UIControlEventEditingDidEnd);
    UIApplication::sharedApplication().didResignFirstResponder(this);
    return true;
}

bool UITextField::insertText(const std::string& typed)
{
    if (!m_editing)
        return false;
    m_text += typed;
    sendActionsForControlEvents(UIControlEventEditingChanged);
    return true;
}

bool UITextField::showsClearButton() const
{
    if (m_text.empty())
        return false;
    switch (m_clearButtonMode) {
    case UITextFieldViewModeAlways: return true;
    case UITextFieldViewModeWhileEditing: return m_editing;
    case UITextFieldViewModeUnlessEditing: return !m_editing;
    default: return false;
    }
}

void UITextField::drawRect(UIGraphicsContext& context, const CGRect& rect)
{
    if (m_borderStyle == UITextBorderStyleRoundedRect) {
        context.fillRect(CGRectInset(rect, 1, 1), UIColor::whiteColor());
        internal::strokeRect(context, rect, UIColor::colorWithWhite(0.55, 1), 1);
    } else if (m_borderStyle == UITextBorderStyleLine || m_borderStyle == UITextBorderStyleBezel) {
        internal::strokeRect(context, rect, UIColor::darkGrayColor(), 1);
    }
    CGRect textArea = CGRectInset(rect, m_borderStyle == UITextBorderStyleNone ? 0 : 7, 0);
    if (showsClearButton()) {
        const CGRect button = CGRectMake(textArea.maxX() - 19, rect.minY() + (rect.size.height - 19) / 2, 19, 19);
        context.fillRect(button, UIColor::colorWithWhite(0.7, 1));
        internal::drawTextLine(context, "\u00d7", button, UIFont::boldSystemFontOfSize(14), UIColor::whiteColor(), 1);
        textArea.size.width -= 23;
    }
    const double lineHeight = context.lineHeight(m_font);
    if (m_verticalAlignment == UIControlContentVerticalAlignmentTop)
        textArea = CGRectMake(textArea.minX(), rect.minY() + 2, textArea.size.width, lineHeight);
    else if (m_verticalAlignment == UIControlContentVerticalAlignmentBottom)
        textArea = CGRectMake(textArea.minX(), rect.maxY() - lineHeight - 2, textArea.size.width, lineHeight);
    const bool showPlaceholder = m_text.empty();
    internal::drawTextLine(context, showPlaceholder ? m_placeholder : m_text, textArea, m_font,
                           showPlaceholder ? UIColor::colorWithWhite(0.7, 1) : m_textColor, m_textAlignment);
    if (m_editing) {
        // The caret after the text.
        const double width = showPlaceholder ? 0 : context.widthOfText(m_text, m_font);
        double x = textArea.minX() + width;
        if (m_textAlignment == NSTextAlignmentCenter)
            x = textArea.minX() + (textArea.size.width + width) / 2;
        else if (m_textAlignment == NSTextAlignmentRight)
            x = textArea.maxX();
        context.fillRect(CGRectMake(x + 1, textArea.minY() + (textArea.size.height - lineHeight) / 2, 2, lineHeight),
                         UIColor::colorWithRed(0.26, 0.42, 0.95, 1));
    }
}

std::string UITextField::describeProperties() const
{
    std::string out = " text='" + m_text + "' placeholder='" + m_placeholder + "'";
    if (m_borderStyle != UITextBorderStyleNone)
        out += " border=" + std::to_string(m_borderStyle);
    if (m_keyboardType != UIKeyboardTypeDefault)
        out += " keyboard=" + std::to_string(m_keyboardType);
    if (m_editing)
        out += " editing";
    return out;
}

} // namespace platform
