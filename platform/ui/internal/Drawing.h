// Small drawing steps the controls share: outlines made of filled strips and
// one line of text placed in a rectangle.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/ui/UIColor.h"
#include "platform/ui/UIFont.h"

#include <string>

namespace platform {

class UIGraphicsContext;

namespace internal {

// Four strips of `width` inside the rectangle's edges.
void strokeRect(UIGraphicsContext& context, const CGRect& rect, const UIColor& color, double width);

// One line, vertically centred in `rect`, aligned 0 left, 1 centre, 2 right,
// cut with an ellipsis when it is too wide. Returns the width drawn.
double drawTextLine(UIGraphicsContext& context, const std::string& text, const CGRect& rect, const UIFont& font,
                    const UIColor& color, int alignment);

} // namespace internal
} // namespace platform
