// View trees as SVG: what a drawing becomes (escaped text at Pango's widths,
// clips that intersect, images as data), and the roles a screen reader reads.
#include "host/web/PageDrawing.h"
#include "host/web/SvgCanvas.h"
#include "host/web/ViewSvg.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UISwitch.h"
#include "platform/ui/UITableViewCell.h"
#include "platform/ui/UITextField.h"
#include "platform/ui/UIView.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using namespace platform;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(SvgCanvas, TextIsEscapedAndNeverInvalidXml)
{
    EXPECT_EQ(host::xmlEscaped("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&#39;");
    // A byte that is no UTF-8 becomes U+FFFD; control characters a blank.
    EXPECT_EQ(host::xmlEscaped("x\xff" "y\x01z"), "x\xef\xbf\xbdy z");
}

TEST(SvgCanvas, TextKeepsTheWidthThePicturesGiveIt)
{
    host::SvgCanvas canvas;
    const UIFont font = UIFont::boldSystemFontOfSize(17);
    const double width = canvas.widthOfText("Balance: 12.50", font);
    canvas.translate(10, 20);
    canvas.drawText("Balance: 12.50", CGPointMake(5, 15), font, UIColor::whiteColor());
    const std::string svg = canvas.take();
    std::smatch found;
    ASSERT_TRUE(std::regex_search(svg, found, std::regex(R"re(<text x="15" y="35" font-size="17" font-weight="bold" fill="rgb\(255,255,255\)" textLength="([0-9.]+)")re")))
        << svg;
    EXPECT_NEAR(std::stod(found[1]), width, 1e-3);
    EXPECT_TRUE(contains(svg, ">Balance: 12.50</text>"));
}

TEST(SvgCanvas, NestedClipsIntersectAndEndWithTheirState)
{
    host::SvgCanvas canvas("t-");
    canvas.saveState();
    canvas.clipToRect(CGRectMake(0, 0, 100, 100));
    canvas.translate(50, 50);
    canvas.clipToRect(CGRectMake(0, 0, 100, 100));
    canvas.fillRect(CGRectMake(0, 0, 10, 10), UIColor::blackColor());
    canvas.restoreState();
    canvas.restoreState();   // one more than was saved: the outermost state stays
    canvas.fillRect(CGRectMake(0, 0, 10, 10), UIColor::colorWithWhite(1, 0.5));
    const std::string svg = canvas.take();
    EXPECT_TRUE(contains(svg, "<clipPath id=\"t-1\"><rect x=\"50\" y=\"50\" width=\"50\" height=\"50\"/></clipPath>")) << svg;
    EXPECT_TRUE(contains(svg, "<rect x=\"50\" y=\"50\" width=\"10\" height=\"10\" fill=\"rgb(0,0,0)\" clip-path=\"url(#t-1)\"/>"));
    EXPECT_TRUE(contains(svg, "<rect x=\"0\" y=\"0\" width=\"10\" height=\"10\" fill=\"rgb(255,255,255)\" fill-opacity=\"0.5\"/>"));
}

TEST(ViewSvg, RowsFieldsAndSwitchesSayWhatTheyAre)
{
    auto root = std::make_shared<UIView>(CGRectMake(0, 0, 320, 200));
    auto cell = std::make_shared<UITableViewCell>(UITableViewCellStyleValue1, "c");
    cell->setFrame(CGRectMake(0, 0, 320, 44));
    cell->textLabel()->setText("*100#");
    cell->detailTextLabel()->setText("2 fields");
    root->addSubview(cell);
    auto field = std::make_shared<UITextField>(CGRectMake(10, 60, 200, 30));
    field->setPlaceholder("Enter field title");
    field->setTag(100);
    root->addSubview(field);
    auto toggle = std::make_shared<UISwitch>(CGRectMake(10, 100, 79, 27));
    toggle->setOn(true, false);
    root->addSubview(toggle);
    auto hidden = std::make_shared<UILabel>(CGRectMake(0, 150, 100, 20));
    hidden->setText("not shown");
    hidden->setHidden(true);
    root->addSubview(hidden);

    root->layoutIfNeeded();
    host::SvgCanvas canvas;
    host::appendViewTree(canvas, *root, CGPointMake(0, 0));
    const std::string svg = canvas.take();
    EXPECT_TRUE(contains(svg, "data-view=\"UITableViewCell\" role=\"button\" aria-label=\"*100#, 2 fields\"")) << svg;
    EXPECT_TRUE(contains(svg, "data-tag=\"100\" role=\"textbox\" aria-label=\"Enter field title\" data-value=\"\""));
    EXPECT_TRUE(contains(svg, "role=\"switch\" aria-checked=\"true\""));
    EXPECT_TRUE(contains(svg, ">*100#</text>"));
    EXPECT_FALSE(contains(svg, "not shown"));
}

TEST(PageDrawing, NotificationCenterCentresTheWidgetAsThePictureDoes)
{
    auto widget = std::make_shared<UIView>(CGRectMake(0, 0, 316, 65));
    const host::NotificationCenterSvg nc = host::notificationCenterSvg(widget.get());
    // The PNG's geometry: at least 320 wide with 8 points of margin, the view centred.
    EXPECT_EQ(nc.viewOrigin.x, 8);
    EXPECT_EQ(nc.viewOrigin.y, 8);
    EXPECT_TRUE(contains(nc.svg, "viewBox=\"0 0 332 81\""));
    EXPECT_TRUE(contains(host::notificationCenterSvg(nullptr).svg, "viewBox=\"0 0 320 16\""));
}

} // namespace
