// Pictures of the widget, checked against its view tree: each text is drawn
// inside its own frame in its own colour, the background panel and the grid
// lines are where the views say, and the PNG file is written at 2x.
#include "tests/widget/WidgetFixture.h"

#include "host/common/render/CairoGraphicsContext.h"
#include "host/common/render/ViewRenderer.h"

#include <filesystem>
#include <fstream>

namespace {

using namespace platform;
using namespace widget_test;

using WidgetRender = WidgetFixture;

constexpr double kTolerance = 0.12;

// Pixels of the colour anywhere in the picture but inside the allowed frames.
int pixelsOutside(const host::RenderedImage& image, const UIColor& color, const std::vector<CGRect>& allowed)
{
    const double width = image.pixelWidth() / image.scale();
    const double height = image.pixelHeight() / image.scale();
    const CGRect everything = CGRectMake(-image.viewOrigin().x, -image.viewOrigin().y, width, height);
    int inside = 0;
    for (const CGRect& r : allowed)
        inside += image.countPixelsNear(r, color, kTolerance);
    return image.countPixelsNear(everything, color, kTolerance) - inside;
}

TEST_F(WidgetRender, EachTextIsDrawnInItsFrameInItsColour)
{
    writeCodes({code({field("Balance", "12.50"), field("Bonus", "300")}, at(0))});
    writeSettings({{"titleColor", 4}, {"valueColor", 6}}); // green titles, yellow values
    host->show();
    const host::RenderedImage image = host::renderView(*host->view(), {});
    EXPECT_EQ(image.scale(), 2.0);

    const UIColor green = UIColor::greenColor();
    const UIColor yellow = UIColor::yellowColor();
    for (int g = 0; g < 2; ++g) {
        SCOPED_TRACE(g);
        EXPECT_GT(image.countPixelsNear(label(100 + g)->frame(), green, kTolerance), 20);
        EXPECT_GT(image.countPixelsNear(label(200 + g)->frame(), yellow, kTolerance), 20);
        // Each column's text stays in its column.
        EXPECT_EQ(image.countPixelsNear(label(100 + (1 - g))->frame(), yellow, kTolerance), 0);
    }
    EXPECT_EQ(pixelsOutside(image, green, {label(100)->frame(), label(101)->frame()}), 0);
    EXPECT_EQ(pixelsOutside(image, yellow, {label(200)->frame(), label(201)->frame()}), 0);
}

TEST_F(WidgetRender, ALongTitleShrinksInsideItsColumn)
{
    // The second title is empty, so any title colour in its column came from the first.
    writeCodes({code({field("Remaining minutes of the month", "1200"), field("", "50")})});
    writeSettings({{"titleColor", 4}});
    host->show();
    const host::RenderedImage image = host::renderView(*host->view(), {});
    const UIColor green = UIColor::greenColor();
    EXPECT_GT(image.countPixelsNear(label(100)->frame(), green, kTolerance), 20);
    EXPECT_EQ(image.countPixelsNear(label(101)->frame(), green, kTolerance), 0);
    EXPECT_EQ(pixelsOutside(image, green, {label(100)->frame(), label(101)->frame()}), 0);
    // Drawn whole in a smaller font, not cut.
    host::CairoGraphicsContext metrics;
    const auto layout = label(100)->layoutText(metrics);
    EXPECT_LT(layout.font.pointSize(), 15);
    ASSERT_EQ(layout.lines.size(), 1u);
    EXPECT_EQ(layout.lines[0], "Remaining minutes of the month");
    EXPECT_LE(metrics.widthOfText(layout.lines[0], layout.font), 143);
}

TEST_F(WidgetRender, GridlinesAndBackgroundAreWhereTheViewsAre)
{
    writeCodes({code({field("Balance", "12.50"), field("Bonus", "300")}, at(0))});
    writeSettings({{"showGridlines", true}});
    host->show();
    const host::RenderedImage withLines = host::renderView(*host->view(), {});
    const UIColor lineGray = UIColor::colorWithWhite(0.7, 1.0);
    // The separator at x 158 (1 point wide, 2 pixels) from y 9 to 45, clear of the texts' glyphs at y 40.
    EXPECT_GT(withLines.countPixelsNear(CGRectMake(158, 9, 1, 16), lineGray, 0.02), 20);
    EXPECT_GT(withLines.countPixelsNear(CGRectMake(12, 26, 100, 1), lineGray, 0.02), 150);

    // The panel: darker than the backdrop beside the view, and absent at its rounded corner.
    const UIColor beside = withLines.colorAt(CGPointMake(-4, 60));
    const UIColor panel = withLines.colorAt(CGPointMake(100, 60));
    EXPECT_GT(std::abs(beside.red() - panel.red()) + std::abs(beside.blue() - panel.blue()), 0.02);
    const UIColor corner = withLines.colorAt(CGPointMake(2.2, 0.2));
    EXPECT_NEAR(corner.red(), withLines.colorAt(CGPointMake(-4, 0.2)).red(), 0.02);

    host->hide();
    writeSettings({});
    host->show();
    const host::RenderedImage without = host::renderView(*host->view(), {});
    EXPECT_EQ(without.countPixelsNear(CGRectMake(158, 9, 1, 16), lineGray, 0.02), 0);
}

TEST_F(WidgetRender, WritesAPngAtTwiceThePoints)
{
    writeCodes({code({field("Balance", "12.50"), field("Bonus", "300")}, at(0))});
    host->show();
    const std::string file = root.root() + "/widget.png";
    ASSERT_TRUE(host->renderToPng(file));
    std::ifstream in(file, std::ios::binary);
    char header[24] = {};
    in.read(header, sizeof header);
    ASSERT_EQ(std::string(header + 1, 3), "PNG");
    auto be32 = [&](int at) {
        return (static_cast<unsigned char>(header[at]) << 24) | (static_cast<unsigned char>(header[at + 1]) << 16) |
               (static_cast<unsigned char>(header[at + 2]) << 8) | static_cast<unsigned char>(header[at + 3]);
    };
    // 316 + 2 x 8 margin = 332 points wide, 65 + 16 high.
    EXPECT_EQ(be32(16), 664);
    EXPECT_EQ(be32(20), 162);
    // Without a view there is nothing to draw.
    host->hide();
    EXPECT_FALSE(host->renderToPng(root.root() + "/none.png"));
    EXPECT_FALSE(std::filesystem::exists(root.root() + "/none.png"));
}

} // namespace
