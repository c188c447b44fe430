#include "platform/ui/UINavigationBar.h"

#include "platform/ui/UIGraphicsContext.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/internal/Drawing.h"

#include <algorithm>

namespace platform {

namespace {

const UIColor kBarColor = UIColor::colorWithRed(0.43, 0.52, 0.64, 1);
const UIColor kBarEdge = UIColor::colorWithRed(0.18, 0.25, 0.35, 1);
const UIColor kButtonColor = UIColor::colorWithRed(0.30, 0.40, 0.53, 1);
const UIColor kDisabledText = UIColor::colorWithWhite(0.75, 1);

void drawButton(UIGraphicsContext& context, const std::string& text, double x, double width, bool enabled, bool arrow)
{
    const CGRect box = CGRectMake(x, 7, width, 30);
    context.fillRect(box, kButtonColor);
    internal::strokeRect(context, box, kBarEdge, 1);
    if (arrow)
        internal::drawTextLine(context, "\u2039", CGRectMake(x - 9, 7, 9, 30), UIFont::boldSystemFontOfSize(16), kBarEdge, 1);
    internal::drawTextLine(context, text, CGRectInset(box, 5, 0), UIFont::boldSystemFontOfSize(12),
                           enabled ? UIColor::whiteColor() : kDisabledText, 1);
}

double buttonWidth(UITextMeasurer& context, const std::string& text)
{
    return std::min(100.0, context.widthOfText(text, UIFont::boldSystemFontOfSize(12)) + 16);
}

} // namespace

UINavigationBar::UINavigationBar(const CGRect& frame) : UIView(frame, runtimeClass()) {}

UINavigationBar::~UINavigationBar() = default;

rt::Class* UINavigationBar::runtimeClass() { return rt::registerClass("UINavigationBar", UIView::runtimeClass()); }

std::string UINavigationBar::title() const
{
    auto nav = m_controller.lock();
    auto top = nav ? nav->topViewController() : nullptr;
    return top ? top->navigationItem().title() : std::string();
}

std::string UINavigationBar::backButtonTitle() const
{
    auto nav = m_controller.lock();
    if (!nav)
        return {};
    const auto stack = nav->viewControllers();
    if (stack.size() < 2)
        return {};
    const std::string& below = stack[stack.size() - 2]->navigationItem().title();
    return below.empty() ? "Back" : below;
}

std::shared_ptr<UIBarButtonItem> UINavigationBar::rightItem() const
{
    auto nav = m_controller.lock();
    auto top = nav ? nav->topViewController() : nullptr;
    return top ? top->navigationItem().rightBarButtonItem() : nullptr;
}

std::shared_ptr<UIBarButtonItem> UINavigationBar::leftItem() const
{
    auto nav = m_controller.lock();
    auto top = nav ? nav->topViewController() : nullptr;
    return top ? top->navigationItem().leftBarButtonItem() : nullptr;
}

void UINavigationBar::drawRect(UIGraphicsContext& context, const CGRect& rect)
{
    context.fillRect(rect, kBarColor);
    context.fillRect(CGRectMake(rect.minX(), rect.minY(), rect.size.width, rect.size.height / 2),
                     UIColor::colorWithRed(0.53, 0.61, 0.72, 1));
    context.fillRect(CGRectMake(rect.minX(), rect.maxY() - 1, rect.size.width, 1), kBarEdge);

    double leftEdge = 5;
    double rightEdge = rect.size.width - 5;
    if (auto left = leftItem()) {
        const double w = buttonWidth(context, left->displayText());
        drawButton(context, left->displayText(), leftEdge, w, left->isEnabled(), false);
        leftEdge += w + 5;
    } else if (const std::string back = backButtonTitle(); !back.empty()) {
        const double w = buttonWidth(context, back);
        drawButton(context, back, leftEdge + 8, w, true, true);
        leftEdge += w + 13;
    }
    if (auto right = rightItem()) {
        const std::string text = right->displayText();
        const double w = text == "+" ? 34 : buttonWidth(context, text);
        drawButton(context, text, rightEdge - w, w, right->isEnabled(), false);
        rightEdge -= w + 5;
    }
    // The title is centred on the bar when it fits between the buttons, and
    // centred between them otherwise.
    const UIFont titleFont = UIFont::boldSystemFontOfSize(18);
    const double half = std::min(rect.size.width / 2 - leftEdge, rightEdge - rect.size.width / 2);
    CGRect titleBox = CGRectMake(leftEdge, 0, std::max(0.0, rightEdge - leftEdge), rect.size.height);
    if (half > 0 && context.widthOfText(title(), titleFont) <= 2 * half)
        titleBox = CGRectMake(rect.size.width / 2 - half, 0, 2 * half, rect.size.height);
    internal::drawTextLine(context, title(), titleBox, titleFont, UIColor::whiteColor(), 1);
}

UINavigationBar::BarButton UINavigationBar::buttonAtPoint(CGPoint point, UITextMeasurer& measurer) const
{
    // The same boxes drawRect draws: 30 points tall, 7 points down.
    if (point.y < 7 || point.y >= 37)
        return BarButton::none;
    const double width = frame().size.width;
    if (auto left = leftItem()) {
        if (point.x >= 5 && point.x < 5 + buttonWidth(measurer, left->displayText()))
            return BarButton::left;
    } else if (const std::string back = backButtonTitle(); !back.empty()) {
        // The arrow before the box belongs to the button too.
        if (point.x >= 4 && point.x < 13 + buttonWidth(measurer, back))
            return BarButton::back;
    }
    if (auto right = rightItem()) {
        const std::string text = right->displayText();
        const double w = text == "+" ? 34 : buttonWidth(measurer, text);
        if (point.x >= width - 5 - w && point.x < width - 5)
            return BarButton::right;
    }
    return BarButton::none;
}

std::string UINavigationBar::describeProperties() const
{
    std::string out = " title='" + title() + "'";
    if (const std::string back = backButtonTitle(); !back.empty())
        out += " back='" + back + "'";
    if (auto right = rightItem())
        out += " right='" + right->displayText() + "'" + (right->isEnabled() ? "" : " (disabled)");
    return out;
}

} // namespace platform
