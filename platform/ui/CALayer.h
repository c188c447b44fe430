// The part of a view's layer that the screens use: a border drawn along the
// view's edges.
//
//   textView->layer().setBorderWidth(1.0);
//   textView->layer().setBorderColor(UIColor::grayColor());
#pragma once

#include "platform/ui/UIColor.h"

namespace platform {

class CALayer {
public:
    double borderWidth() const { return m_borderWidth; }
    void setBorderWidth(double width) { m_borderWidth = width; }
    const UIColor& borderColor() const { return m_borderColor; }
    void setBorderColor(const UIColor& color) { m_borderColor = color; }

private:
    double m_borderWidth = 0;
    UIColor m_borderColor = UIColor::blackColor();
};

} // namespace platform
