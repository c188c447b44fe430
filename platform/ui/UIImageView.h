// A view that shows an image stretched over its bounds (by the image's caps
// when it is stretchable).
//
//   auto bg = std::make_shared<UIImageView>(image);   // frame = the image's size
//   bg->setFrame(CGRectInset(root->bounds(), 2, 0));
//
// A null image draws nothing. Image views take no touches unless user
// interaction is turned on.
#pragma once

#include "platform/ui/UIImage.h"
#include "platform/ui/UIView.h"

#include <memory>

namespace platform {

class UIImageView : public UIView {
public:
    explicit UIImageView(const CGRect& frame = {});
    // Sized to the image (zero size for a null image).
    explicit UIImageView(std::shared_ptr<UIImage> image);
    ~UIImageView() override;

    static rt::Class* runtimeClass();

    const std::shared_ptr<UIImage>& image() const { return m_image; }

    void drawRect(UIGraphicsContext& context, const CGRect& rect) override;

protected:
    std::string describeProperties() const override;

private:
    std::shared_ptr<UIImage> m_image;
};

} // namespace platform
