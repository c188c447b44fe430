#include "platform/ui/UIView.h"

#include "platform/ui/UIGestureRecognizer.h"
#include "platform/ui/UIGraphicsContext.h"

#include <algorithm>
#include <cstdio>

namespace platform {

namespace {

std::string formatNumber(double v)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", v);
    return buffer;
}

// One axis of an autoresizing step: the flexible parts (leading margin, length,
// trailing margin) share the change of the superview's length in proportion to
// their current sizes, or equally when those are all zero.
void resizeAxis(double& origin, double& length, double oldSuper, double newSuper, bool flexLeading, bool flexLength,
                bool flexTrailing)
{
    const double delta = newSuper - oldSuper;
    const int flexibleCount = int(flexLeading) + int(flexLength) + int(flexTrailing);
    if (delta == 0 || flexibleCount == 0)
        return;
    const double leading = origin;
    const double trailing = oldSuper - origin - length;
    double total = 0;
    if (flexLeading) total += leading;
    if (flexLength) total += length;
    if (flexTrailing) total += trailing;
    auto share = [&](double part) { return total > 0 ? delta * part / total : delta / flexibleCount; };
    const double leadingShare = flexLeading ? share(leading) : 0;
    const double lengthShare = flexLength ? share(length) : 0;
    origin += leadingShare;
    length += lengthShare;
}

} // namespace

UIView::UIView(const CGRect& frame) : UIView(frame, runtimeClass()) {}

UIView::UIView(const CGRect& frame, rt::Class* cls) : rt::Object(cls), m_frame(frame) {}

UIView::~UIView() = default;

rt::Class* UIView::runtimeClass()
{
    return rt::registerClass("UIView", nullptr, [] { return std::make_shared<UIView>(); });
}

void UIView::setFrame(const CGRect& frame)
{
    const CGSize oldSize = m_frame.size;
    m_frame = frame;
    if (!(oldSize == frame.size))
        sizeChanged(oldSize);
}

void UIView::setBounds(const CGRect& bounds)
{
    const CGPoint oldCenter = center();
    const CGSize oldSize = m_frame.size;
    m_boundsOrigin = bounds.origin;
    m_frame.size = bounds.size;
    setCenter(oldCenter);
    if (!(oldSize == bounds.size))
        sizeChanged(oldSize);
}

CGPoint UIView::center() const
{
    return CGPointMake(m_frame.origin.x + m_frame.size.width / 2, m_frame.origin.y + m_frame.size.height / 2);
}

void UIView::setCenter(CGPoint center)
{
    m_frame.origin = CGPointMake(center.x - m_frame.size.width / 2, center.y - m_frame.size.height / 2);
}

void UIView::sizeChanged(CGSize oldSize)
{
    resizeSubviewsWithOldSize(oldSize);
    setNeedsLayout();
}

void UIView::resizeSubviewsWithOldSize(CGSize oldSize)
{
    for (const auto& subview : m_subviews)
        subview->applyAutoresizing(oldSize, m_frame.size);
}

void UIView::applyAutoresizing(CGSize oldSuperSize, CGSize newSuperSize)
{
    if (m_autoresizingMask == UIViewAutoresizingNone)
        return;
    CGRect frame = m_frame;
    resizeAxis(frame.origin.x, frame.size.width, oldSuperSize.width, newSuperSize.width,
               m_autoresizingMask & UIViewAutoresizingFlexibleLeftMargin, m_autoresizingMask & UIViewAutoresizingFlexibleWidth,
               m_autoresizingMask & UIViewAutoresizingFlexibleRightMargin);
    resizeAxis(frame.origin.y, frame.size.height, oldSuperSize.height, newSuperSize.height,
               m_autoresizingMask & UIViewAutoresizingFlexibleTopMargin, m_autoresizingMask & UIViewAutoresizingFlexibleHeight,
               m_autoresizingMask & UIViewAutoresizingFlexibleBottomMargin);
    setFrame(frame);
}

// --- Hierarchy ---

void UIView::addSubview(const std::shared_ptr<UIView>& view) { insertSubviewAtIndex(view, m_subviews.size()); }

void UIView::insertSubviewAtIndex(const std::shared_ptr<UIView>& view, size_t index)
{
    if (!view || isDescendantOfView(view.get()))
        return;
    auto self = std::static_pointer_cast<UIView>(weak_from_this().lock());
    if (!self)
        return; // a view that no shared_ptr owns cannot be anyone's superview
    const bool sameSuperview = view->superview().get() == this;
    if (sameSuperview) {
        // Moving within the same superview: no removal hooks, only a new position.
        auto it = std::find(m_subviews.begin(), m_subviews.end(), view);
        const size_t from = static_cast<size_t>(it - m_subviews.begin());
        m_subviews.erase(it);
        if (index > from)
            --index;
        m_subviews.insert(m_subviews.begin() + static_cast<std::ptrdiff_t>(std::min(index, m_subviews.size())), view);
        return;
    }
    view->detachFromSuperview();
    m_subviews.insert(m_subviews.begin() + static_cast<std::ptrdiff_t>(std::min(index, m_subviews.size())), view);
    view->m_superview = self;
    view->didMoveToSuperview();
    didAddSubview(view.get());
}

void UIView::removeFromSuperview()
{
    // Keep this view alive while its superview lets go of it.
    auto keepAlive = std::static_pointer_cast<UIView>(weak_from_this().lock());
    if (!superview())
        return;
    detachFromSuperview();
    didMoveToSuperview();
}

void UIView::detachFromSuperview()
{
    auto parent = superview();
    if (!parent)
        return;
    parent->willRemoveSubview(this);
    auto& siblings = parent->m_subviews;
    siblings.erase(std::remove_if(siblings.begin(), siblings.end(), [&](const auto& v) { return v.get() == this; }),
                   siblings.end());
    m_superview.reset();
}

void UIView::sendSubviewToBack(const UIView* view)
{
    auto it = std::find_if(m_subviews.begin(), m_subviews.end(), [&](const auto& v) { return v.get() == view; });
    if (it == m_subviews.end())
        return;
    auto keep = *it;
    m_subviews.erase(it);
    m_subviews.insert(m_subviews.begin(), std::move(keep));
}

bool UIView::isDescendantOfView(const UIView* view) const
{
    if (!view)
        return false;
    for (const UIView* v = this; v;) {
        if (v == view)
            return true;
        auto parent = v->superview();
        v = parent.get();
    }
    return false;
}

std::shared_ptr<UIView> UIView::viewWithTag(int tag)
{
    if (m_tag == tag)
        return std::static_pointer_cast<UIView>(weak_from_this().lock());
    for (const auto& subview : m_subviews) {
        if (auto found = subview->viewWithTag(tag))
            return found;
    }
    return nullptr;
}

void UIView::didAddSubview(UIView*) {}
void UIView::willRemoveSubview(UIView*) {}
void UIView::didMoveToSuperview() {}

// --- Touches ---

void UIView::addGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>& recognizer)
{
    if (!recognizer)
        return;
    if (auto former = recognizer->view())
        former->removeGestureRecognizer(recognizer.get());
    m_gestureRecognizers.push_back(recognizer);
    recognizer->m_view = std::static_pointer_cast<UIView>(weak_from_this().lock());
}

void UIView::removeGestureRecognizer(const UIGestureRecognizer* recognizer)
{
    auto it = std::find_if(m_gestureRecognizers.begin(), m_gestureRecognizers.end(),
                           [&](const auto& r) { return r.get() == recognizer; });
    if (it == m_gestureRecognizers.end())
        return;
    (*it)->m_view.reset();
    m_gestureRecognizers.erase(it);
}

bool UIView::pointInside(CGPoint point) const { return bounds().containsPoint(point); }

std::shared_ptr<UIView> UIView::hitTest(CGPoint point)
{
    if (m_hidden || !m_userInteractionEnabled || !pointInside(point))
        return nullptr;
    for (auto it = m_subviews.rbegin(); it != m_subviews.rend(); ++it) {
        const UIView& subview = **it;
        const CGPoint inSubview = CGPointMake(point.x - subview.m_frame.origin.x + subview.m_boundsOrigin.x,
                                              point.y - subview.m_frame.origin.y + subview.m_boundsOrigin.y);
        if (auto hit = (*it)->hitTest(inSubview))
            return hit;
    }
    return std::static_pointer_cast<UIView>(weak_from_this().lock());
}

CGPoint UIView::offsetInRoot(const UIView** root) const
{
    CGPoint offset;
    const UIView* v = this;
    for (auto parent = v->superview(); parent; parent = v->superview()) {
        offset.x += v->m_frame.origin.x - v->m_boundsOrigin.x;
        offset.y += v->m_frame.origin.y - v->m_boundsOrigin.y;
        v = parent.get();
    }
    if (root)
        *root = v;
    return offset;
}

CGPoint UIView::convertPointToView(CGPoint point, const UIView* view) const
{
    const CGPoint mine = offsetInRoot(nullptr);
    const CGPoint theirs = view ? view->offsetInRoot(nullptr) : CGPoint{};
    return CGPointMake(point.x + mine.x - theirs.x, point.y + mine.y - theirs.y);
}

CGPoint UIView::convertPointFromView(CGPoint point, const UIView* view) const
{
    const CGPoint mine = offsetInRoot(nullptr);
    const CGPoint theirs = view ? view->offsetInRoot(nullptr) : CGPoint{};
    return CGPointMake(point.x + theirs.x - mine.x, point.y + theirs.y - mine.y);
}

CGRect UIView::convertRectFromView(const CGRect& rect, const UIView* view) const
{
    return CGRect{convertPointFromView(rect.origin, view), rect.size};
}

// --- Layout ---

void UIView::layoutSubviews() {}

void UIView::layoutIfNeeded()
{
    if (m_needsLayout) {
        m_needsLayout = false;
        layoutSubviews();
    }
    // Copy: a layout pass may add or remove subviews.
    const auto subviews = m_subviews;
    for (const auto& subview : subviews)
        subview->layoutIfNeeded();
}

// --- Drawing ---

void UIView::drawRect(UIGraphicsContext&, const CGRect&) {}

void UIView::drawHierarchy(UIGraphicsContext& context)
{
    if (m_hidden)
        return;
    const CGRect local = CGRectMake(0, 0, m_frame.size.width, m_frame.size.height);
    context.saveState();
    if (m_clipsToBounds)
        context.clipToRect(local);
    if (m_backgroundColor && !m_backgroundColor->isClear() && local.size.width > 0 && local.size.height > 0)
        context.fillRect(local, *m_backgroundColor);
    drawRect(context, local);
    context.translate(-m_boundsOrigin.x, -m_boundsOrigin.y);
    for (const auto& subview : m_subviews) {
        context.saveState();
        context.translate(subview->m_frame.origin.x, subview->m_frame.origin.y);
        subview->drawHierarchy(context);
        context.restoreState();
    }
    context.restoreState();
}

// --- Description ---

std::string UIView::className() const { return isa() ? isa()->name() : "UIView"; }

std::string UIView::describeProperties() const { return {}; }

std::string UIView::description() const
{
    std::string out = "<" + className() + " frame=(" + formatNumber(m_frame.origin.x) + " " + formatNumber(m_frame.origin.y) +
                      "; " + formatNumber(m_frame.size.width) + " " + formatNumber(m_frame.size.height) + ")";
    if (m_tag != 0)
        out += " tag=" + std::to_string(m_tag);
    if (m_backgroundColor)
        out += " background=" + m_backgroundColor->description();
    if (m_hidden)
        out += " hidden";
    if (!m_userInteractionEnabled)
        out += " userInteractionEnabled=NO";
    if (m_autoresizingMask != UIViewAutoresizingNone)
        out += " autoresize=" + std::to_string(m_autoresizingMask);
    if (!m_gestureRecognizers.empty())
        out += " gestureRecognizers=" + std::to_string(m_gestureRecognizers.size());
    return out + describeProperties() + ">";
}

} // namespace platform
