// Images as the platform's image object holds them: decoded pixels, a size in
// points, and, for stretchable images, the caps that keep their size when the
// image is drawn larger.
//
//   auto img = UIImage::imageWithContentsOfFile("/System/Library/.../background7.png");
//   auto panel = img ? img->stretchableImageWithLeftCapWidth(10, 10) : nullptr;
//
// Decoding is real (libpng), so sizes are known and pixels can be drawn. Images
// are immutable and shared; a stretchable image shares its pixels with the
// image it was made from. One pixel is one point (no @2x variants).
#pragma once

#include "platform/foundation/Geometry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class UIImage {
public:
    // Pixels are straight (not premultiplied) RGBA, 8 bits each, rows top to bottom.
    using Pixels = std::vector<uint8_t>;

    // Decodes the PNG file at a device path. nullptr when the file is missing
    // (silently, as the platform does) or is not a PNG it can decode (logged).
    static std::shared_ptr<UIImage> imageWithContentsOfFile(const std::string& devicePath);
    // Decodes PNG bytes; nullptr when they are not a PNG.
    static std::shared_ptr<UIImage> imageWithPNGData(const std::string& bytes);
    // An image from raw pixels (width * height * 4 bytes); nullptr when the sizes disagree.
    static std::shared_ptr<UIImage> imageWithPixels(int width, int height, Pixels rgba);

    // A copy that stretches only its middle: the left `leftCapWidth` columns and
    // the right (width - leftCapWidth - 1) keep their width, and the one column
    // between them is stretched; likewise vertically with `topCapHeight`. A cap
    // of 0 on an axis stretches the whole image along that axis. Caps larger
    // than the image are limited to it.
    std::shared_ptr<UIImage> stretchableImageWithLeftCapWidth(int leftCapWidth, int topCapHeight) const;

    CGSize size() const { return CGSizeMake(m_width, m_height); }
    int pixelWidth() const { return m_width; }
    int pixelHeight() const { return m_height; }
    const Pixels& pixels() const { return *m_pixels; }

    int leftCapWidth() const { return m_leftCapWidth; }
    int topCapHeight() const { return m_topCapHeight; }
    // The caps as insets (all zero for an image that is not stretchable).
    UIEdgeInsets capInsets() const;
    bool isStretchable() const { return m_leftCapWidth > 0 || m_topCapHeight > 0; }

    // One piece of a drawing: this part of the image (in pixels) goes to that
    // part of the destination (in points).
    struct Slice {
        CGRect source;
        CGRect destination;
    };
    // How the image fills `destination`: one slice for a plain image (scaled to
    // fill), up to nine for a stretchable one. Caps that do not fit the
    // destination are scaled down together so they still meet. Empty when
    // either the image or the destination has no area.
    std::vector<Slice> slicesForDrawingIn(const CGRect& destination) const;

private:
    UIImage(int width, int height, std::shared_ptr<const Pixels> pixels);

    int m_width = 0;
    int m_height = 0;
    std::shared_ptr<const Pixels> m_pixels;
    int m_leftCapWidth = 0;
    int m_topCapHeight = 0;
};

} // namespace platform
