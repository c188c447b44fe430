// A scrolling, optionally editable block of text: several lines, wrapped at
// the view's width, drawn from the top with the platform's 8-point margins.
//
//   auto tv = std::make_shared<UITextView>(CGRectMake(10, 10, 300, 120));
//   tv->setEditable(false);
//   tv->setFont(UIFont::systemFontOfSize(13));
//   tv->layer().setBorderWidth(1.0);
//
// A new text view's font is the system font at 12 points. The simulated
// screens only show text views; nothing edits them. Single-threaded.
#pragma once

#include "platform/ui/CALayer.h"
#include "platform/ui/UIFont.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIScrollView.h"

#include <string>

namespace platform {

class UITextView : public UIScrollView {
public:
    explicit UITextView(const CGRect& frame = {});
    ~UITextView() override;

    static rt::Class* runtimeClass();
    static UIFont defaultFont() { return UIFont::systemFontOfSize(12); }

    const std::string& text() const { return m_text; }
    void setText(std::string text) { m_text = std::move(text); }
    const UIFont& font() const { return m_font; }
    void setFont(const UIFont& font) { m_font = font; }
    const UIColor& textColor() const { return m_textColor; }
    void setTextColor(const UIColor& color) { m_textColor = color; }
    NSTextAlignment textAlignment() const { return m_textAlignment; }
    void setTextAlignment(NSTextAlignment alignment) { m_textAlignment = alignment; }
    bool isEditable() const { return m_editable; }
    void setEditable(bool on) { m_editable = on; }

    CALayer& layer() { return m_layer; }
    const CALayer& layer() const { return m_layer; }


    // The lines as drawn at the current width (for pictures and tests).
    std::vector<std::string> wrappedLines(UITextMeasurer& measurer) const;

    void drawRect(UIGraphicsContext& context, const CGRect& rect) override;

protected:
    std::string describeProperties() const override;

private:
    std::string m_text;
    UIFont m_font = defaultFont();
    UIColor m_textColor = UIColor::blackColor();
    NSTextAlignment m_textAlignment = NSTextAlignmentLeft;
    bool m_editable = true;
    CALayer m_layer;
};

} // namespace platform
