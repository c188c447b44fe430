// Images: PNG decoding from device paths, stretchable caps and the slices a
// stretchable image is drawn with.
#include "platform/foundation/Files.h"
#include "platform/ui/UIImage.h"
#include "platform/ui/UIImageView.h"
#include "tests/support/TestSupport.h"

#include <png.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace platform;

std::string encodePng(int width, int height, const std::vector<uint8_t>& rgba)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr);
    std::string bytes(size, '\0');
    EXPECT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, rgba.data(), 0, nullptr));
    bytes.resize(size);
    return bytes;
}

TEST(UIImageFile, DecodesSizeAndPixels)
{
    quorvel::test::TempDeviceRoot root;
    ASSERT_TRUE(createDirectories("/img"));
    std::vector<uint8_t> rgba(5 * 3 * 4, 0);
    rgba[0] = 255; rgba[3] = 255;                        // (0,0) opaque red
    rgba[(2 * 5 + 4) * 4 + 2] = 255; rgba[(2 * 5 + 4) * 4 + 3] = 128; // (4,2) half blue
    ASSERT_TRUE(writeFileAtomically("/img/p.png", encodePng(5, 3, rgba)));

    auto image = UIImage::imageWithContentsOfFile("/img/p.png");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->size(), CGSizeMake(5, 3));
    EXPECT_EQ(image->pixels(), rgba);
    EXPECT_FALSE(image->isStretchable());
}

TEST(UIImageFile, MissingFileGivesNoImageAndNoLogLine)
{
    quorvel::test::TempDeviceRoot root;
    quorvel::test::LogCapture log;
    EXPECT_EQ(UIImage::imageWithContentsOfFile("/nowhere/background7.png"), nullptr);
    EXPECT_TRUE(log.lines().empty());
    // The image view then simply has no image and draws nothing.
    UIImageView view{std::shared_ptr<UIImage>()};
    EXPECT_EQ(view.frame(), CGRect{});
}

TEST(UIImageFile, BrokenFilesGiveNoImageAndSayWhy)
{
    quorvel::test::TempDeviceRoot root;
    ASSERT_TRUE(createDirectories("/img"));
    const std::string good = encodePng(4, 4, std::vector<uint8_t>(64, 200));
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"empty", ""},
        {"not a PNG", "GIF89a not really"},
        {"truncated", good.substr(0, good.size() / 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        quorvel::test::LogCapture log;
        ASSERT_TRUE(writeFileAtomically("/img/bad.png", c.bytes));
        EXPECT_EQ(UIImage::imageWithContentsOfFile("/img/bad.png"), nullptr);
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_NE(log.lines()[0].find("/img/bad.png"), std::string::npos);
    }
}

TEST(UIImageStretch, CapsLeaveOneStretchedRowAndColumn)
{
    auto image = UIImage::imageWithPixels(21, 15, std::vector<uint8_t>(21 * 15 * 4, 0));
    ASSERT_NE(image, nullptr);
    auto stretchable = image->stretchableImageWithLeftCapWidth(10, 7);
    EXPECT_EQ(stretchable->capInsets(), UIEdgeInsetsMake(7, 10, 7, 10));
    // The original is unchanged, and both share the pixels.
    EXPECT_FALSE(image->isStretchable());
    EXPECT_EQ(&stretchable->pixels(), &image->pixels());

    // Even sizes: the right cap is one narrower than the left.
    auto even = UIImage::imageWithPixels(20, 20, std::vector<uint8_t>(20 * 20 * 4, 0))->stretchableImageWithLeftCapWidth(10, 10);
    EXPECT_EQ(even->capInsets(), UIEdgeInsetsMake(10, 10, 9, 9));
    // A cap of 0 stretches that whole axis; caps beyond the image are limited to it.
    EXPECT_EQ(image->stretchableImageWithLeftCapWidth(0, 7)->capInsets(), UIEdgeInsetsMake(7, 0, 7, 0));
    EXPECT_EQ(image->stretchableImageWithLeftCapWidth(50, -3)->capInsets(), UIEdgeInsetsMake(0, 21, 0, 0));
}

TEST(UIImageStretch, SlicesKeepTheCornersAndStretchTheMiddle)
{
    auto image = UIImage::imageWithPixels(21, 21, std::vector<uint8_t>(21 * 21 * 4, 0))->stretchableImageWithLeftCapWidth(10, 10);
    const auto slices = image->slicesForDrawingIn(CGRectMake(2, 0, 312, 65));
    ASSERT_EQ(slices.size(), 9u);
    // Top-left corner: 10 x 10 pixels drawn 10 x 10 points at the destination's corner.
    EXPECT_EQ(slices[0].source, CGRectMake(0, 0, 10, 10));
    EXPECT_EQ(slices[0].destination, CGRectMake(2, 0, 10, 10));
    // Middle: the one pixel at (10, 10) fills everything between the caps.
    EXPECT_EQ(slices[4].source, CGRectMake(10, 10, 1, 1));
    EXPECT_EQ(slices[4].destination, CGRectMake(12, 10, 292, 45));
    // Bottom-right corner ends at the destination's corner.
    EXPECT_EQ(slices[8].source, CGRectMake(11, 11, 10, 10));
    EXPECT_EQ(slices[8].destination, CGRectMake(304, 55, 10, 10));
}

TEST(UIImageStretch, DestinationsSmallerThanTheCapsShrinkThem)
{
    auto image = UIImage::imageWithPixels(21, 21, std::vector<uint8_t>(21 * 21 * 4, 0))->stretchableImageWithLeftCapWidth(10, 10);
    const auto slices = image->slicesForDrawingIn(CGRectMake(0, 0, 10, 40));
    // Horizontally only the two caps, 5 points each; vertically caps and middle.
    ASSERT_EQ(slices.size(), 6u);
    EXPECT_EQ(slices[0].destination, CGRectMake(0, 0, 5, 10));
    EXPECT_EQ(slices[1].destination, CGRectMake(5, 0, 5, 10));
    EXPECT_TRUE(image->slicesForDrawingIn(CGRectMake(0, 0, 0, 40)).empty());
    EXPECT_TRUE(image->slicesForDrawingIn(CGRectMake(0, 0, -10, 40)).empty());
    // A plain image is one slice, scaled to fill.
    auto plain = UIImage::imageWithPixels(2, 2, std::vector<uint8_t>(16, 0));
    const auto one = plain->slicesForDrawingIn(CGRectMake(1, 1, 30, 40));
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].source, CGRectMake(0, 0, 2, 2));
    EXPECT_EQ(one[0].destination, CGRectMake(1, 1, 30, 40));
}

} // namespace
