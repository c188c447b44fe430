#include "platform/ui/UIAlertView.h"

#include "platform/ui/UIApplication.h"
#include "platform/ui/UIGraphicsContext.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/internal/Drawing.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

const UIColor kBoxColor = UIColor::colorWithRed(0.09, 0.16, 0.35, 0.92);
const UIColor kEdgeColor = UIColor::colorWithWhite(0.85, 1);
const UIColor kButtonColor = UIColor::colorWithRed(0.30, 0.36, 0.52, 1);
constexpr double kMessageLineHeight = 19;
constexpr double kButtonHeight = 43;

// Enough lines for the message at about eight and a half points a character; the
// picture wraps it properly when drawn.
int estimatedMessageLines(const std::string& message)
{
    if (message.empty())
        return 0;
    return std::max(1, static_cast<int>(std::ceil(static_cast<double>(message.size()) * 8.5 / (UIAlertView::kWidth - 24))));
}

} // namespace

UIAlertView::UIAlertView(std::string title, std::string message, const std::shared_ptr<UIAlertViewDelegate>& delegate,
                         std::string cancelButtonTitle, std::vector<std::string> otherButtonTitles)
    : UIView(CGRect{}, runtimeClass()), m_title(std::move(title)), m_message(std::move(message)), m_delegate(delegate)
{
    if (!cancelButtonTitle.empty()) {
        m_buttons.push_back(std::move(cancelButtonTitle));
        m_hasCancel = true;
    }
    for (auto& other : otherButtonTitles)
        m_buttons.push_back(std::move(other));
}

UIAlertView::~UIAlertView() = default;

rt::Class* UIAlertView::runtimeClass() { return rt::registerClass("UIAlertView", UIView::runtimeClass()); }

int UIAlertView::buttonIndexForTitle(const std::string& title) const
{
    auto it = std::find(m_buttons.begin(), m_buttons.end(), title);
    return it == m_buttons.end() ? -1 : static_cast<int>(it - m_buttons.begin());
}

void UIAlertView::show()
{
    if (m_visible)
        return;
    const double height = 20 + 24 + estimatedMessageLines(m_message) * kMessageLineHeight + 16 + kButtonHeight + 14;
    setFrame(CGRectMake((UIScreen::width() - kWidth) / 2, std::floor((UIScreen::height() - height) / 2), kWidth, height));
    m_visible = true;
    UIApplication::sharedApplication().presentAlert(std::static_pointer_cast<UIAlertView>(shared_from_this()));
}

void UIAlertView::dismissWithClickedButtonIndex(int buttonIndex, bool)
{
    // The delegate may drop the last reference to this alert while it is told.
    auto keepAlive = shared_from_this();
    if (auto delegate = m_delegate.lock())
        delegate->alertViewClickedButtonAtIndex(*this, buttonIndex);
    m_visible = false;
    UIApplication::sharedApplication().removeAlert(this);
}

bool UIAlertView::tapButtonTitled(const std::string& title)
{
    const int index = buttonIndexForTitle(title);
    if (index < 0 || !m_visible)
        return false;
    dismissWithClickedButtonIndex(index, true);
    return true;
}

namespace {

// Where button `index` of `count` lies in an alert of that size; drawing and
// hit testing share it.
CGRect buttonBox(const CGSize& size, size_t index, size_t count)
{
    const double top = size.height - kButtonHeight - 14;
    const double gap = 8;
    const double width = (size.width - 24 - gap * static_cast<double>(count - 1)) / static_cast<double>(count);
    return CGRectMake(12 + static_cast<double>(index) * (width + gap), top, width, kButtonHeight);
}

} // namespace

int UIAlertView::buttonIndexAtPoint(CGPoint point) const
{
    for (size_t i = 0; i < m_buttons.size(); ++i)
        if (CGRectContainsPoint(buttonBox(frame().size, i, m_buttons.size()), point))
            return static_cast<int>(i);
    return -1;
}

void UIAlertView::drawRect(UIGraphicsContext& context, const CGRect& rect)
{
    context.fillRect(rect, kBoxColor);
    internal::strokeRect(context, rect, kEdgeColor, 2);
    double y = 18;
    internal::drawTextLine(context, m_title, CGRectMake(12, y, rect.size.width - 24, 24), UIFont::boldSystemFontOfSize(17),
                           UIColor::whiteColor(), 1);
    y += 26;
    if (!m_message.empty()) {
        // A label lays the message out (wrapping), drawn line by line from the top.
        UILabel label(CGRectMake(0, 0, rect.size.width - 24, 1000));
        label.setText(m_message);
        label.setNumberOfLines(0);
        label.setFont(UIFont::systemFontOfSize(15));
        const auto layout = label.layoutText(context);
        const double available = rect.size.height - y - kButtonHeight - 20;
        for (const std::string& line : layout.lines) {
            if (y + kMessageLineHeight > 44 + available + 1)
                break;
            internal::drawTextLine(context, line, CGRectMake(12, y, rect.size.width - 24, kMessageLineHeight), layout.font,
                                   UIColor::whiteColor(), 1);
            y += kMessageLineHeight;
        }
    }
    if (m_buttons.empty())
        return;
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        const CGRect box = buttonBox(rect.size, i, m_buttons.size());
        context.fillRect(box, kButtonColor);
        internal::strokeRect(context, box, kEdgeColor, 1);
        internal::drawTextLine(context, m_buttons[i], CGRectInset(box, 4, 0), UIFont::boldSystemFontOfSize(17),
                               UIColor::whiteColor(), 1);
    }
}

std::string UIAlertView::describeProperties() const
{
    std::string out = " title='" + m_title + "' message='" + m_message + "' buttons=";
    for (size_t i = 0; i < m_buttons.size(); ++i)
        out += (i ? "|" : "") + m_buttons[i];
    return out;
}

} // namespace platform
