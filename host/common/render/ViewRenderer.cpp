#include "host/common/render/ViewRenderer.h"

#include "platform/ui/UIView.h"
#include "host/common/render/CairoGraphicsContext.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace host {

using platform::CGPoint;
using platform::CGRect;
using platform::UIColor;

namespace {

// Notification Center's pulled-down sheet: a dark, slightly blue grey,
// lighter at the top.
void paintBackdrop(cairo_t* cr, double width, double height)
{
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 0, height);
    cairo_pattern_add_color_stop_rgb(gradient, 0, 0.20, 0.21, 0.23);
    cairo_pattern_add_color_stop_rgb(gradient, 1, 0.11, 0.12, 0.13);
    cairo_set_source(cr, gradient);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_fill(cr);
    cairo_pattern_destroy(gradient);
}

struct Rgb8 {
    int r, g, b, a;
};

Rgb8 pixelAt(cairo_surface_t* surface, int x, int y)
{
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const uint32_t argb = *reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride + x * 4);
    const int a = static_cast<int>(argb >> 24);
    auto straight = [a](uint32_t c) { return a == 0 ? 0 : static_cast<int>((c * 255 + static_cast<uint32_t>(a) / 2) / static_cast<uint32_t>(a)); };
    return {straight((argb >> 16) & 0xFF), straight((argb >> 8) & 0xFF), straight(argb & 0xFF), a};
}

} // namespace

RenderedImage::RenderedImage(cairo_surface_t* surface, CGPoint viewOrigin, double scale)
    : m_surface(surface), m_viewOrigin(viewOrigin), m_scale(scale)
{
}

RenderedImage::~RenderedImage()
{
    if (m_surface)
        cairo_surface_destroy(m_surface);
}

RenderedImage::RenderedImage(RenderedImage&& other) noexcept
    : m_surface(std::exchange(other.m_surface, nullptr)), m_viewOrigin(other.m_viewOrigin), m_scale(other.m_scale)
{
}

RenderedImage& RenderedImage::operator=(RenderedImage&& other) noexcept
{
    if (this != &other) {
        if (m_surface)
            cairo_surface_destroy(m_surface);
        m_surface = std::exchange(other.m_surface, nullptr);
        m_viewOrigin = other.m_viewOrigin;
        m_scale = other.m_scale;
    }
    return *this;
}

int RenderedImage::pixelWidth() const { return m_surface ? cairo_image_surface_get_width(m_surface) : 0; }
int RenderedImage::pixelHeight() const { return m_surface ? cairo_image_surface_get_height(m_surface) : 0; }

UIColor RenderedImage::colorAt(CGPoint pointInView) const
{
    const int x = static_cast<int>(std::floor((pointInView.x + m_viewOrigin.x) * m_scale));
    const int y = static_cast<int>(std::floor((pointInView.y + m_viewOrigin.y) * m_scale));
    if (!m_surface || x < 0 || y < 0 || x >= pixelWidth() || y >= pixelHeight())
        return UIColor::clearColor();
    cairo_surface_flush(m_surface);
    const Rgb8 p = pixelAt(m_surface, x, y);
    return UIColor::colorWithRed(p.r / 255.0, p.g / 255.0, p.b / 255.0, p.a / 255.0);
}

int RenderedImage::countPixelsNear(const CGRect& rectInView, const UIColor& color, double tolerance) const
{
    if (!m_surface)
        return 0;
    cairo_surface_flush(m_surface);
    const int x0 = std::max(0, static_cast<int>(std::floor((rectInView.minX() + m_viewOrigin.x) * m_scale)));
    const int y0 = std::max(0, static_cast<int>(std::floor((rectInView.minY() + m_viewOrigin.y) * m_scale)));
    const int x1 = std::min(pixelWidth(), static_cast<int>(std::ceil((rectInView.maxX() + m_viewOrigin.x) * m_scale)));
    const int y1 = std::min(pixelHeight(), static_cast<int>(std::ceil((rectInView.maxY() + m_viewOrigin.y) * m_scale)));
    const int limit = static_cast<int>(std::lround(tolerance * 255));
    auto near = [limit](int a, double b) { return std::abs(a - static_cast<int>(std::lround(b * 255))) <= limit; };
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const Rgb8 p = pixelAt(m_surface, x, y);
            if (p.a > 0 && near(p.r, color.red()) && near(p.g, color.green()) && near(p.b, color.blue()))
                ++count;
        }
    }
    return count;
}

bool RenderedImage::writePng(const std::string& hostFile) const
{
    return m_surface && cairo_surface_write_to_png(m_surface, hostFile.c_str()) == CAIRO_STATUS_SUCCESS;
}

RenderedImage renderView(platform::UIView& root, const RenderOptions& options)
{
    root.layoutIfNeeded();
    const CGRect frame = root.frame();
    const double viewWidth = std::max(0.0, frame.size.width);
    const double viewHeight = std::max(0.0, frame.size.height);
    const double width = std::max(options.minimumWidth, viewWidth + 2 * options.margin);
    const double height = viewHeight + 2 * options.margin;
    const int pixelWidth = std::max(1, static_cast<int>(std::ceil(width * options.scale)));
    const int pixelHeight = std::max(1, static_cast<int>(std::ceil(height * options.scale)));

    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixelWidth, pixelHeight);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, options.scale, options.scale);
    if (options.backdrop)
        paintBackdrop(cr, width, height);

    // The view is centred across the picture and sits one margin down.
    const CGPoint origin{std::floor((width - viewWidth) / 2), options.margin};
    cairo_translate(cr, origin.x, origin.y);
    {
        CairoGraphicsContext context(cr);
        root.drawHierarchy(context);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    return RenderedImage(surface, origin, options.scale);
}

bool renderViewToPng(platform::UIView& root, const std::string& hostFile, const RenderOptions& options)
{
    return renderView(root, options).writePng(hostFile);
}

} // namespace host
