#include "platform/ui/UILabel.h"

#include "platform/foundation/Utf8.h"
#include "platform/ui/UIGraphicsContext.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

const std::string kEllipsis = "\u2026";

std::string truncatedToFit(std::string text, double width, const UIFont& font, UITextMeasurer& measurer)
{
    if (measurer.widthOfText(text, font) <= width)
        return text;
    while (!text.empty()) {
        utf8::dropLastCharacter(text);
        // Trailing spaces before the ellipsis only waste room.
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        if (measurer.widthOfText(text + kEllipsis, font) <= width)
            return text + kEllipsis;
    }
    return {};
}

std::vector<std::string> splitParagraphs(const std::string& text)
{
    std::vector<std::string> paragraphs(1);
    for (char c : text) {
        if (c == '\n')
            paragraphs.emplace_back();
        else if (c != '\r')
            paragraphs.back() += c;
    }
    return paragraphs;
}

// Greedy word wrap; a word wider than the line is put on a line of its own.
std::vector<std::string> wrapParagraph(const std::string& paragraph, double width, const UIFont& font,
                                       UITextMeasurer& measurer)
{
    std::vector<std::string> lines;
    std::string line;
    size_t pos = 0;
    while (pos <= paragraph.size()) {
        size_t next = paragraph.find(' ', pos);
        if (next == std::string::npos)
            next = paragraph.size();
        const std::string word = paragraph.substr(pos, next - pos);
        const std::string candidate = line.empty() ? word : line + " " + word;
        if (!line.empty() && measurer.widthOfText(candidate, font) > width) {
            lines.push_back(line);
            line = word;
        } else {
            line = candidate;
        }
        pos = next + 1;
    }
    lines.push_back(line);
    return lines;
}

} // namespace

UILabel::UILabel(const CGRect& frame) : UIView(frame, runtimeClass())
{
    setUserInteractionEnabled(false);
}

UILabel::~UILabel() = default;

rt::Class* UILabel::runtimeClass()
{
    return rt::registerClass("UILabel", UIView::runtimeClass(), [] { return std::make_shared<UILabel>(); });
}

UILabel::TextLayout UILabel::layoutText(UITextMeasurer& measurer) const
{
    TextLayout layout{m_font, {}};
    if (m_text.empty())
        return layout;
    const double width = bounds().size.width;

    if (m_numberOfLines == 1) {
        std::string line = m_text;
        std::replace(line.begin(), line.end(), '\n', ' ');
        double textWidth = measurer.widthOfText(line, m_font);
        if (m_adjustsFontSizeToFitWidth && textWidth > width && width > 0) {
            const double factor = m_minimumScaleFactor > 0 ? std::min(m_minimumScaleFactor, 1.0) : 0.0;
            const double smallest = std::min(m_font.pointSize(), std::max(kSmallestFontSize, m_font.pointSize() * factor));
            // Start from the proportional guess, then step down until it fits,
            // since text width is not exactly linear in size (hinting, rounding).
            double size = std::max(smallest, std::floor(m_font.pointSize() * width / textWidth * 2) / 2);
            while (size > smallest && measurer.widthOfText(line, m_font.fontWithSize(size)) > width)
                size = std::max(smallest, size - 0.5);
            layout.font = m_font.fontWithSize(size);
            textWidth = measurer.widthOfText(line, layout.font);
        }
        layout.lines.push_back(textWidth > width ? truncatedToFit(line, width, layout.font, measurer) : line);
        return layout;
    }

    for (const std::string& paragraph : splitParagraphs(m_text)) {
        for (std::string& line : wrapParagraph(paragraph, width, m_font, measurer))
            layout.lines.push_back(std::move(line));
    }
    // Lines that do not fit the count, or the height when the count is open, are dropped;
    // the last one kept shows that with an ellipsis.
    size_t limit = m_numberOfLines > 0 ? static_cast<size_t>(m_numberOfLines) : layout.lines.size();
    const double lineHeight = measurer.lineHeight(m_font);
    if (lineHeight > 0)
        limit = std::min(limit, std::max<size_t>(1, static_cast<size_t>(bounds().size.height / lineHeight)));
    if (layout.lines.size() > limit) {
        layout.lines.resize(limit);
        std::string& last = layout.lines.back();
        last = truncatedToFit(last + kEllipsis, width, m_font, measurer);
    }
    for (std::string& line : layout.lines)
        line = truncatedToFit(line, width, m_font, measurer);
    return layout;
}

void UILabel::drawRect(UIGraphicsContext& context, const CGRect& rect)
{
    if (m_text.empty() || m_textColor.isClear() || rect.size.width <= 0 || rect.size.height <= 0)
        return;
    const TextLayout layout = layoutText(context);
    const double lineHeight = context.lineHeight(layout.font);
    const double ascent = context.ascent(layout.font);
    // Labels centre their lines vertically.
    double top = rect.origin.y + (rect.size.height - lineHeight * static_cast<double>(layout.lines.size())) / 2;
    for (const std::string& line : layout.lines) {
        const double lineWidth = context.widthOfText(line, layout.font);
        double x = rect.origin.x;
        if (m_textAlignment == NSTextAlignmentCenter)
            x += (rect.size.width - lineWidth) / 2;
        else if (m_textAlignment == NSTextAlignmentRight)
            x += rect.size.width - lineWidth;
        context.drawText(line, CGPointMake(x, top + ascent), layout.font, m_textColor);
        top += lineHeight;
    }
}

std::string UILabel::describeProperties() const
{
    std::string out = " text='" + m_text + "' font=" + m_font.description() + " color=" + m_textColor.description();
    if (m_textAlignment != NSTextAlignmentLeft)
        out += " align=" + std::to_string(m_textAlignment);
    if (m_numberOfLines != 1)
        out += " lines=" + std::to_string(m_numberOfLines);
    if (m_adjustsFontSizeToFitWidth)
        out += " shrinks";
    return out;
}

} // namespace platform
