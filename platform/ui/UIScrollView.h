// A view whose content is larger than itself: the content offset (the
// bounds' origin) says which part shows, the content size how large the
// content is, and the insets leave room at the edges (for a keyboard).
//
//   scroll->setContentSize(CGSizeMake(320, 720));
//   scroll->setContentInset(UIEdgeInsetsMake(0, 0, 216, 0));
//   scroll->setContentOffset(CGPointMake(0, 484), true);
//
// Scrolling is instant (no animation runs in the simulation). Single-threaded.
#pragma once

#include "platform/ui/UIView.h"

namespace platform {

class UIScrollView : public UIView {
public:
    explicit UIScrollView(const CGRect& frame = {});
    ~UIScrollView() override;

    static rt::Class* runtimeClass();

    CGSize contentSize() const { return m_contentSize; }
    void setContentSize(CGSize size) { m_contentSize = size; }
    UIEdgeInsets contentInset() const { return m_contentInset; }
    void setContentInset(UIEdgeInsets insets) { m_contentInset = insets; }
    UIEdgeInsets scrollIndicatorInsets() const { return m_indicatorInsets; }
    void setScrollIndicatorInsets(UIEdgeInsets insets) { m_indicatorInsets = insets; }

    CGPoint contentOffset() const { return bounds().origin; }
    // Moves the content to show from `offset` on, exactly as asked (the
    // platform allows any offset set by code).
    void setContentOffset(CGPoint offset, bool animated = false);

    bool isScrollEnabled() const { return m_scrollEnabled; }
    void setScrollEnabled(bool on) { m_scrollEnabled = on; }
    bool showsVerticalScrollIndicator() const { return m_showsVertical; }
    void setShowsVerticalScrollIndicator(bool on) { m_showsVertical = on; }
    // Shows the indicators for a moment; counted for inspection.
    void flashScrollIndicators() { ++m_flashes; }
    int indicatorFlashCount() const { return m_flashes; }

protected:
    UIScrollView(const CGRect& frame, rt::Class* cls);
    std::string describeProperties() const override;

private:
    CGSize m_contentSize;
    UIEdgeInsets m_contentInset;
    UIEdgeInsets m_indicatorInsets;
    bool m_scrollEnabled = true;
    bool m_showsVertical = true;
    int m_flashes = 0;
};

} // namespace platform
