#include "platform/ui/UIScrollView.h"

#include <cstdio>

namespace platform {

UIScrollView::UIScrollView(const CGRect& frame) : UIScrollView(frame, runtimeClass()) {}

UIScrollView::UIScrollView(const CGRect& frame, rt::Class* cls) : UIView(frame, cls) {}

UIScrollView::~UIScrollView() = default;

rt::Class* UIScrollView::runtimeClass() { return rt::registerClass("UIScrollView", UIView::runtimeClass()); }

void UIScrollView::setContentOffset(CGPoint offset, bool)
{
    CGRect b = bounds();
    b.origin = offset;
    setBounds(b);
}

std::string UIScrollView::describeProperties() const
{
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, " contentSize=(%g %g) offset=(%g %g)", m_contentSize.width, m_contentSize.height,
                  contentOffset().x, contentOffset().y);
    std::string out = buffer;
    if (!(m_contentInset == UIEdgeInsets{})) {
        std::snprintf(buffer, sizeof buffer, " inset=(%g %g %g %g)", m_contentInset.top, m_contentInset.left,
                      m_contentInset.bottom, m_contentInset.right);
        out += buffer;
    }
    return out;
}

} // namespace platform
