#include "platform/ui/internal/Drawing.h"

#include "platform/foundation/Utf8.h"
#include "platform/ui/UIGraphicsContext.h"

#include <algorithm>

namespace platform::internal {

void strokeRect(UIGraphicsContext& context, const CGRect& rect, const UIColor& color, double width)
{
    if (width <= 0 || rect.size.width <= 0 || rect.size.height <= 0)
        return;
    const double w = std::min({width, rect.size.width / 2, rect.size.height / 2});
    context.fillRect(CGRectMake(rect.minX(), rect.minY(), rect.size.width, w), color);
    context.fillRect(CGRectMake(rect.minX(), rect.maxY() - w, rect.size.width, w), color);
    context.fillRect(CGRectMake(rect.minX(), rect.minY() + w, w, rect.size.height - 2 * w), color);
    context.fillRect(CGRectMake(rect.maxX() - w, rect.minY() + w, w, rect.size.height - 2 * w), color);
}

double drawTextLine(UIGraphicsContext& context, const std::string& text, const CGRect& rect, const UIFont& font,
                    const UIColor& color, int alignment)
{
    if (text.empty() || rect.size.width <= 0)
        return 0;
    std::string line = text;
    static const std::string kEllipsis = "\u2026";
    if (context.widthOfText(line, font) > rect.size.width) {
        while (!line.empty() && context.widthOfText(line + kEllipsis, font) > rect.size.width)
            utf8::dropLastCharacter(line);
        line += kEllipsis;
    }
    const double width = context.widthOfText(line, font);
    double x = rect.minX();
    if (alignment == 1)
        x += (rect.size.width - width) / 2;
    else if (alignment == 2)
        x += rect.size.width - width;
    const double top = rect.minY() + (rect.size.height - context.lineHeight(font)) / 2;
    context.drawText(line, CGPointMake(x, top + context.ascent(font)), font, color);
    return width;
}

} // namespace platform::internal
