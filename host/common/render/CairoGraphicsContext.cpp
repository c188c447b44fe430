#include "host/common/render/CairoGraphicsContext.h"

#include "host/common/render/ImageSurface.h"

#include "platform/ui/UIImage.h"
#include "host/common/render/TextShaper.h"

#include <cairo.h>

namespace host {

using platform::CGRect;
using platform::UIColor;
using platform::UIFont;

CairoGraphicsContext::CairoGraphicsContext(cairo_t* cr) : m_cr(cr), m_text(std::make_unique<TextShaper>(cr)) {}

CairoGraphicsContext::CairoGraphicsContext()
    : m_cr(nullptr), m_scratch(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1))
{
    m_cr = cairo_create(m_scratch);
    m_text = std::make_unique<TextShaper>(m_cr);
}

CairoGraphicsContext::~CairoGraphicsContext()
{
    m_text.reset();
    for (auto& [key, surface] : m_imageSurfaces)
        cairo_surface_destroy(surface);
    if (m_scratch) {
        cairo_destroy(m_cr);
        cairo_surface_destroy(m_scratch);
    }
}

double CairoGraphicsContext::widthOfText(const std::string& text, const UIFont& font) { return m_text->width(text, font); }
double CairoGraphicsContext::ascent(const UIFont& font) { return m_text->ascent(font); }
double CairoGraphicsContext::lineHeight(const UIFont& font) { return m_text->lineHeight(font); }
int CairoGraphicsContext::missingGlyphs(const std::string& text, const UIFont& font) { return m_text->missingGlyphs(text, font); }

void CairoGraphicsContext::saveState() { cairo_save(m_cr); }
void CairoGraphicsContext::restoreState() { cairo_restore(m_cr); }
void CairoGraphicsContext::translate(double dx, double dy) { cairo_translate(m_cr, dx, dy); }

void CairoGraphicsContext::clipToRect(const CGRect& rect)
{
    cairo_rectangle(m_cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    cairo_clip(m_cr);
}

void CairoGraphicsContext::fillRect(const CGRect& rect, const UIColor& color)
{
    if (rect.size.width <= 0 || rect.size.height <= 0)
        return;
    cairo_set_source_rgba(m_cr, color.red(), color.green(), color.blue(), color.alpha());
    cairo_rectangle(m_cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    cairo_fill(m_cr);
}

cairo_surface_t* CairoGraphicsContext::surfaceFor(const platform::UIImage& image)
{
    const void* key = &image.pixels();
    auto found = m_imageSurfaces.find(key);
    if (found != m_imageSurfaces.end())
        return found->second;
    cairo_surface_t* surface = createImageSurface(image);
    m_imageSurfaces.emplace(key, surface);
    return surface;
}

void CairoGraphicsContext::drawImagePart(const platform::UIImage& image, const CGRect& source, const CGRect& destination)
{
    if (source.size.width <= 0 || source.size.height <= 0 || destination.size.width <= 0 || destination.size.height <= 0)
        return;
    cairo_surface_t* surface = surfaceFor(image);
    cairo_save(m_cr);
    cairo_rectangle(m_cr, destination.origin.x, destination.origin.y, destination.size.width, destination.size.height);
    cairo_clip(m_cr);
    cairo_translate(m_cr, destination.origin.x, destination.origin.y);
    cairo_scale(m_cr, destination.size.width / source.size.width, destination.size.height / source.size.height);
    // Only the source part: a sub-surface keeps neighbouring pixels from bleeding in when scaled.
    cairo_surface_t* part =
        cairo_surface_create_for_rectangle(surface, source.origin.x, source.origin.y, source.size.width, source.size.height);
    cairo_set_source_surface(m_cr, part, 0, 0);
    cairo_pattern_set_extend(cairo_get_source(m_cr), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(cairo_get_source(m_cr), CAIRO_FILTER_BILINEAR);
    cairo_paint(m_cr);
    cairo_surface_destroy(part);
    cairo_restore(m_cr);
}

void CairoGraphicsContext::drawText(const std::string& text, platform::CGPoint baselineOrigin, const UIFont& font,
                                    const UIColor& color)
{
    if (text.empty())
        return;
    cairo_set_source_rgba(m_cr, color.red(), color.green(), color.blue(), color.alpha());
    m_text->draw(text, baselineOrigin, font);
}

} // namespace host
