// The platform's view: a rectangle in its superview with subviews in order,
// a tag to find it by, a background colour and touch handling.
//
//   auto root = std::make_shared<UIView>(CGRectMake(0, 0, 316, 65));
//   root->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
//   root->addSubview(label);                   // label->superview() == root
//   auto found = root->viewWithTag(500);       // depth-first, the view itself first
//
// Views are runtime objects (rt::Object, class "UIView" and subclasses), held by
// std::shared_ptr: a view owns its subviews and gesture recognisers, and knows
// its superview weakly, so a tree lives exactly as long as someone holds its
// root. A view must be owned by a shared_ptr before it gets subviews.
// Subclasses (labels, image views, and the Settings screens' tables and text
// fields) override drawRect, layoutSubviews, hitTest and the
// hierarchy hooks. Single-threaded: only the main thread touches views.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/runtime/Runtime.h"
#include "platform/ui/UIColor.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class UIGestureRecognizer;
class UIGraphicsContext;

// Autoresizing mask bits, with the platform's values.
using UIViewAutoresizing = unsigned;
inline constexpr UIViewAutoresizing UIViewAutoresizingNone = 0;
inline constexpr UIViewAutoresizing UIViewAutoresizingFlexibleLeftMargin = 1;
inline constexpr UIViewAutoresizing UIViewAutoresizingFlexibleWidth = 2;
inline constexpr UIViewAutoresizing UIViewAutoresizingFlexibleRightMargin = 4;
inline constexpr UIViewAutoresizing UIViewAutoresizingFlexibleTopMargin = 8;
inline constexpr UIViewAutoresizing UIViewAutoresizingFlexibleHeight = 16;
inline constexpr UIViewAutoresizing UIViewAutoresizingFlexibleBottomMargin = 32;

class UIView : public rt::Object {
public:
    explicit UIView(const CGRect& frame = {});
    ~UIView() override;
    UIView(const UIView&) = delete;
    UIView& operator=(const UIView&) = delete;

    // The runtime class "UIView" (registered on first use), so views can be
    // created by name and sent messages.
    static rt::Class* runtimeClass();

    // --- Geometry, in points ---
    const CGRect& frame() const { return m_frame; }
    // Moves and resizes the view; a change of size resizes the subviews by their
    // autoresizing masks and asks for layout.
    void setFrame(const CGRect& frame);
    // Origin: the point of the view's own coordinates at its top-left corner
    // (normally 0, 0); size: the frame's.
    CGRect bounds() const { return CGRect{m_boundsOrigin, m_frame.size}; }
    // Keeps the centre; a change of size behaves as setFrame's.
    void setBounds(const CGRect& bounds);
    CGPoint center() const;
    void setCenter(CGPoint center);

    UIViewAutoresizing autoresizingMask() const { return m_autoresizingMask; }
    void setAutoresizingMask(UIViewAutoresizing mask) { m_autoresizingMask = mask; }

    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    // --- Hierarchy ---
    std::shared_ptr<UIView> superview() const { return m_superview.lock(); }
    // Back to front.
    const std::vector<std::shared_ptr<UIView>>& subviews() const { return m_subviews; }
    // Adds the view on top of the others, taking it from its old superview (or
    // moving it to the front when it is already here). Adding a view to itself
    // or to one of its own descendants, or a null view, is refused.
    void addSubview(const std::shared_ptr<UIView>& view);
    // Inserts at `index` (clamped to the number of subviews), as addSubview otherwise.
    void insertSubviewAtIndex(const std::shared_ptr<UIView>& view, size_t index);
    // Does nothing when the view has no superview.
    void removeFromSuperview();
    // Does nothing for a view that is not a subview of this one.
    void sendSubviewToBack(const UIView* view);
    // True for the view itself too.
    bool isDescendantOfView(const UIView* view) const;
    // The first view with the tag, searching depth-first in subview order, the
    // view itself first; nullptr when none has it.
    std::shared_ptr<UIView> viewWithTag(int tag);

    // --- Appearance ---
    // nullopt (the default) draws no background.
    const std::optional<UIColor>& backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(std::optional<UIColor> color) { m_backgroundColor = std::move(color); }
    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden) { m_hidden = hidden; }
    bool clipsToBounds() const { return m_clipsToBounds; }
    void setClipsToBounds(bool on) { m_clipsToBounds = on; }

    // --- Touches ---
    // When off, touches pass through this view and its subviews to what lies below.
    bool isUserInteractionEnabled() const { return m_userInteractionEnabled; }
    void setUserInteractionEnabled(bool on) { m_userInteractionEnabled = on; }
    // The view owns its recognisers; adding one takes it from its former view.
    void addGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>& recognizer);
    void removeGestureRecognizer(const UIGestureRecognizer* recognizer);
    const std::vector<std::shared_ptr<UIGestureRecognizer>>& gestureRecognizers() const { return m_gestureRecognizers; }

    // The deepest visible, interaction-enabled view under the point (in this
    // view's coordinates), front subviews first; nullptr when the point is
    // outside or the view takes no touches.
    virtual std::shared_ptr<UIView> hitTest(CGPoint point);
    virtual bool pointInside(CGPoint point) const;

    // Converts between this view's coordinates and another view's of the same
    // tree; nullptr means the coordinates of the tree's topmost view.
    CGPoint convertPointToView(CGPoint point, const UIView* view) const;
    CGPoint convertPointFromView(CGPoint point, const UIView* view) const;
    CGRect convertRectFromView(const CGRect& rect, const UIView* view) const;

    // --- Layout ---
    // Called by layoutIfNeeded after setNeedsLayout (a change of size sets it).
    // The base does nothing.
    virtual void layoutSubviews();
    void setNeedsLayout() { m_needsLayout = true; }
    // Lays this view and then its subviews out where asked for.
    void layoutIfNeeded();

    // --- Drawing ---
    // Draws the view's own content (not its background, not its subviews) in
    // its bounds; the base draws nothing.
    virtual void drawRect(UIGraphicsContext& context, const CGRect& rect);
    // Draws this view and its visible subviews, back to front, with the
    // context's origin at this view's top-left corner.
    void drawHierarchy(UIGraphicsContext& context);

    // --- Description (logs, test failures, scenario output) ---
    // The runtime class name ("UILabel").
    std::string className() const;
    // "<UILabel frame=(10 5; 143 20) tag=100 text='Balance'>"
    std::string description() const;

protected:
    UIView(const CGRect& frame, rt::Class* cls);

    // Hierarchy hooks, as the platform calls them.
    virtual void didAddSubview(UIView* subview);
    virtual void willRemoveSubview(UIView* subview);
    virtual void didMoveToSuperview();
    // Applies the subviews' autoresizing masks after this view's size changed from `oldSize`.
    virtual void resizeSubviewsWithOldSize(CGSize oldSize);
    // Extra " key=value" parts for description().
    virtual std::string describeProperties() const;

private:
    void detachFromSuperview();
    void applyAutoresizing(CGSize oldSuperSize, CGSize newSuperSize);
    void sizeChanged(CGSize oldSize);
    // Offset of this view's coordinates from those of the topmost view.
    CGPoint offsetInRoot(const UIView** root) const;

    CGRect m_frame;
    CGPoint m_boundsOrigin;
    UIViewAutoresizing m_autoresizingMask = UIViewAutoresizingNone;
    int m_tag = 0;
    std::weak_ptr<UIView> m_superview;
    std::vector<std::shared_ptr<UIView>> m_subviews;
    std::optional<UIColor> m_backgroundColor;
    bool m_hidden = false;
    bool m_clipsToBounds = false;
    bool m_userInteractionEnabled = true;
    bool m_needsLayout = false;
    std::vector<std::shared_ptr<UIGestureRecognizer>> m_gestureRecognizers;
};

} // namespace platform
