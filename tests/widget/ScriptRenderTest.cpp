// Text in the scripts carriers answer in is drawn with real glyphs: Cyrillic,
// CJK, Greek and Arabic labels ink their frames and no character falls back
// to a box; the picture fonts are all installed; text is unhinted (widths in
// proportion to the size) and a picture is the same each time it is drawn.
#include "tests/widget/WidgetFixture.h"

#include "host/common/render/CairoGraphicsContext.h"
#include "host/common/render/RenderFonts.h"
#include "host/common/render/ViewRenderer.h"
#include "platform/ui/UILabel.h"

#include <cairo.h>

#include <cmath>

namespace {

using namespace platform;
using namespace widget_test;

// Dark enough to be ink on white, light enough to take antialiased edges.
constexpr double kInkTolerance = 0.6;

host::RenderOptions plain()
{
    host::RenderOptions options;
    options.margin = 0;
    options.minimumWidth = 0;
    options.backdrop = false;
    return options;
}

// A white panel with one black 17-point label in it, at (10, 10), tall enough
// for the marks below Arabic letters; the text is centred, so a glyph that
// overhangs its advance (Arabic letters do, by a point) stays inside.
struct LabelPicture {
    std::shared_ptr<UIView> panel = std::make_shared<UIView>(CGRectMake(0, 0, 300, 48));
    std::shared_ptr<UILabel> label = std::make_shared<UILabel>(CGRectMake(10, 10, 280, 28));

    explicit LabelPicture(const std::string& text)
    {
        panel->setBackgroundColor(UIColor::whiteColor());
        label->setText(text);
        label->setTextAlignment(NSTextAlignmentCenter);
        label->setBackgroundColor(std::nullopt);
        panel->addSubview(label);
    }
    int inkInside(const host::RenderedImage& image) const
    {
        return image.countPixelsNear(label->frame(), UIColor::blackColor(), kInkTolerance);
    }
    int inkEverywhere(const host::RenderedImage& image) const
    {
        return image.countPixelsNear(panel->bounds(), UIColor::blackColor(), kInkTolerance);
    }
};

TEST(ScriptRender, EveryPictureFontIsInstalled)
{
    EXPECT_TRUE(host::missingRenderFontFiles().empty()) << "run scripts/setup.sh; missing: " << host::missingRenderFontFiles().front();
}

TEST(ScriptRender, RepliesInOtherScriptsDrawGlyphsInsideTheLabel)
{
    struct Case {
        const char* script;
        const char* text;
    };
    const Case cases[] = {
        {"Cyrillic", "Баланс 120,50 руб"},
        {"CJK (Chinese)", "余额 12.30 元"},
        {"CJK (Japanese)", "残高 500 円"},
        {"CJK (Korean)", "잔액 7,000 원"},
        {"Greek", "Υπόλοιπο 4,20 €"},
        {"Arabic", "الرصيد 15 دينار"},
    };
    host::CairoGraphicsContext metrics;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        EXPECT_EQ(metrics.missingGlyphs(c.text, UILabel::defaultFont()), 0) << "a character would be a box";
        LabelPicture picture(c.text);
        const host::RenderedImage image = host::renderView(*picture.panel, plain());
        const int inside = picture.inkInside(image);
        EXPECT_GT(inside, 300) << "too little ink for a line of text";
        EXPECT_EQ(picture.inkEverywhere(image), inside) << "ink outside the label's frame";
        // Not cut: the whole line fits the 280-point label at 17 points.
        EXPECT_LT(metrics.widthOfText(c.text, UILabel::defaultFont()), 280);
    }
}

TEST(ScriptRender, ACharacterNoFontHasIsCountedAsMissing)
{
    // The check above would pass on boxes if it never saw one: a private-use
    // character has no glyph in any font.
    host::CairoGraphicsContext metrics;
    EXPECT_EQ(metrics.missingGlyphs("a\xEE\x80\x80" "b", UILabel::defaultFont()), 1);
    EXPECT_EQ(metrics.missingGlyphs("", UILabel::defaultFont()), 0);
}

using ScriptWidget = WidgetFixture;

TEST_F(ScriptWidget, DrawsCyrillicAndCjkTitlesInTheirColumns)
{
    writeCodes({code({field("Баланс", "120,50"), field("余额", "12.30")}, at(0))});
    writeSettings({{"titleColor", 4}}); // green titles
    host->show();
    const host::RenderedImage image = host::renderView(*host->view(), {});
    const UIColor green = UIColor::greenColor();
    host::CairoGraphicsContext metrics;
    int inTitles = 0;
    for (int g = 0; g < 2; ++g) {
        SCOPED_TRACE(g);
        const auto title = label(100 + g);
        EXPECT_EQ(metrics.missingGlyphs(title->text(), title->font()), 0);
        const int ink = image.countPixelsNear(title->frame(), green, 0.12);
        EXPECT_GT(ink, 40);
        inTitles += ink;
    }
    const CGRect everything = CGRectMake(-image.viewOrigin().x, -image.viewOrigin().y, image.pixelWidth() / image.scale(),
                                         image.pixelHeight() / image.scale());
    EXPECT_EQ(image.countPixelsNear(everything, green, 0.12), inTitles) << "title ink outside the title frames";
}

TEST(ScriptRender, TextThatIsNotUtf8IsDrawnWithReplacementCharactersAndLogged)
{
    LogCapture log;
    LabelPicture picture("Bal\xFF" "ance");
    const host::RenderedImage image = host::renderView(*picture.panel, plain());
    EXPECT_GT(picture.inkInside(image), 100);
    EXPECT_EQ(log.count("sim: render: text is not valid UTF-8, drawn with U+FFFD for each bad byte: Bal\uFFFDance"), 1u)
        << "once per text, however often it is measured";
}

TEST(ScriptRender, WidthsGrowInProportionToTheSizeAsUnhintedTextDoes)
{
    host::CairoGraphicsContext metrics;
    for (const char* text : {"Refresh When Unlocked", "Баланс 120,50 руб", "余额 12.30 元"}) {
        SCOPED_TRACE(text);
        const double small = metrics.widthOfText(text, UIFont::systemFontOfSize(10));
        const double large = metrics.widthOfText(text, UIFont::systemFontOfSize(17));
        EXPECT_NEAR(large / small, 1.7, 0.002);
    }
    EXPECT_NEAR(metrics.lineHeight(UIFont::systemFontOfSize(20)), 2 * metrics.lineHeight(UIFont::systemFontOfSize(10)), 1e-6);
}

TEST(ScriptRender, OddFontSizesAreMeasuredAtTheNearestUsableSize)
{
    host::CairoGraphicsContext metrics;
    const std::string text = "Баланс";
    const double onePoint = metrics.widthOfText(text, UIFont::systemFontOfSize(1));
    const double largest = metrics.widthOfText(text, UIFont::systemFontOfSize(4096));
    struct Case {
        const char* name;
        double size;
        double expectedWidth;
    };
    const Case cases[] = {
        {"zero", 0, onePoint},
        {"negative", -3, onePoint},
        {"not a number", std::nan(""), onePoint},
        {"beyond the largest", 1e12, largest},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_DOUBLE_EQ(metrics.widthOfText(text, UIFont::systemFontOfSize(c.size)), c.expectedWidth);
        EXPECT_GT(metrics.lineHeight(UIFont::systemFontOfSize(c.size)), 0);
    }
}

TEST(ScriptRender, APictureIsTheSameEachTimeItIsDrawn)
{
    LabelPicture picture("Баланс 120,50 руб · 余额 12.30 元");
    const host::RenderedImage first = host::renderView(*picture.panel, plain());
    const host::RenderedImage second = host::renderView(*picture.panel, plain());
    ASSERT_EQ(first.pixelWidth(), second.pixelWidth());
    int differing = 0;
    for (double y = 0.25; y < 48; y += 0.5)
        for (double x = 0.25; x < 300; x += 0.5)
            differing += !(first.colorAt(CGPointMake(x, y)) == second.colorAt(CGPointMake(x, y)));
    EXPECT_EQ(differing, 0);
}

} // namespace
