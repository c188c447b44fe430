// Pictures of view trees: draws a view and its subviews with cairo, on an
// optional Notification Center-like dark backdrop, at a chosen scale, and
// writes PNG files a person can look at.
//
//   RenderedImage picture = renderView(*widget.view(), {});
//   picture.writePng("widget.png");
//   UIColor c = picture.colorAt(CGPointMake(20, 15));   // in the view's own points
//
// Lays the tree out (layoutIfNeeded) before drawing. Single-threaded.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/ui/UIColor.h"

#include <memory>
#include <string>

typedef struct _cairo_surface cairo_surface_t;

namespace platform { class UIView; }

namespace host {

struct RenderOptions {
    // Device pixels per point.
    double scale = 2.0;
    // Points of backdrop around the view on each side.
    double margin = 8.0;
    // The picture is at least this many points wide (the view is centred in it).
    double minimumWidth = 320.0;
    // Paint the dark Notification Center backdrop; otherwise the picture is
    // transparent where no view draws.
    bool backdrop = true;
};

class RenderedImage {
public:
    RenderedImage(cairo_surface_t* surface, platform::CGPoint viewOrigin, double scale);
    ~RenderedImage();
    RenderedImage(RenderedImage&&) noexcept;
    RenderedImage& operator=(RenderedImage&&) noexcept;
    RenderedImage(const RenderedImage&) = delete;
    RenderedImage& operator=(const RenderedImage&) = delete;

    int pixelWidth() const;
    int pixelHeight() const;
    double scale() const { return m_scale; }
    // Where the view's (0, 0) lies in the picture, in points.
    platform::CGPoint viewOrigin() const { return m_viewOrigin; }

    // The colour of the device pixel under a point of the view's coordinates
    // (components straightened from premultiplied); clear outside the picture.
    platform::UIColor colorAt(platform::CGPoint pointInView) const;
    // How many device pixels inside `rectInView` are within `tolerance` (per
    // component, 0..1) of `color`, ignoring alpha.
    int countPixelsNear(const platform::CGRect& rectInView, const platform::UIColor& color, double tolerance) const;

    // Writes the picture as PNG to a host path; false when it cannot.
    bool writePng(const std::string& hostFile) const;

private:
    cairo_surface_t* m_surface;
    platform::CGPoint m_viewOrigin;
    double m_scale;
};

RenderedImage renderView(platform::UIView& root, const RenderOptions& options);
// Renders and writes in one step; false when the file cannot be written.
bool renderViewToPng(platform::UIView& root, const std::string& hostFile, const RenderOptions& options = {});

} // namespace host
