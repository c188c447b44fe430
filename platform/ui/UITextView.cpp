#include "platform/ui/UITextView.h"

#include "platform/ui/UIGraphicsContext.h"
#include "platform/ui/internal/Drawing.h"

namespace platform {

namespace {

constexpr double kMargin = 8;

} // namespace

UITextView::UITextView(const CGRect& frame) : UIScrollView(frame, runtimeClass()) {}

UITextView::~UITextView() = default;

rt::Class* UITextView::runtimeClass() { return rt::registerClass("UITextView", UIScrollView::runtimeClass()); }

std::vector<std::string> UITextView::wrappedLines(UITextMeasurer& measurer) const
{
    // A label as tall as any text lays the paragraphs out at our width.
    UILabel label(CGRectMake(0, 0, frame().size.width - 2 * kMargin, 1e6));
    label.setText(m_text);
    label.setFont(m_font);
    label.setNumberOfLines(0);
    return label.layoutText(measurer).lines;
}

void UITextView::drawRect(UIGraphicsContext& context, const CGRect& rect)
{
    const double lineHeight = context.lineHeight(m_font);
    double top = kMargin - contentOffset().y;
    context.saveState();
    context.clipToRect(rect);
    for (const std::string& line : wrappedLines(context)) {
        if (top > rect.maxY())
            break;
        if (top + lineHeight >= rect.minY())
            internal::drawTextLine(context, line, CGRectMake(kMargin, top, rect.size.width - 2 * kMargin, lineHeight), m_font,
                                   m_textColor, m_textAlignment);
        top += lineHeight;
    }
    context.restoreState();
    internal::strokeRect(context, rect, m_layer.borderColor(), m_layer.borderWidth());
}

std::string UITextView::describeProperties() const
{
    std::string shown = m_text.size() > 40 ? m_text.substr(0, 40) + "..." : m_text;
    for (char& c : shown)
        if (c == '\r' || c == '\n')
            c = ' ';
    std::string out = " text='" + shown + "' font=" + m_font.description();
    if (!m_editable)
        out += " readonly";
    if (m_layer.borderWidth() > 0)
        out += " border=" + m_layer.borderColor().description();
    return out;
}

} // namespace platform
