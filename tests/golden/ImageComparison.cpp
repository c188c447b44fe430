#include "ImageComparison.h"

#include <cairo.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace golden {

namespace {

// A PNG read into an ARGB32 surface, or nothing.
class Picture {
public:
    explicit Picture(const std::string& file) : m_surface(cairo_image_surface_create_from_png(file.c_str()))
    {
        if (cairo_surface_status(m_surface) != CAIRO_STATUS_SUCCESS)
            return;
        // Whatever the PNG's format, compare as ARGB32.
        if (cairo_image_surface_get_format(m_surface) != CAIRO_FORMAT_ARGB32) {
            cairo_surface_t* converted = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width(), height());
            cairo_t* cr = cairo_create(converted);
            cairo_set_source_surface(cr, m_surface, 0, 0);
            cairo_paint(cr);
            cairo_destroy(cr);
            cairo_surface_destroy(m_surface);
            m_surface = converted;
        }
        cairo_surface_flush(m_surface);
        m_ok = true;
    }
    ~Picture() { cairo_surface_destroy(m_surface); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    bool ok() const { return m_ok; }
    int width() const { return cairo_image_surface_get_width(m_surface); }
    int height() const { return cairo_image_surface_get_height(m_surface); }
    uint32_t at(int x, int y) const
    {
        const unsigned char* row = cairo_image_surface_get_data(m_surface) +
                                   static_cast<ptrdiff_t>(y) * cairo_image_surface_get_stride(m_surface);
        return reinterpret_cast<const uint32_t*>(row)[x];
    }

private:
    cairo_surface_t* m_surface;
    bool m_ok = false;
};

int channelDifference(uint32_t a, uint32_t b)
{
    int largest = 0;
    for (int shift = 0; shift < 32; shift += 8)
        largest = std::max(largest, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
    return largest;
}

} // namespace

std::string ImageComparison::describe() const
{
    if (!readable)
        return "a picture could not be read as PNG";
    if (!sameSize)
        return "size " + std::to_string(width) + "x" + std::to_string(height) + ", the reference is " +
               std::to_string(referenceWidth) + "x" + std::to_string(referenceHeight);
    return std::to_string(differingPixels) + " of " + std::to_string(static_cast<long>(width) * height) +
           " pixels differ by more than " + std::to_string(kChannelTolerance) + " (largest difference " +
           std::to_string(largestDifference) + ")";
}

ImageComparison compareImages(const std::string& actualPng, const std::string& referencePng)
{
    ImageComparison result;
    const Picture actual(actualPng);
    const Picture reference(referencePng);
    if (!actual.ok() || !reference.ok())
        return result;
    result.readable = true;
    result.width = actual.width();
    result.height = actual.height();
    result.referenceWidth = reference.width();
    result.referenceHeight = reference.height();
    result.sameSize = result.width == result.referenceWidth && result.height == result.referenceHeight;
    if (!result.sameSize)
        return result;
    for (int y = 0; y < result.height; ++y) {
        for (int x = 0; x < result.width; ++x) {
            const int difference = channelDifference(actual.at(x, y), reference.at(x, y));
            result.largestDifference = std::max(result.largestDifference, difference);
            result.differingPixels += difference > kChannelTolerance;
        }
    }
    return result;
}

bool writeDifferencePicture(const std::string& actualPng, const std::string& referencePng, const std::string& diffPng)
{
    const Picture actual(actualPng);
    const Picture reference(referencePng);
    if (!actual.ok() || !reference.ok())
        return false;
    const int width = std::max(actual.width(), reference.width());
    const int height = std::max(actual.height(), reference.height());
    cairo_surface_t* diff = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_surface_flush(diff);
    unsigned char* data = cairo_image_surface_get_data(diff);
    const int stride = cairo_image_surface_get_stride(diff);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            const bool inActual = x < actual.width() && y < actual.height();
            const bool inReference = x < reference.width() && y < reference.height();
            if (!inActual || !inReference) {
                row[x] = 0xFF0000FF;
            } else if (channelDifference(actual.at(x, y), reference.at(x, y)) > kChannelTolerance) {
                row[x] = 0xFFFF0000;
            } else {
                const uint32_t p = reference.at(x, y);
                const uint32_t luma = (((p >> 16) & 0xFF) * 3 + ((p >> 8) & 0xFF) * 6 + (p & 0xFF)) / 10;
                const uint32_t grey = 200 + luma * 55 / 255;
                row[x] = 0xFF000000 | (grey << 16) | (grey << 8) | grey;
            }
        }
    }
    cairo_surface_mark_dirty(diff);
    const bool written = cairo_surface_write_to_png(diff, diffPng.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(diff);
    return written;
}

} // namespace golden
