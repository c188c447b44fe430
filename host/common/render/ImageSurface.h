#pragma once

#include <cairo.h>

namespace platform {
class UIImage;
}

namespace host {

// A new cairo image surface holding the image's pixels (premultiplied ARGB in
// native byte order, as cairo wants them); at least 1x1. The caller destroys it.
cairo_surface_t* createImageSurface(const platform::UIImage& image);

} // namespace host
