// The widget at work: a tap asks the engine for a refresh, the engine's
// announcement redraws the values in place, and unloading stops listening.
#include "tests/widget/WidgetFixture.h"

#include "platform/ui/UIGestureRecognizer.h"
#include "platform/widgets/BBWeeAppController.h"

namespace {

using namespace platform;
using namespace widget_test;

using WidgetRefresh = WidgetFixture;

TEST_F(WidgetRefresh, EachTapPostsExactlyOneRequestAndChangesNoText)
{
    writeCodes({code({field("Balance", "12.50")}, at(0))});
    host->show();
    const std::string before = label(500)->text();
    EXPECT_TRUE(host->tapRefreshLine());
    EXPECT_EQ(refreshRequests, 1);
    EXPECT_TRUE(host->tapRefreshLine());
    EXPECT_EQ(refreshRequests, 2);
    EXPECT_EQ(label(500)->text(), before);
    // Nothing on the Darwin centre: the request is for the engine in this process.
    EXPECT_TRUE(device.darwinCenter().postedNames().empty());
}

TEST_F(WidgetRefresh, TapsElsewhereOrWithInteractionOffAskForNothing)
{
    writeCodes({code({field("Balance", "12.50")})});
    host->show();
    // On a title: labels take no touches, so the root takes it and has no recogniser.
    EXPECT_EQ(tapView(label(100)), nullptr);
    EXPECT_EQ(refreshRequests, 0);

    label(500)->setUserInteractionEnabled(false);
    EXPECT_FALSE(host->tapRefreshLine());
    label(500)->setUserInteractionEnabled(true);
    host->view()->setUserInteractionEnabled(false);
    EXPECT_FALSE(host->tapRefreshLine());
    EXPECT_EQ(refreshRequests, 0);
}

TEST_F(WidgetRefresh, TheAnnouncementRedrawsInPlace)
{
    writeCodes({code({field("Balance", "12.50"), field("Bonus", "300")}, at(0))});
    writeSettings({{"showGridlines", true}, {"titleColor", 4}});
    host->show();
    struct Snapshot {
        CGRect frame;
        std::string className;
        std::optional<UIColor> textColor;
    };
    auto snapshot = [&] {
        std::vector<Snapshot> out;
        for (const auto& v : host->view()->subviews()) {
            auto l = std::dynamic_pointer_cast<UILabel>(v);
            out.push_back({v->frame(), v->className(), l ? std::optional<UIColor>(l->textColor()) : std::nullopt});
        }
        return out;
    };
    const std::vector<Snapshot> before = snapshot();

    device.runFor(Seconds(300));
    // The engine stored new values; meanwhile the settings changed and a field was added.
    writeCodes({code({field("Balance", "11.00"), field("Bonus", "250"), field("New", "7")}, at(300))});
    writeSettings({{"titleColor", 0}});
    log.clear();
    announceRefresh();

    EXPECT_EQ(label(200)->text(), "11.00");
    EXPECT_EQ(label(201)->text(), "250");
    EXPECT_EQ(label(500)->text(), "Refreshed at: 09:05:00  \u21BB");
    // The field added since the full load has no label; the others kept their
    // frames, colours and the grid lines of the full load.
    EXPECT_EQ(label(102), nullptr);
    EXPECT_EQ(label(202), nullptr);
    const std::vector<Snapshot> after = snapshot();
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(after[i].frame, before[i].frame);
        EXPECT_EQ(after[i].className, before[i].className);
        EXPECT_EQ(after[i].textColor, before[i].textColor);
    }
    EXPECT_EQ(label(100)->textColor().name(), "green");
    EXPECT_EQ(label(100)->frame(), CGRectMake(10, 5, 143, 20));
    EXPECT_EQ(label(201)->frame(), CGRectMake(163, 30, 143, 15));

    EXPECT_EQ(widgetLines(), (std::vector<std::string>{
                                 "Qvl: updating fields...",
                                 "Qvl: number of stored codes: 1",
                                 "Qvl setting title to Balance",
                                 "Qvl setting value to 11.00",
                                 "Qvl setting title to Bonus",
                                 "Qvl setting value to 250",
                                 "Qvl setting title to New",
                                 "Qvl setting value to 7",
                             }));
}

TEST_F(WidgetRefresh, ARedrawShowsNullLiterallyAndKeepsRemovedFieldsText)
{
    writeCodes({code({field("Balance", "12.50"), field("Bonus", "300")}, at(0))});
    host->show();
    writeCodes({code({field("(null)", "(null)")}, at(60))});
    announceRefresh();
    // No substitution on a redraw.
    EXPECT_EQ(label(100)->text(), "(null)");
    EXPECT_EQ(label(200)->text(), "(null)");
    // The removed field's label keeps its text until the next full load.
    EXPECT_EQ(label(101)->text(), "Bonus");
    EXPECT_EQ(label(201)->text(), "300");
    EXPECT_EQ(label(500)->text(), "Refreshed at: 09:01:00  \u21BB");

    host->hide();
    host->show();
    EXPECT_EQ(label(100)->text(), "");
    EXPECT_EQ(label(101), nullptr);
}

TEST_F(WidgetRefresh, ARedrawWithoutCodesKeepsTheLastTime)
{
    writeCodes({code({field("Balance", "12.50")}, at(0))});
    host->show();
    writeCodes({});
    announceRefresh();
    EXPECT_EQ(label(500)->text(), "Refreshed at: 09:00:00  \u21BB");
    EXPECT_EQ(label(100)->text(), "Balance");
    // A redraw whose last code lost its time says so.
    writeCodes({code({field("Balance", "12.50")})});
    announceRefresh();
    EXPECT_EQ(label(500)->text(), "Refresh \u21BB");
}

TEST_F(WidgetRefresh, UnloadViewStopsListening)
{
    writeCodes({code({field("Balance", "12.50")}, at(0))});
    host->show();
    EXPECT_EQ(refreshObservers(), 1u);
    host->hide();
    EXPECT_EQ(host->view(), nullptr);
    EXPECT_EQ(refreshObservers(), 0u);
    log.clear();
    announceRefresh();
    EXPECT_FALSE(log.contains("Qvl: updating fields..."));
    EXPECT_FALSE(host->tapRefreshLine());
    EXPECT_EQ(refreshRequests, 0);

    // Shown again: one observer, not two.
    host->show();
    EXPECT_EQ(refreshObservers(), 1u);
    announceRefresh();
    EXPECT_EQ(log.startingWith("Qvl: updating fields...").size(), 1u);
}

TEST_F(WidgetRefresh, AFullLoadTwiceObservesOnce)
{
    writeCodes({code({field("Balance", "12.50")}, at(0))});
    host->show();
    {
        ProcessScope in(springboard);
        host->widget()->loadFullView();
    }
    EXPECT_EQ(refreshObservers(), 1u);
    log.clear();
    announceRefresh();
    EXPECT_EQ(log.startingWith("Qvl: updating fields...").size(), 1u);
}

TEST_F(WidgetRefresh, AFullLoadWithoutAViewIsHarmless)
{
    writeCodes({code({field("Balance", "12.50")}, at(0))});
    host->show();
    host->hide();
    {
        ProcessScope in(springboard);
        host->widget()->loadFullView();
    }
    EXPECT_EQ(host->widget()->view(), nullptr);
    EXPECT_EQ(refreshObservers(), 0u);
    EXPECT_TRUE(log.contains("Qvl: no view to lay out, loadPlaceholderView has not run"));
    // The host's own order still works afterwards.
    host->show();
    EXPECT_EQ(label(100)->text(), "Balance");
}

} // namespace
