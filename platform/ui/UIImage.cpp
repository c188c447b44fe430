#include "platform/ui/UIImage.h"

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace platform {

namespace {

// Sizes beyond this are refused before allocating, so a corrupt header cannot
// ask for gigabytes.
constexpr png_uint_32 kMaxImageSide = 8192;

struct AxisCaps {
    double low = 0;  // leading cap, in pixels
    double high = 0; // trailing cap, in pixels
};

AxisCaps capsFor(int length, int cap)
{
    if (cap <= 0 || length <= 0)
        return {};
    const int low = std::min(cap, length);
    const int high = std::max(0, length - low - 1);
    return {static_cast<double>(low), static_cast<double>(high)};
}

// Splits one axis into up to three (source, destination) spans.
struct Span {
    double sourceStart, sourceLength, destinationStart, destinationLength;
};

std::vector<Span> spansFor(double sourceLength, AxisCaps caps, double destinationStart, double destinationLength)
{
    if (caps.low == 0 && caps.high == 0)
        return {{0, sourceLength, destinationStart, destinationLength}};
    double low = caps.low;
    double high = caps.high;
    // A destination smaller than both caps shrinks them in proportion.
    if (low + high > destinationLength) {
        const double scale = destinationLength / (low + high);
        std::vector<Span> spans;
        if (low > 0)
            spans.push_back({0, low, destinationStart, low * scale});
        if (high > 0)
            spans.push_back({sourceLength - high, high, destinationStart + low * scale, high * scale});
        return spans;
    }
    std::vector<Span> spans;
    if (low > 0)
        spans.push_back({0, low, destinationStart, low});
    const double middleSource = std::max(0.0, sourceLength - low - high);
    const double middleDestination = destinationLength - low - high;
    if (middleDestination > 0) {
        // A cap that covers the whole image leaves no middle: stretch its last column.
        const double start = middleSource > 0 ? low : std::max(0.0, low - 1);
        spans.push_back({start, middleSource > 0 ? middleSource : 1.0, destinationStart + low, middleDestination});
    }
    if (high > 0)
        spans.push_back({sourceLength - high, high, destinationStart + destinationLength - high, high});
    return spans;
}

} // namespace

UIImage::UIImage(int width, int height, std::shared_ptr<const Pixels> pixels)
    : m_width(width), m_height(height), m_pixels(std::move(pixels))
{
}

std::shared_ptr<UIImage> UIImage::imageWithContentsOfFile(const std::string& devicePath)
{
    std::optional<std::string> bytes = readFile(devicePath);
    if (!bytes)
        return nullptr;
    auto image = imageWithPNGData(*bytes);
    if (!image)
        QLog("UIImage: cannot decode %@ as a PNG image", devicePath);
    return image;
}

std::shared_ptr<UIImage> UIImage::imageWithPNGData(const std::string& bytes)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()))
        return nullptr;
    if (png.width == 0 || png.height == 0 || png.width > kMaxImageSide || png.height > kMaxImageSide) {
        png_image_free(&png);
        return nullptr;
    }
    png.format = PNG_FORMAT_RGBA;
    auto pixels = std::make_shared<Pixels>(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, pixels->data(), 0, nullptr)) {
        png_image_free(&png);
        return nullptr;
    }
    return std::shared_ptr<UIImage>(new UIImage(static_cast<int>(png.width), static_cast<int>(png.height), std::move(pixels)));
}

std::shared_ptr<UIImage> UIImage::imageWithPixels(int width, int height, Pixels rgba)
{
    if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4)
        return nullptr;
    return std::shared_ptr<UIImage>(new UIImage(width, height, std::make_shared<const Pixels>(std::move(rgba))));
}

std::shared_ptr<UIImage> UIImage::stretchableImageWithLeftCapWidth(int leftCapWidth, int topCapHeight) const
{
    auto copy = std::shared_ptr<UIImage>(new UIImage(m_width, m_height, m_pixels));
    copy->m_leftCapWidth = std::clamp(leftCapWidth, 0, m_width);
    copy->m_topCapHeight = std::clamp(topCapHeight, 0, m_height);
    return copy;
}

UIEdgeInsets UIImage::capInsets() const
{
    const AxisCaps h = capsFor(m_width, m_leftCapWidth);
    const AxisCaps v = capsFor(m_height, m_topCapHeight);
    return UIEdgeInsetsMake(v.low, h.low, v.high, h.high);
}

std::vector<UIImage::Slice> UIImage::slicesForDrawingIn(const CGRect& destination) const
{
    std::vector<Slice> slices;
    if (m_width <= 0 || m_height <= 0 || destination.size.width <= 0 || destination.size.height <= 0)
        return slices;
    const auto columns = spansFor(m_width, capsFor(m_width, m_leftCapWidth), destination.origin.x, destination.size.width);
    const auto rows = spansFor(m_height, capsFor(m_height, m_topCapHeight), destination.origin.y, destination.size.height);
    for (const Span& row : rows) {
        for (const Span& column : columns) {
            slices.push_back({CGRectMake(column.sourceStart, row.sourceStart, column.sourceLength, row.sourceLength),
                              CGRectMake(column.destinationStart, row.destinationStart, column.destinationLength,
                                         row.destinationLength)});
        }
    }
    return slices;
}

} // namespace platform
