#include "platform/ui/UITableViewCell.h"

#include "platform/foundation/Utf8.h"
#include "platform/ui/UIGraphicsContext.h"
#include "platform/ui/internal/Drawing.h"

#include <algorithm>

namespace platform {

namespace {

const UIColor kDetailColor = UIColor::colorWithRed(0.22, 0.33, 0.53, 1);
constexpr double kAccessoryWidth = 20;

} // namespace

UITableViewCell::UITableViewCell(UITableViewCellStyle style, std::string reuseIdentifier)
    : UIView(CGRectMake(0, 0, 320, 44), runtimeClass()), m_style(style), m_reuseIdentifier(std::move(reuseIdentifier))
{
    setBackgroundColor(UIColor::whiteColor());
}

UITableViewCell::~UITableViewCell() = default;

rt::Class* UITableViewCell::runtimeClass() { return rt::registerClass("UITableViewCell", UIView::runtimeClass()); }

std::shared_ptr<UILabel> UITableViewCell::textLabel()
{
    if (!m_textLabel) {
        m_textLabel = std::make_shared<UILabel>();
        m_textLabel->setFont(UIFont::boldSystemFontOfSize(17));
        m_textLabel->setBackgroundColor(std::nullopt);
        // A long label gives up a little size before it is cut.
        m_textLabel->setAdjustsFontSizeToFitWidth(true);
        m_textLabel->setMinimumScaleFactor(0.75);
        addSubview(m_textLabel);
        setNeedsLayout();
    }
    return m_textLabel;
}

std::shared_ptr<UILabel> UITableViewCell::detailTextLabel()
{
    if (m_style == UITableViewCellStyleDefault)
        return nullptr;
    if (!m_detailTextLabel) {
        m_detailTextLabel = std::make_shared<UILabel>();
        m_detailTextLabel->setFont(UIFont::systemFontOfSize(m_style == UITableViewCellStyleSubtitle ? 14 : 17));
        m_detailTextLabel->setTextColor(m_style == UITableViewCellStyleSubtitle ? UIColor::grayColor() : kDetailColor);
        if (m_style == UITableViewCellStyleValue1)
            m_detailTextLabel->setTextAlignment(NSTextAlignmentRight);
        m_detailTextLabel->setAdjustsFontSizeToFitWidth(true);
        m_detailTextLabel->setMinimumScaleFactor(0.75);
        addSubview(m_detailTextLabel);
        setNeedsLayout();
    }
    return m_detailTextLabel;
}

std::string UITableViewCell::text() const { return m_textLabel ? m_textLabel->text() : std::string(); }

std::string UITableViewCell::detailText() const { return m_detailTextLabel ? m_detailTextLabel->text() : std::string(); }

void UITableViewCell::setAccessoryView(std::shared_ptr<UIView> view)
{
    if (m_accessoryView)
        m_accessoryView->removeFromSuperview();
    m_accessoryView = std::move(view);
    if (m_accessoryView)
        addSubview(m_accessoryView);
    setNeedsLayout();
}

void UITableViewCell::layoutSubviews()
{
    const CGRect b = bounds();
    double right = b.size.width - 10;
    if (m_accessoryView) {
        const CGSize size = m_accessoryView->frame().size;
        m_accessoryView->setFrame(CGRectMake(right - size.width, (b.size.height - size.height) / 2, size.width, size.height));
        right -= size.width + 8;
    } else if (m_accessoryType != UITableViewCellAccessoryNone) {
        right -= kAccessoryWidth;
    }
    const double left = 10 + 10.0 * m_indentationLevel;
    const double width = std::max(0.0, right - left);
    if (m_style == UITableViewCellStyleSubtitle) {
        if (m_textLabel)
            m_textLabel->setFrame(CGRectMake(left, 2, width, 22));
        if (m_detailTextLabel)
            m_detailTextLabel->setFrame(CGRectMake(left, 24, width, 18));
        return;
    }
    // The detail text takes what it needs, at most 60% of the row; the main
    // text takes the rest. Without the host's measurer an average character
    // width stands in.
    double detailWidth = 0;
    if (m_detailTextLabel && !m_detailTextLabel->text().empty()) {
        const std::string& detail = m_detailTextLabel->text();
        const UIFont& font = m_detailTextLabel->font();
        const double needed = layoutTextMeasurer()
                                  ? layoutTextMeasurer()->widthOfText(detail, font)
                                  : 0.6 * font.pointSize() * static_cast<double>(utf8::characterCount(detail));
        detailWidth = std::min(width * 0.6, needed + 4);
    }
    if (m_textLabel) {
        m_textLabel->setTextAlignment(m_centersText ? NSTextAlignmentCenter : NSTextAlignmentLeft);
        m_textLabel->setFrame(CGRectMake(left, 0, std::max(0.0, width - detailWidth - (detailWidth > 0 ? 6 : 0)), b.size.height));
    }
    if (m_detailTextLabel)
        m_detailTextLabel->setFrame(CGRectMake(left + width - detailWidth, 0, detailWidth, b.size.height));
}

void UITableViewCell::drawRect(UIGraphicsContext& context, const CGRect& rect)
{
    context.fillRect(CGRectMake(rect.minX() + 10, rect.maxY() - 1, rect.size.width - 10, 1), UIColor::colorWithWhite(0.82, 1));
    if (m_accessoryView || m_accessoryType == UITableViewCellAccessoryNone)
        return;
    const CGRect sign = CGRectMake(rect.maxX() - 10 - kAccessoryWidth, 0, kAccessoryWidth, rect.size.height);
    if (m_accessoryType == UITableViewCellAccessoryCheckmark)
        internal::drawTextLine(context, "\u2713", sign, UIFont::boldSystemFontOfSize(18), kDetailColor, 1);
    else
        internal::drawTextLine(context, "\u203a", sign, UIFont::boldSystemFontOfSize(22), UIColor::grayColor(), 1);
}

std::string UITableViewCell::describeProperties() const
{
    std::string out = " text='" + text() + "'";
    if (m_detailTextLabel)
        out += " detail='" + detailText() + "'";
    if (!m_reuseIdentifier.empty())
        out += " reuse='" + m_reuseIdentifier + "'";
    return out;
}

} // namespace platform
