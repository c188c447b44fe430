#include "platform/ui/UITableView.h"

#include "platform/ui/UIGraphicsContext.h"
#include "platform/ui/internal/Drawing.h"

#include <algorithm>

namespace platform {

namespace {

const UIColor kGroupedBackground = UIColor::colorWithRed(0.77, 0.80, 0.85, 1);
const UIColor kSeparator = UIColor::colorWithWhite(0.82, 1);
const UIColor kGroupText = UIColor::colorWithRed(0.30, 0.34, 0.42, 1);
constexpr double kGroupInset = 10;
constexpr double kGroupTextHeight = 30;
const std::string kNoText;

// How tall a header or footer text is: one line per 40 characters or so.
double textBlockHeight(const std::string& text)
{
    if (text.empty())
        return 0;
    return kGroupTextHeight + 18.0 * static_cast<double>(text.size() / 45);
}

std::shared_ptr<UILabel> groupLabel(const std::string& text, const CGRect& frame, bool centred)
{
    auto label = std::make_shared<UILabel>(frame);
    label->setText(text);
    label->setNumberOfLines(0);
    label->setFont(centred ? UIFont::systemFontOfSize(15) : UIFont::boldSystemFontOfSize(17));
    label->setTextColor(kGroupText);
    label->setTextAlignment(centred ? NSTextAlignmentCenter : NSTextAlignmentLeft);
    return label;
}

} // namespace

int UITableViewDataSource::numberOfSectionsInTableView(UITableView&) { return 1; }
std::string UITableViewDataSource::titleForHeaderInSection(UITableView&, int) { return {}; }
std::string UITableViewDataSource::titleForFooterInSection(UITableView&, int) { return {}; }
bool UITableViewDataSource::canEditRowAtIndexPath(UITableView&, const NSIndexPath&) { return false; }
bool UITableViewDataSource::canMoveRowAtIndexPath(UITableView&, const NSIndexPath&) { return false; }
void UITableViewDataSource::commitEditingStyle(UITableView&, UITableViewCellEditingStyle, const NSIndexPath&) {}

void UITableViewDelegate::didSelectRowAtIndexPath(UITableView&, const NSIndexPath&) {}
UITableViewCellEditingStyle UITableViewDelegate::editingStyleForRowAtIndexPath(UITableView&, const NSIndexPath&)
{
    return UITableViewCellEditingStyleDelete;
}
int UITableViewDelegate::indentationLevelForRowAtIndexPath(UITableView&, const NSIndexPath&) { return 0; }

UITableView::UITableView(const CGRect& frame, UITableViewStyle style)
    : UIScrollView(frame, runtimeClass()), m_style(style)
{
    setBackgroundColor(style == UITableViewStyleGrouped ? kGroupedBackground : UIColor::whiteColor());
}

UITableView::~UITableView() = default;

rt::Class* UITableView::runtimeClass() { return rt::registerClass("UITableView", UIScrollView::runtimeClass()); }

void UITableView::reloadData()
{
    m_reusePool.clear();
    for (auto& section : m_sections) {
        for (auto& cell : section.cells) {
            cell->removeFromSuperview();
            m_reusePool[cell->reuseIdentifier()].push_back(cell);
        }
    }
    m_sections.clear();
    auto source = dataSource();
    auto del = delegate();
    if (source) {
        const int sections = std::max(0, source->numberOfSectionsInTableView(*this));
        for (int s = 0; s < sections; ++s) {
            Section section;
            section.header = source->titleForHeaderInSection(*this, s);
            section.footer = source->titleForFooterInSection(*this, s);
            const int rows = std::max(0, source->numberOfRowsInSection(*this, s));
            for (int r = 0; r < rows; ++r) {
                const NSIndexPath path{s, r};
                auto cell = source->cellForRowAtIndexPath(*this, path);
                // A data source that gives no cell gets an empty row, as the
                // platform would rather than crash.
                if (!cell)
                    cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, std::string());
                if (del)
                    cell->setIndentationLevel(del->indentationLevelForRowAtIndexPath(*this, path));
                section.cells.push_back(cell);
            }
            m_sections.push_back(std::move(section));
        }
    }
    m_reusePool.clear();
    layOut();
}

std::shared_ptr<UITableViewCell> UITableView::dequeueReusableCellWithIdentifier(const std::string& identifier)
{
    auto it = m_reusePool.find(identifier);
    if (it == m_reusePool.end() || it->second.empty())
        return nullptr;
    auto cell = it->second.back();
    it->second.pop_back();
    return cell;
}

void UITableView::layOut()
{
    for (auto& decoration : m_decorations)
        decoration->removeFromSuperview();
    m_decorations.clear();
    const bool grouped = m_style == UITableViewStyleGrouped;
    const double width = frame().size.width;
    const double inset = grouped ? kGroupInset : 0;
    double y = grouped ? kGroupInset : 0;
    for (auto& section : m_sections) {
        section.headerTop = y;
        if (!section.header.empty()) {
            const double h = textBlockHeight(section.header);
            auto label = groupLabel(section.header, CGRectMake(inset + 10, y, width - 2 * inset - 20, h), false);
            addSubview(label);
            m_decorations.push_back(label);
            y += h;
        }
        for (auto& cell : section.cells) {
            cell->setFrame(CGRectMake(inset, y, width - 2 * inset, kRowHeight));
            cell->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
            addSubview(cell);
            cell->setNeedsLayout();
            y += kRowHeight;
        }
        section.footerTop = y;
        if (!section.footer.empty()) {
            const double h = textBlockHeight(section.footer);
            auto label = groupLabel(section.footer, CGRectMake(inset + 10, y + 4, width - 2 * inset - 20, h), true);
            addSubview(label);
            m_decorations.push_back(label);
            y += h + 4;
        }
        if (grouped)
            y += kGroupInset;
    }
    setContentSize(CGSizeMake(width, y));
}

int UITableView::numberOfRowsInSection(int section) const
{
    if (section < 0 || section >= numberOfSections())
        return 0;
    return static_cast<int>(m_sections[static_cast<size_t>(section)].cells.size());
}

std::shared_ptr<UITableViewCell> UITableView::cellForRowAtIndexPath(const NSIndexPath& indexPath) const
{
    if (indexPath.row < 0 || indexPath.row >= numberOfRowsInSection(indexPath.section))
        return nullptr;
    return m_sections[static_cast<size_t>(indexPath.section)].cells[static_cast<size_t>(indexPath.row)];
}

std::vector<NSIndexPath> UITableView::allIndexPaths() const
{
    std::vector<NSIndexPath> paths;
    for (int s = 0; s < numberOfSections(); ++s)
        for (int r = 0; r < numberOfRowsInSection(s); ++r)
            paths.push_back(NSIndexPath{s, r});
    return paths;
}

const std::string& UITableView::headerTitle(int section) const
{
    return section >= 0 && section < numberOfSections() ? m_sections[static_cast<size_t>(section)].header : kNoText;
}

const std::string& UITableView::footerTitle(int section) const
{
    return section >= 0 && section < numberOfSections() ? m_sections[static_cast<size_t>(section)].footer : kNoText;
}

bool UITableView::selectRowByUser(const NSIndexPath& indexPath)
{
    if (!cellForRowAtIndexPath(indexPath))
        return false;
    auto keepAlive = weak_from_this().lock();
    if (auto del = delegate())
        del->didSelectRowAtIndexPath(*this, indexPath);
    return true;
}

bool UITableView::deleteRowByUser(const NSIndexPath& indexPath)
{
    if (!cellForRowAtIndexPath(indexPath))
        return false;
    auto keepAlive = weak_from_this().lock();
    auto source = dataSource();
    if (!source || !source->canEditRowAtIndexPath(*this, indexPath))
        return false;
    auto del = delegate();
    const UITableViewCellEditingStyle style =
        del ? del->editingStyleForRowAtIndexPath(*this, indexPath) : UITableViewCellEditingStyleDelete;
    if (style != UITableViewCellEditingStyleDelete)
        return false;
    source->commitEditingStyle(*this, style, indexPath);
    return true;
}

void UITableView::drawRect(UIGraphicsContext& context, const CGRect& rect)
{
    const double offset = contentOffset().y;
    if (m_style == UITableViewStylePlain) {
        // Separators under every row, and under the empty rows that fill the rest.
        // The rows draw their own separators; the empty space below gets
        // the empty rows' lines.
        const double filled = contentSize().height;
        for (double y = filled + kRowHeight; y - offset <= rect.size.height; y += kRowHeight)
            context.fillRect(CGRectMake(0, y - offset - 1, rect.size.width, 1), kSeparator);
        return;
    }
    // Grouped: a border around each section's rows.
    for (const auto& section : m_sections) {
        if (section.cells.empty())
            continue;
        const double top = section.cells.front()->frame().minY() - offset;
        const double height = static_cast<double>(section.cells.size()) * kRowHeight;
        internal::strokeRect(context, CGRectMake(kGroupInset - 1, top - 1, rect.size.width - 2 * kGroupInset + 2, height + 2),
                             UIColor::colorWithWhite(0.67, 1), 1);
    }
}

std::string UITableView::describeProperties() const
{
    int rows = 0;
    for (const auto& section : m_sections)
        rows += static_cast<int>(section.cells.size());
    return std::string(m_style == UITableViewStyleGrouped ? " grouped" : " plain") + " sections=" +
           std::to_string(m_sections.size()) + " rows=" + std::to_string(rows);
}

} // namespace platform
