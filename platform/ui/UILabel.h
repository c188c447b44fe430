// A label: text drawn in one font and colour, aligned in its bounds, optionally
// on several lines, optionally shrinking its font to fit its width.
//
//   auto title = std::make_shared<UILabel>(CGRectMake(10, 5, 143, 20));
//   title->setFont(UIFont::systemFontOfSize(15));
//   title->setAdjustsFontSizeToFitWidth(true);
//   title->setTextAlignment(NSTextAlignmentCenter);
//
// Labels take no touches unless user interaction is turned on. Text is UTF-8.
// The lines actually drawn, and the font size after shrinking, depend on text
// metrics and so are computed against a UITextMeasurer (layoutText).
#pragma once

#include "platform/ui/UIColor.h"
#include "platform/ui/UIFont.h"
#include "platform/ui/UIView.h"

#include <string>
#include <vector>

namespace platform {

class UITextMeasurer;

// Text alignment, with the platform's values.
using NSTextAlignment = int;
inline constexpr NSTextAlignment NSTextAlignmentLeft = 0;
inline constexpr NSTextAlignment NSTextAlignmentCenter = 1;
inline constexpr NSTextAlignment NSTextAlignmentRight = 2;

class UILabel : public UIView {
public:
    explicit UILabel(const CGRect& frame = {});
    ~UILabel() override;

    static rt::Class* runtimeClass();
    // The font a new label has: the system font at 17 points.
    static UIFont defaultFont() { return UIFont::systemFontOfSize(17); }
    // Shrinking never goes below this size, whatever the scale factor says.
    static constexpr double kSmallestFontSize = 4.0;

    const std::string& text() const { return m_text; }
    void setText(std::string text) { m_text = std::move(text); }
    const UIColor& textColor() const { return m_textColor; }
    void setTextColor(const UIColor& color) { m_textColor = color; }
    const UIFont& font() const { return m_font; }
    void setFont(const UIFont& font) { m_font = font; }
    NSTextAlignment textAlignment() const { return m_textAlignment; }
    void setTextAlignment(NSTextAlignment alignment) { m_textAlignment = alignment; }
    // 0 means as many lines as the text needs.
    int numberOfLines() const { return m_numberOfLines; }
    void setNumberOfLines(int lines) { m_numberOfLines = lines; }

    // On a one-line label, a text too wide for the bounds is drawn in a smaller
    // font, down to pointSize * minimumScaleFactor (a factor of 0 allows any
    // size down to kSmallestFontSize; a factor of 1 or more allows no
    // shrinking). What still does not fit is cut with an ellipsis.
    bool adjustsFontSizeToFitWidth() const { return m_adjustsFontSizeToFitWidth; }
    void setAdjustsFontSizeToFitWidth(bool on) { m_adjustsFontSizeToFitWidth = on; }
    double minimumScaleFactor() const { return m_minimumScaleFactor; }
    void setMinimumScaleFactor(double factor) { m_minimumScaleFactor = factor; }

    struct TextLayout {
        UIFont font;                    // the font after shrinking
        std::vector<std::string> lines; // what is drawn, after wrapping and truncation
    };
    // How the text fits the current bounds.
    TextLayout layoutText(UITextMeasurer& measurer) const;

    void drawRect(UIGraphicsContext& context, const CGRect& rect) override;

protected:
    std::string describeProperties() const override;

private:
    std::string m_text;
    UIColor m_textColor = UIColor::blackColor();
    UIFont m_font = defaultFont();
    NSTextAlignment m_textAlignment = NSTextAlignmentLeft;
    int m_numberOfLines = 1;
    bool m_adjustsFontSizeToFitWidth = false;
    double m_minimumScaleFactor = 0;
};

} // namespace platform
