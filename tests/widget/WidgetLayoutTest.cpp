// The widget's full layout, loaded from an installed bundle through the
// Notification Center host: geometry on iPhone and iPad, tags over several
// codes, grid lines, colours from the settings, texts and the refresh line.
#include "tests/widget/WidgetFixture.h"

namespace {

using namespace platform;
using namespace widget_test;

using WidgetLayout = WidgetFixture;

TEST_F(WidgetLayout, IphoneWithTwoFields)
{
    writeCodes({code({field("Balance", "12.50"), field("Bonus", "300")}, at(0))});
    writeSettings({{"showGridlines", true}});
    host->show();
    auto view = host->view();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->frame(), CGRectMake(0, 0, 316, 65));
    EXPECT_EQ(host->viewHeight(), 65.0f);
    EXPECT_EQ(view->autoresizingMask(), UIViewAutoresizingFlexibleWidth);

    // The stretched background comes first, 2 points in from each side.
    auto background = std::dynamic_pointer_cast<UIImageView>(view->subviews().at(0));
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->frame(), CGRectMake(2, 0, 312, 65));
    EXPECT_EQ(background->autoresizingMask(), UIViewAutoresizingFlexibleWidth);
    ASSERT_NE(background->image(), nullptr);
    EXPECT_EQ(background->image()->leftCapWidth(), static_cast<int>(background->image()->size().width / 2));
    EXPECT_EQ(background->image()->topCapHeight(), static_cast<int>(background->image()->size().height / 2));

    const CGRect titles[] = {CGRectMake(10, 5, 143, 20), CGRectMake(163, 5, 143, 20)};
    const CGRect values[] = {CGRectMake(10, 30, 143, 15), CGRectMake(163, 30, 143, 15)};
    const char* titleTexts[] = {"Balance", "Bonus"};
    const char* valueTexts[] = {"12.50", "300"};
    for (int g = 0; g < 2; ++g) {
        SCOPED_TRACE(g);
        auto title = label(100 + g);
        auto value = label(200 + g);
        ASSERT_NE(title, nullptr);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(title->frame(), titles[g]);
        EXPECT_EQ(value->frame(), values[g]);
        EXPECT_EQ(title->text(), titleTexts[g]);
        EXPECT_EQ(value->text(), valueTexts[g]);
        EXPECT_EQ(title->font(), UIFont::systemFontOfSize(15));
        EXPECT_EQ(value->font(), UIFont::boldSystemFontOfSize(18));
        for (const auto& l : {title, value}) {
            EXPECT_EQ(l->textAlignment(), NSTextAlignmentCenter);
            EXPECT_TRUE(l->adjustsFontSizeToFitWidth());
            EXPECT_EQ(l->numberOfLines(), 1);
            EXPECT_EQ(l->backgroundColor(), UIColor::clearColor());
        }
        EXPECT_EQ(title->textColor().name(), "orange");
        EXPECT_EQ(value->textColor().name(), "white");
    }

    // One separator between the columns, and the line under the titles.
    EXPECT_EQ(gridlines(), (std::vector<CGRect>{CGRectMake(158, 9, 1, 36), CGRectMake(10, 26, 296, 1)}));
    for (const auto& v : view->subviews()) {
        if (v->className() == "UIView") {
            EXPECT_EQ(v->backgroundColor(), UIColor::colorWithWhite(0.7, 1.0));
        }
    }

    auto line = label(500);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->frame(), CGRectMake(0, 45, 306, 20));
    EXPECT_EQ(line->textAlignment(), NSTextAlignmentRight);
    EXPECT_EQ(line->textColor().name(), "gray");
    EXPECT_EQ(line->font(), UILabel::defaultFont().fontWithSize(10));
    EXPECT_FALSE(line->adjustsFontSizeToFitWidth());
    EXPECT_EQ(line->text(), "Refreshed at: 09:00:00  \u21BB");
    EXPECT_TRUE(line->isUserInteractionEnabled());
    EXPECT_EQ(line->gestureRecognizers().size(), 1u);

    EXPECT_EQ(widgetLines(), (std::vector<std::string>{
                                 "Qvl: device detected: iPhone4,1",
                                 "Qvl: number of stored codes: 1",
                                 "Qvl: title color not defined",
                                 "Qvl: widget found 2 total fields",
                                 "Qvl setting title to Balance",
                                 "Qvl setting value to 12.50",
                                 "Qvl setting title to Bonus",
                                 "Qvl setting value to 300",
                             }));
}

TEST_F(WidgetLayout, IpadIsWiderAndOneFieldTakesTheWholeWidth)
{
    device.hardwareModel = "iPad2,5";
    writeCodes({code({field("Minutes", "120")})});
    writeSettings({{"showGridlines", true}});
    host->show();
    ASSERT_NE(host->view(), nullptr);
    EXPECT_EQ(host->view()->frame(), CGRectMake(0, 0, 476, 65));
    EXPECT_EQ(host->view()->subviews().at(0)->frame(), CGRectMake(2, 0, 472, 65));
    EXPECT_EQ(label(100)->frame(), CGRectMake(10, 5, 456, 20));
    EXPECT_EQ(label(200)->frame(), CGRectMake(10, 30, 456, 15));
    EXPECT_EQ(label(500)->frame(), CGRectMake(0, 45, 466, 20));
    // One column: no separator, only the horizontal line, 456 wide.
    EXPECT_EQ(gridlines(), (std::vector<CGRect>{CGRectMake(10, 26, 456, 1)}));
    EXPECT_TRUE(log.contains("Qvl: device detected: iPad2,5"));
}

TEST_F(WidgetLayout, TagsRunOverEveryFieldOfEveryCode)
{
    writeCodes({code({field("A", "1")}), code({field("B", "2"), field("C", "3")})});
    writeSettings({{"showGridlines", true}});
    host->show();
    // U = 306 over 3 columns: P = 102, L = 92.
    const char* titles[] = {"A", "B", "C"};
    for (int g = 0; g < 3; ++g) {
        SCOPED_TRACE(g);
        ASSERT_NE(label(100 + g), nullptr);
        EXPECT_EQ(label(100 + g)->text(), titles[g]);
        EXPECT_EQ(label(100 + g)->frame(), CGRectMake(g * 102 + 10, 5, 92, 20));
        EXPECT_EQ(label(200 + g)->frame(), CGRectMake(g * 102 + 10, 30, 92, 15));
    }
    EXPECT_EQ(label(103), nullptr);
    EXPECT_EQ(label(203), nullptr);
    // Separators after columns 0 and 1 (also across the two codes), none after column 2.
    EXPECT_EQ(gridlines(), (std::vector<CGRect>{CGRectMake(107, 9, 1, 36), CGRectMake(209, 9, 1, 36),
                                                CGRectMake(10, 26, 296, 1)}));
}

TEST_F(WidgetLayout, NoSeparatorAfterTheLastColumnWhenTheLastCodeHasNoFields)
{
    writeCodes({code({field("A", "1"), field("B", "2")}), code({})});
    writeSettings({{"showGridlines", true}});
    host->show();
    EXPECT_EQ(gridlines(), (std::vector<CGRect>{CGRectMake(158, 9, 1, 36), CGRectMake(10, 26, 296, 1)}));
}

TEST_F(WidgetLayout, GridlinesOffOrMissingDrawNone)
{
    const Dict settings[] = {{}, {{"showGridlines", false}}, {{"showGridlines", "0"}}};
    for (const Dict& s : settings) {
        SCOPED_TRACE(Value(s).description());
        writeCodes({code({field("A", "1"), field("B", "2")})});
        writeSettings(s);
        host->show();
        EXPECT_TRUE(gridlines().empty());
        host->hide();
    }
}

TEST_F(WidgetLayout, ColourIndexesPickFromTheTable)
{
    struct Case {
        const char* name;
        Dict settings;
        const char* title;
        const char* value;
        const char* logLine; // nullptr: none about the title colour
    };
    const Case cases[] = {
        {"both missing", {}, "orange", "white", "Qvl: title color not defined"},
        {"white for both", {{"titleColor", 3}, {"valueColor", 3}}, "white", "white", "Qvl: title color is set to 3"},
        {"out of range", {{"titleColor", 12}, {"valueColor", 12}}, "red", "white", "Qvl: title color is set to 12"},
        {"negative is out of range", {{"titleColor", -1}, {"valueColor", -1}}, "red", "white",
         "Qvl: title color is set to 4294967295"},
        {"first and last entries", {{"titleColor", 0}, {"valueColor", 9}}, "red", "brown", "Qvl: title color is set to 0"},
        {"numeric text", {{"titleColor", "7"}, {"valueColor", "8"}}, "orange", "purple", "Qvl: title color is set to 7"},
        {"value only", {{"valueColor", 4}}, "orange", "green", "Qvl: title color not defined"},
        {"title only", {{"titleColor", 5}}, "blue", "white", "Qvl: title color is set to 5"},
        {"yellow and gray", {{"titleColor", 6}, {"valueColor", 2}}, "yellow", "gray", "Qvl: title color is set to 6"},
        {"black", {{"titleColor", 1}, {"valueColor", 1}}, "black", "black", "Qvl: title color is set to 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeCodes({code({field("A", "1")})});
        writeSettings(c.settings);
        log.clear();
        host->show();
        ASSERT_NE(label(100), nullptr);
        EXPECT_EQ(label(100)->textColor().name(), c.title);
        EXPECT_EQ(label(200)->textColor().name(), c.value);
        EXPECT_TRUE(log.contains(c.logLine));
        host->hide();
    }
    // The table's colours carry the platform's components.
    writeSettings({{"titleColor", 7}, {"valueColor", 9}});
    host->show();
    EXPECT_EQ(label(100)->textColor(), UIColor::colorWithRed(1.0, 0.5, 0.0, 1.0));
    EXPECT_EQ(label(200)->textColor(), UIColor::colorWithRed(0.6, 0.4, 0.2, 1.0));
}

TEST_F(WidgetLayout, MissingSettingsStoreGivesTheDefaults)
{
    writeCodes({code({field("A", "1"), field("B", "2")})});
    host->show();
    EXPECT_EQ(label(100)->textColor().name(), "orange");
    EXPECT_EQ(label(200)->textColor().name(), "white");
    EXPECT_TRUE(gridlines().empty());
}

TEST_F(WidgetLayout, LiteralNullShowsEmptyAndMissingKeysShowNothing)
{
    Array fields{field("(null)", "(null)"), Dict{{"index", 1}}, field("Sum", "5")};
    writeCodes({code(fields)});
    host->show();
    EXPECT_EQ(label(100)->text(), "");
    EXPECT_EQ(label(200)->text(), "");
    EXPECT_EQ(label(101)->text(), "");
    EXPECT_EQ(label(201)->text(), "");
    EXPECT_EQ(label(102)->text(), "Sum");
    // The log names what was there, "(null)" for a missing key.
    EXPECT_TRUE(log.contains("Qvl setting title to (null)"));
    EXPECT_TRUE(log.contains("Qvl setting value to (null)"));
}

TEST_F(WidgetLayout, TheLastCodeDecidesTheRefreshLine)
{
    struct Case {
        const char* name;
        Array codes;
        const char* text;
    };
    const Case cases[] = {
        {"last code never refreshed", {code({field("A", "1")}, at(60)), code({field("B", "2")})}, "Refresh \u21BB"},
        {"last code's time wins", {code({field("A", "1")}), code({field("B", "2")}, at(3725))},
         "Refreshed at: 10:02:05  \u21BB"},
        {"refreshedAt of the wrong type", {code({field("A", "1")}, at(60)), Dict{{"refreshedAt", "09:00"}}}, "Refresh \u21BB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeCodes(c.codes);
        host->show();
        ASSERT_NE(label(500), nullptr);
        EXPECT_EQ(label(500)->text(), c.text);
        host->hide();
    }
}

TEST_F(WidgetLayout, NoCodesShowsThePlaceholderWithoutATapOrObserver)
{
    struct Case {
        const char* name;
        std::optional<Dict> store;
    };
    const Case cases[] = {
        {"no codes store", std::nullopt},
        {"no codes key", Dict{{"other", 1}}},
        {"empty codes", Dict{{"codes", Array{}}}},
        {"codes not an array", Dict{{"codes", "*100#"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.store) {
            ASSERT_TRUE(writeDictionaryAtomically(quorvel::kCodesStorePath, *c.store));
        }
        log.clear();
        host->show();
        ASSERT_NE(label(500), nullptr);
        EXPECT_EQ(label(500)->text(), "Please go to Settings/Quorvel to configure the widget.");
        EXPECT_EQ(label(500)->frame(), CGRectMake(0, 45, 306, 20));
        EXPECT_EQ(label(100), nullptr);
        EXPECT_FALSE(host->tapRefreshLine());
        EXPECT_EQ(refreshRequests, 0);
        EXPECT_EQ(refreshObservers(), 0u);
        EXPECT_TRUE(log.contains("Qvl: number of stored codes: 0"));
        host->hide();
    }
}

TEST_F(WidgetLayout, CodesWithoutFieldsStillGetTheLineTheTapAndTheObserver)
{
    writeCodes({code({}), Dict{{"ussdCode", "*101#"}}});
    writeSettings({{"showGridlines", true}});
    host->show();
    EXPECT_EQ(label(100), nullptr);
    EXPECT_EQ(gridlines(), (std::vector<CGRect>{CGRectMake(10, 26, 296, 1)}));
    EXPECT_EQ(label(500)->text(), "Refresh \u21BB");
    EXPECT_TRUE(log.contains("Qvl: widget found 0 total fields"));
    EXPECT_TRUE(host->tapRefreshLine());
    EXPECT_EQ(refreshRequests, 1);
    EXPECT_EQ(refreshObservers(), 1u);
}

TEST_F(WidgetLayout, MalformedRecordsAreSkippedAndTakeNoColumn)
{
    writeCodes({
        "not a record",
        code({field("A", "1"), "not a field", field("B", "2")}),
        Dict{{"fields", Dict{{"title", "C"}}}},
        code({field("D", "4")}, at(0)),
    });
    host->show();
    ASSERT_NE(host->view(), nullptr);
    // Three good fields in three columns, numbered without gaps.
    const char* titles[] = {"A", "B", "D"};
    for (int g = 0; g < 3; ++g) {
        SCOPED_TRACE(g);
        ASSERT_NE(label(100 + g), nullptr);
        EXPECT_EQ(label(100 + g)->text(), titles[g]);
        EXPECT_EQ(label(100 + g)->frame().origin.x, g * 102 + 10);
    }
    EXPECT_EQ(label(103), nullptr);
    EXPECT_TRUE(log.contains("Qvl: widget found 3 total fields"));
    EXPECT_TRUE(log.contains("Qvl: skipping code 0: the record is not a dictionary"));
    EXPECT_TRUE(log.contains("Qvl: skipping field 1 of code 1: the record is not a dictionary"));
    EXPECT_TRUE(log.contains("Qvl: skipping the fields of code 2: not an array"));
    EXPECT_EQ(label(500)->text(), "Refreshed at: 09:00:00  \u21BB");
}

TEST_F(WidgetLayout, NonTextValuesShowAsThePlatformPrintsThem)
{
    writeCodes({code({Dict{{"title", 42}, {"lastValue", 12.5}}, Dict{{"title", Array{}}, {"lastValue", true}}})});
    host->show();
    EXPECT_EQ(label(100)->text(), "42");
    EXPECT_EQ(label(200)->text(), "12.5");
    EXPECT_EQ(label(101)->text(), "");
}

} // namespace
