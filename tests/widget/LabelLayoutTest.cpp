// Label layout against predictable text metrics: shrinking to fit, the
// minimum scale factor, truncation, wrapping and where aligned text is drawn.
#include "platform/foundation/Utf8.h"
#include "platform/ui/UIGraphicsContext.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UITableViewCell.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;

// Every character (not byte) is half the font size wide; lines are 1.2 sizes apart.
class FixedMetricsContext : public UIGraphicsContext {
public:
    struct Drawn {
        std::string text;
        CGPoint baseline;
        double size;
        UIColor color;
    };
    std::vector<Drawn> drawn;

    double widthOfText(const std::string& text, const UIFont& font) override
    {
        return static_cast<double>(utf8::characterCount(text)) * font.pointSize() / 2;
    }
    double ascent(const UIFont& font) override { return font.pointSize() * 0.8; }
    double lineHeight(const UIFont& font) override { return font.pointSize() * 1.2; }
    void saveState() override {}
    void restoreState() override {}
    void translate(double, double) override {}
    void clipToRect(const CGRect&) override {}
    void fillRect(const CGRect&, const UIColor&) override {}
    void drawImagePart(const UIImage&, const CGRect&, const CGRect&) override {}
    void drawText(const std::string& text, CGPoint baseline, const UIFont& font, const UIColor& color) override
    {
        drawn.push_back({text, baseline, font.pointSize(), color});
    }
};

std::shared_ptr<UILabel> label(const std::string& text, double width, double size = 10)
{
    auto l = std::make_shared<UILabel>(CGRectMake(0, 0, width, 20));
    l->setFont(UIFont::systemFontOfSize(size));
    l->setText(text);
    return l;
}

TEST(UILabelDefaults, SeventeenPointSystemFontBlackLeftOneLine)
{
    UILabel l;
    EXPECT_EQ(l.font(), UIFont::systemFontOfSize(17));
    EXPECT_EQ(l.font().fontWithSize(10), UIFont::systemFontOfSize(10));
    EXPECT_EQ(l.textColor(), UIColor::blackColor());
    EXPECT_EQ(l.textAlignment(), NSTextAlignmentLeft);
    EXPECT_EQ(l.numberOfLines(), 1);
    EXPECT_FALSE(l.adjustsFontSizeToFitWidth());
}

TEST(UILabelLayout, ShrinksToFitTheWidthWithinTheScaleFactor)
{
    struct Case {
        const char* name;
        std::string text;
        bool adjusts;
        double minimumScaleFactor;
        double expectedSize;
        std::string expectedLine;
    };
    // Width 40 points, font 10: 8 characters fit.
    const Case cases[] = {
        {"fits as it is", "12345678", true, 0, 10, "12345678"},
        {"shrinks to fit", "1234567890", true, 0, 8, "1234567890"},
        {"shrinking off: cut with an ellipsis", "1234567890", false, 0, 10, "1234567\u2026"},
        {"scale factor stops the shrinking, then cut", "12345678901234567890", true, 0.5, 5, "123456789012345\u2026"},
        {"factor above 1 allows no shrinking", "1234567890", true, 6.0, 10, "1234567\u2026"},
        {"never below the smallest size", std::string(100, 'x'), true, 0, UILabel::kSmallestFontSize,
         std::string(19, 'x') + "\u2026"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto l = label(c.text, 40);
        l->setAdjustsFontSizeToFitWidth(c.adjusts);
        l->setMinimumScaleFactor(c.minimumScaleFactor);
        FixedMetricsContext metrics;
        const auto layout = l->layoutText(metrics);
        EXPECT_DOUBLE_EQ(layout.font.pointSize(), c.expectedSize);
        ASSERT_EQ(layout.lines.size(), 1u);
        EXPECT_EQ(layout.lines[0], c.expectedLine);
        // The face never changes when the size does.
        EXPECT_EQ(layout.font.face(), UIFont::Face::system);
    }
}

TEST(UILabelLayout, TruncationNeverSplitsACharacter)
{
    struct Case {
        const char* name;
        std::string text;
        double width; // 5 points a character
        std::string expected;
    };
    const Case cases[] = {
        {"arrows", "\u21BB\u21BB\u21BB\u21BB\u21BB\u21BB", 15, "\u21BB\u21BB\u2026"},
        {"Cyrillic", "Баланс 120", 25, "Бала\u2026"},
        {"CJK", "余额余额余额", 20, "余额余\u2026"},
        // Each stray byte is a character of its own: cutting one never takes
        // the valid text before it.
        {"stray continuation bytes", "ab\x80\x80\x80\x80\x80", 20, "ab\x80\u2026"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto l = label(c.text, c.width);
        FixedMetricsContext metrics;
        const auto layout = l->layoutText(metrics);
        ASSERT_EQ(layout.lines.size(), 1u);
        EXPECT_EQ(layout.lines[0], c.expected);
    }
}

TEST(UILabelLayout, WrapsWordsUpToTheNumberOfLines)
{
    auto l = label("one two three four five", 40); // 8 characters a line
    l->setFrame(CGRectMake(0, 0, 40, 100));
    FixedMetricsContext metrics;

    l->setNumberOfLines(0);
    EXPECT_EQ(l->layoutText(metrics).lines, (std::vector<std::string>{"one two", "three", "four", "five"}));

    l->setNumberOfLines(2);
    EXPECT_EQ(l->layoutText(metrics).lines, (std::vector<std::string>{"one two", "three\u2026"}));

    // With an open count, the height decides: 30 points hold two 12-point lines.
    l->setNumberOfLines(0);
    l->setFrame(CGRectMake(0, 0, 40, 30));
    EXPECT_EQ(l->layoutText(metrics).lines.size(), 2u);
}

TEST(UILabelDrawing, AlignsInTheBoundsAndCentresVertically)
{
    struct Case {
        NSTextAlignment alignment;
        double x;
    };
    // "abcd" at 10 points is 20 wide in a 100 x 20 label; the line is 12 high, so
    // its top is at 4 and its baseline at 4 + 8.
    const Case cases[] = {{NSTextAlignmentLeft, 0}, {NSTextAlignmentCenter, 40}, {NSTextAlignmentRight, 80}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.alignment);
        auto l = label("abcd", 100);
        l->setTextAlignment(c.alignment);
        l->setTextColor(UIColor::orangeColor());
        FixedMetricsContext context;
        l->drawRect(context, l->bounds());
        ASSERT_EQ(context.drawn.size(), 1u);
        EXPECT_DOUBLE_EQ(context.drawn[0].baseline.x, c.x);
        EXPECT_DOUBLE_EQ(context.drawn[0].baseline.y, 12);
        EXPECT_EQ(context.drawn[0].color, UIColor::orangeColor());
    }
}

TEST(UILabelDrawing, NothingForEmptyTextClearColourOrNoWidth)
{
    FixedMetricsContext context;
    label("", 100)->drawRect(context, CGRectMake(0, 0, 100, 20));
    auto clear = label("abc", 100);
    clear->setTextColor(UIColor::clearColor());
    clear->drawRect(context, clear->bounds());
    auto negative = label("abc", -10);
    negative->drawRect(context, negative->bounds());
    EXPECT_TRUE(context.drawn.empty());
}

// A value row's detail text gets the width it takes, as the host measures it,
// so the main text beside it is not shrunk for width it never needed.
TEST(UITableViewCellLayout, DetailTextTakesTheWidthItNeeds)
{
    FixedMetricsContext measurer;
    struct Case {
        const char* detail;
        bool measured;
        double width;
    };
    const Case cases[] = {
        {"10 seconds", true, 10 * 17 / 2.0 + 4},
        // Without a measurer the estimate counts characters, not bytes.
        {"10 секунд", false, 0.6 * 17 * 9 + 4},
        // At most 60% of the row, whatever it needs.
        {"a detail text far longer than any row could hold", true, 0.6 * 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.detail);
        setLayoutTextMeasurer(c.measured ? &measurer : nullptr);
        auto cell = std::make_shared<UITableViewCell>(UITableViewCellStyleValue1, "cell");
        cell->setFrame(CGRectMake(0, 0, 320, 44));
        cell->textLabel()->setText("Max Response Time");
        cell->detailTextLabel()->setText(c.detail);
        cell->layoutSubviews();
        EXPECT_DOUBLE_EQ(cell->detailTextLabel()->frame().size.width, c.width);
        EXPECT_DOUBLE_EQ(cell->textLabel()->frame().size.width, 300 - c.width - 6);
    }
    setLayoutTextMeasurer(nullptr);
}

} // namespace
