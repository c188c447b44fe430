// The platform's drawing surface on cairo: views draw through it into a cairo
// context; text is measured and drawn by one TextShaper (Pango, in the pinned
// picture fonts of RenderFonts.h), so measuring and drawing agree.
//
//   CairoGraphicsContext context(cr);      // cr already scaled to device pixels
//   root.drawHierarchy(context);
//
// Does not own the cairo context. Decoded images are turned into cairo surfaces
// once per image and kept for the context's life.
#pragma once

#include "platform/ui/UIGraphicsContext.h"

#include <map>
#include <memory>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace host {

class TextShaper;

class CairoGraphicsContext final : public platform::UIGraphicsContext {
public:
    explicit CairoGraphicsContext(cairo_t* cr);
    // A context for measuring only (on a small scratch surface of its own).
    CairoGraphicsContext();
    ~CairoGraphicsContext() override;
    CairoGraphicsContext(const CairoGraphicsContext&) = delete;
    CairoGraphicsContext& operator=(const CairoGraphicsContext&) = delete;

    double widthOfText(const std::string& text, const platform::UIFont& font) override;
    double ascent(const platform::UIFont& font) override;
    double lineHeight(const platform::UIFont& font) override;

    void saveState() override;
    void restoreState() override;
    void translate(double dx, double dy) override;
    void clipToRect(const platform::CGRect& rect) override;
    void fillRect(const platform::CGRect& rect, const platform::UIColor& color) override;
    void drawImagePart(const platform::UIImage& image, const platform::CGRect& source,
                       const platform::CGRect& destination) override;
    void drawText(const std::string& text, platform::CGPoint baselineOrigin, const platform::UIFont& font,
                  const platform::UIColor& color) override;

    // How many characters of the text no picture font can draw (they show as boxes).
    int missingGlyphs(const std::string& text, const platform::UIFont& font);

private:
    cairo_surface_t* surfaceFor(const platform::UIImage& image);

    cairo_t* m_cr;
    cairo_surface_t* m_scratch = nullptr; // only for the measuring context
    std::unique_ptr<TextShaper> m_text;
    std::map<const void*, cairo_surface_t*> m_imageSurfaces;
};

} // namespace host
