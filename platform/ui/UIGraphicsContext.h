// The drawing surface that views draw into. Views decide what to draw (their
// background, a label's lines, an image's slices); an implementation outside
// the platform (the simulator's renderer) decides how pixels are made.
//
//   class CairoContext : public UIGraphicsContext { ... };
//   root->drawHierarchy(context);        // every visible view, back to front
//
// Coordinates are in points, relative to the current origin, which views move
// with translate() inside saveState()/restoreState() pairs.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/ui/UIColor.h"
#include "platform/ui/UIFont.h"

#include <string>

namespace platform {

class UIImage;

// Text measuring on its own, so layout (a label shrinking its font to fit) can
// be computed, and tested, without a surface.
class UITextMeasurer {
public:
    virtual ~UITextMeasurer();
    // Advance width of the text (UTF-8) in the font, in points.
    virtual double widthOfText(const std::string& text, const UIFont& font) = 0;
    // Distance from the top of a line to its baseline, and from one baseline to the next.
    virtual double ascent(const UIFont& font) = 0;
    virtual double lineHeight(const UIFont& font) = 0;
};

// The measurer that layout outside drawing uses (a table cell giving its
// detail text the width it needs). The host installs one that measures as its
// pictures draw; without one, layout estimates widths from character counts.
// Not owned; the host keeps it alive while installed. nullptr removes it.
void setLayoutTextMeasurer(UITextMeasurer* measurer);
UITextMeasurer* layoutTextMeasurer();

class UIGraphicsContext : public UITextMeasurer {
public:
    virtual void saveState() = 0;
    virtual void restoreState() = 0;
    virtual void translate(double dx, double dy) = 0;
    // Intersects the clip with the rectangle.
    virtual void clipToRect(const CGRect& rect) = 0;

    virtual void fillRect(const CGRect& rect, const UIColor& color) = 0;
    // Draws `source` (in image pixels) of the image scaled into `destination`.
    virtual void drawImagePart(const UIImage& image, const CGRect& source, const CGRect& destination) = 0;
    // Draws one line of text with its baseline starting at `baselineOrigin`.
    virtual void drawText(const std::string& text, CGPoint baselineOrigin, const UIFont& font, const UIColor& color) = 0;
};

} // namespace platform
