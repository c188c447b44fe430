#include "platform/ui/UIImageView.h"

#include "platform/ui/UIGraphicsContext.h"

namespace platform {

UIImageView::UIImageView(const CGRect& frame) : UIView(frame, runtimeClass())
{
    setUserInteractionEnabled(false);
}

UIImageView::UIImageView(std::shared_ptr<UIImage> image)
    : UIImageView(image ? CGRect{{0, 0}, image->size()} : CGRect{})
{
    m_image = std::move(image);
}

UIImageView::~UIImageView() = default;

rt::Class* UIImageView::runtimeClass()
{
    return rt::registerClass("UIImageView", UIView::runtimeClass(), [] { return std::make_shared<UIImageView>(); });
}

void UIImageView::drawRect(UIGraphicsContext& context, const CGRect& rect)
{
    if (!m_image)
        return;
    for (const UIImage::Slice& slice : m_image->slicesForDrawingIn(rect))
        context.drawImagePart(*m_image, slice.source, slice.destination);
}

std::string UIImageView::describeProperties() const
{
    if (!m_image)
        return " image=nil";
    std::string out = " image=" + std::to_string(m_image->pixelWidth()) + "x" + std::to_string(m_image->pixelHeight());
    if (m_image->isStretchable())
        out += " caps=" + std::to_string(m_image->leftCapWidth()) + "," + std::to_string(m_image->topCapHeight());
    return out;
}

} // namespace platform
