// What the app shows of a field's history without a window: the change line
// (the browser page's own words, checked against its formatter), where the
// chart puts its points, the chart's spoken description, and the alert
// limits as the daemon checks them.
#include "apps/gtk/logic/AlertLimitsText.h"
#include "apps/gtk/logic/ChangeLine.h"
#include "apps/gtk/logic/ChartPlan.h"
#include "host/common/history/ChangeText.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quorvelapp {
namespace {

constexpr int64_t kSecond = 1000000;
constexpr int64_t kMinute = 60 * kSecond;
constexpr int64_t kHour = 60 * kMinute;
constexpr int64_t kDay = 24 * kHour;
// 2026-12-09 12:00 UTC.
constexpr int64_t kNow = 1796817600LL * kSecond;

struct Zone {
    explicit Zone(int seconds) : zone(g_time_zone_new_offset(seconds)) {}
    ~Zone() { g_time_zone_unref(zone); }
    GTimeZone* zone;
};

linuxhost::FieldChange change(const char* value, const char* previous, std::optional<double> delta, int64_t previousAt)
{
    return {"*100#", 0, "Balance", value, previous, delta, previousAt, previousAt + kHour};
}

TEST(GtkAppChangeLine, SaysWhatTheBrowserPageSays)
{
    const linuxhost::FieldChange cases[] = {
        change("11.20", "12.50", -1.3, kNow - 3 * kHour),          // today
        change("300", "250", 50, kNow - 2 * kHour),                 // a rise, no decimals
        change("12,5", "12", 0.5, kNow - kHour),                    // the value's comma
        change("12.5", "12.50", 0.001, kNow - kHour),               // too small for its decimals: no sign
        change("1.0", "2.0", -1, kNow - 2 * kDay),                  // another day
        change("1.0", "2.0", -1, kNow - 400 * kDay),                // another year
        change("5", "n/a", std::nullopt, kNow - kHour),             // not a number
        change("1.1234567", "2", -0.8765433, kNow - kHour),         // at most 6 decimals
        change("-5.10", "4.90", -10, kNow - kHour),                 // below zero
    };
    for (int offset : {0, 3 * 3600, -10 * 3600}) {
        Zone zone(offset);
        for (const linuxhost::FieldChange& c : cases) {
            SCOPED_TRACE(c.value + " from " + c.previousValue + " at offset " + std::to_string(offset));
            const std::string page = quorvel::history::changeText(
                {c.code, c.index, c.title, c.value, c.previousValue, c.delta,
                 platform::Date::fromMicros(c.previousAtMicros), platform::Date::fromMicros(c.changedAtMicros)},
                platform::Date::fromMicros(kNow), [offset](platform::Date) { return int64_t(offset); });
            EXPECT_EQ(changeLine(c, kNow, zone.zone), page);
        }
    }
    Zone utc(0);
    EXPECT_EQ(changeLine(cases[0], kNow, utc.zone), "\u22121.30 since 09:00");
    EXPECT_EQ(changeLine(cases[4], kNow, utc.zone), "\u22121.0 since 7 Dec 12:00");
}

TEST(GtkAppChangeLine, HostileValuesStayShortAndTimesOutOfRangeGiveNothing)
{
    Zone utc(0);
    const std::string longText(200, 'x');
    const std::string line = changeLine(change("1", longText.c_str(), std::nullopt, kNow - kHour), kNow, utc.zone);
    EXPECT_LT(line.size(), 60u) << line;
    EXPECT_EQ(line.find("xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"), std::string::npos);
    EXPECT_EQ(changeLine(change("1", "2", std::numeric_limits<double>::infinity(), kNow - kHour), kNow, utc.zone)
                  .rfind("was", 0), 0u);
    EXPECT_EQ(changeLine(change("1", "2", -1, std::numeric_limits<int64_t>::max() - kDay), kNow, utc.zone), "");
}

std::vector<linuxhost::HistoryPoint> points(std::initializer_list<std::pair<int64_t, double>> list)
{
    std::vector<linuxhost::HistoryPoint> result;
    for (auto [at, number] : list) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", number);
        result.push_back({at, text, number});
    }
    return result;
}

const ChartArea kArea{10, 20, 300, 100};

TEST(GtkAppChartPlan, EmptyOldAndNonFiniteHistoriesDrawNothing)
{
    EXPECT_TRUE(planChart({}, kNow, kArea).empty);
    auto old = points({{kNow - 31 * kDay, 5}});
    old.push_back({kNow, "nan", std::nan("")});
    const ChartPlan plan = planChart(old, kNow, kArea);
    EXPECT_TRUE(plan.empty);
    EXPECT_TRUE(plan.runs.empty());
    EXPECT_EQ(chartDescription("Balance", old, kNow), "Balance over 30 days: no values");
    // No room to draw in is no reason to fail.
    EXPECT_TRUE(planChart(points({{kNow, 1}}), kNow, {0, 0, 0, 50}).empty);
}

TEST(GtkAppChartPlan, OnePointAndEqualValuesSitOnTheMiddleLine)
{
    const ChartPlan one = planChart(points({{kNow, 4.8}}), kNow, kArea);
    ASSERT_FALSE(one.empty);
    ASSERT_EQ(one.runs.size(), 1u);
    ASSERT_EQ(one.runs[0].size(), 1u);
    EXPECT_DOUBLE_EQ(one.runs[0][0].x, kArea.left + kArea.width);
    EXPECT_DOUBLE_EQ(one.runs[0][0].y, kArea.top + kArea.height / 2);
    EXPECT_EQ(one.lowText, "4.80");
    EXPECT_EQ(chartDescription("Balance", points({{kNow, 4.8}}), kNow), "Balance over 30 days: 4.80, one refresh");

    const ChartPlan flat = planChart(points({{kNow - 2 * kDay, 7}, {kNow - kDay, 7}, {kNow, 7}}), kNow, kArea);
    ASSERT_EQ(flat.runs.size(), 1u);
    for (const ChartXY& p : flat.runs[0]) {
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
        EXPECT_DOUBLE_EQ(p.y, kArea.top + kArea.height / 2);
    }
    EXPECT_FALSE(flat.zeroY);
}

TEST(GtkAppChartPlan, ValuesSpanTheHeightAndTimeTheWidth)
{
    // Out of order, with a negative value: the highest at the top, the lowest at the bottom, zero between.
    auto history = points({{kNow, -5.1}, {kNow - 30 * kDay, 12.3}, {kNow - 15 * kDay, 0}});
    const ChartPlan plan = planChart(history, kNow, kArea);
    // Fifteen days apart: three lone points.
    ASSERT_EQ(plan.runs.size(), 3u);
    EXPECT_DOUBLE_EQ(plan.runs[0][0].x, kArea.left);
    EXPECT_DOUBLE_EQ(plan.runs[0][0].y, kArea.top);
    EXPECT_DOUBLE_EQ(plan.runs[1][0].x, kArea.left + kArea.width / 2);
    EXPECT_DOUBLE_EQ(plan.runs[2][0].y, kArea.top + kArea.height);
    ASSERT_TRUE(plan.zeroY);
    EXPECT_DOUBLE_EQ(*plan.zeroY, plan.runs[1][0].y);
    EXPECT_EQ(plan.highText, "12.30");
    EXPECT_EQ(plan.lowText, "-5.10");
    EXPECT_EQ(plan.firstMicros, kNow - 30 * kDay);
    EXPECT_EQ(plan.lastMicros, kNow);
    EXPECT_TRUE(plan.dots);
    EXPECT_EQ(chartDescription("Balance", history, kNow), "Balance over 30 days: from 12.30 to -5.10");
    EXPECT_EQ(chartDescription("Balance", points({{kNow - 2 * kDay, 9}, {kNow - kDay, 1}, {kNow, 4.8}}), kNow),
              "Balance over 30 days: from 9.00 to 4.80, lowest 1.00");

    // A refresh stamped after now (the clock set back) stays inside the width.
    const ChartPlan ahead = planChart(points({{kNow - kDay, 1}, {kNow + kDay, 2}}), kNow, kArea);
    for (const ChartXY& p : ahead.runs[0])
        EXPECT_LE(p.x, kArea.left + kArea.width + 1e-9);
}

TEST(GtkAppChartPlan, AGapOfDaysBreaksTheLine)
{
    const ChartPlan plan = planChart(
        points({{kNow - 10 * kDay, 9}, {kNow - 9 * kDay, 8}, {kNow - 4 * kDay, 6}, {kNow - 3 * kDay, 5}, {kNow, 4}}),
        kNow, kArea);
    ASSERT_EQ(plan.runs.size(), 3u);
    EXPECT_EQ(plan.runs[0].size(), 2u);
    EXPECT_EQ(plan.runs[1].size(), 2u);
    EXPECT_EQ(plan.runs[2].size(), 1u);   // a lone point after the last gap
    EXPECT_EQ(plan.count, 5u);
}

TEST(GtkAppChartPlan, NineThousandRefreshesAreThinnedKeepingTheExtremes)
{
    std::vector<linuxhost::HistoryPoint> many;
    const int64_t step = 30 * kDay / 9000;
    for (int i = 0; i < 9000; ++i)
        many.push_back({kNow - 30 * kDay + i * step, "v", 100.0 - i * 0.01 + (i % 7)});
    many[4321].number = -50;   // one deep dip
    many[4321].value = "-50.00";
    many[77].number = 500;
    many[77].value = "500.00";
    const ChartPlan plan = planChart(many, kNow, kArea);
    ASSERT_EQ(plan.runs.size(), 1u);
    EXPECT_FALSE(plan.dots);
    EXPECT_EQ(plan.count, 9000u);
    EXPECT_LE(plan.runs[0].size(), static_cast<size_t>(4 * (kArea.width + 1)));
    double lowest = 1e9, highest = -1e9;
    for (const ChartXY& p : plan.runs[0]) {
        lowest = std::min(lowest, p.y);
        highest = std::max(highest, p.y);
        EXPECT_GE(p.x, kArea.left - 1e-9);
        EXPECT_LE(p.x, kArea.left + kArea.width + 1e-9);
    }
    // The dip and the peak are still drawn, at the bottom and at the top.
    EXPECT_DOUBLE_EQ(highest, kArea.top + kArea.height);
    EXPECT_DOUBLE_EQ(lowest, kArea.top);
    EXPECT_EQ(plan.lowText, "-50.00");
    EXPECT_EQ(plan.highText, "500.00");
    for (size_t i = 1; i < plan.runs[0].size(); ++i)
        EXPECT_GE(plan.runs[0][i].x, plan.runs[0][i - 1].x);
}

TEST(GtkAppChartPlan, AYoungHistorySpansTheWidthFromItsFirstRefresh)
{
    const ChartPlan plan = planChart(points({{kNow - 2 * kMinute, 12.5}, {kNow - kMinute, 11.2}, {kNow, 10.4}}), kNow, kArea);
    ASSERT_EQ(plan.runs.size(), 1u);
    ASSERT_EQ(plan.runs[0].size(), 3u);
    EXPECT_DOUBLE_EQ(plan.runs[0][0].x, kArea.left);
    EXPECT_DOUBLE_EQ(plan.runs[0][1].x, kArea.left + kArea.width / 2);
    EXPECT_DOUBLE_EQ(plan.runs[0][2].x, kArea.left + kArea.width);
    EXPECT_EQ(plan.fromMicros, kNow - 2 * kMinute);
}

TEST(GtkAppChartPlan, DatesAreWrittenInTheZoneAndTimesWithinOneDay)
{
    Zone utc(0), east(14 * 3600);
    EXPECT_EQ(chartDate(kNow, utc.zone), "9 Dec");
    EXPECT_EQ(chartDate(kNow, east.zone), "10 Dec");
    EXPECT_EQ(chartDate(std::numeric_limits<int64_t>::max(), utc.zone), "");
    EXPECT_EQ(chartDates(kNow - 29 * kDay, kNow, utc.zone), std::make_pair(std::string("10 Nov"), std::string("9 Dec")));
    EXPECT_EQ(chartDates(kNow - 3 * kHour, kNow, utc.zone), std::make_pair(std::string("09:00"), std::string("12:00")));
    // Midnight in the zone, not in UTC, divides the days.
    EXPECT_EQ(chartDates(kNow - 3 * kHour, kNow, east.zone).first, "9 Dec");
    EXPECT_EQ(chartDates(kNow - 3 * kHour, kNow, east.zone).second, "10 Dec");
}

TEST(GtkAppAlertLimits, RefusesWhatTheDaemonRefuses)
{
    using linuxhost::AlertLimits;
    EXPECT_FALSE(alertLimitsProblem({}));
    EXPECT_FALSE(alertLimitsProblem({-5.5, 0.01, 1}));
    EXPECT_FALSE(alertLimitsProblem({1e12, 1e12, 24 * 366}));
    const AlertLimits refused[] = {
        {std::nan(""), {}, {}},
        {1.5e12, {}, {}},
        {{}, 0.0, {}},
        {{}, -1.0, {}},
        {{}, std::numeric_limits<double>::infinity(), {}},
        {{}, {}, 0},
        {{}, {}, 24 * 366 + 1},
    };
    for (const AlertLimits& limits : refused)
        EXPECT_TRUE(alertLimitsProblem(limits));
}

TEST(GtkAppAlertLimits, SummaryNamesEachAlertSetWithTheFieldsDecimals)
{
    EXPECT_EQ(alertsSummary({}, 2), "");
    EXPECT_FALSE(anyAlert({}));
    EXPECT_TRUE(anyAlert({{}, {}, 3}));
    EXPECT_EQ(alertsSummary({5, {}, {}}, 2), "below 5.00");
    EXPECT_EQ(alertsSummary({-5, 1.5, 24}, 0), "below -5; falling faster than 1.5 a day; no refresh for 24 hours");
    EXPECT_EQ(amountText(std::nan(""), 2), "?");
    // A limit finer than the field's decimals (set on the browser page) is not rounded away.
    EXPECT_EQ(alertsSummary({{}, 0.5, {}}, 0), "falling faster than 0.5 a day");
    EXPECT_EQ(alertsSummary({4.805, {}, {}}, 2), "below 4.805");
    EXPECT_EQ(limitDecimals(5, 2), 2);
    EXPECT_EQ(limitDecimals(0.1 + 0.2, 0), 1);   // binary noise is no decimal
    EXPECT_EQ(limitDecimals(1.0 / 3, 0), 6);
    EXPECT_EQ(limitDecimals(1e12, 0), 0);
    EXPECT_EQ(limitDecimals(std::nan(""), 9), 6);
    EXPECT_EQ(amountText(1e300, 0), "1000000000000");
    EXPECT_EQ(writtenDecimals("1 000,50"), 2);
    EXPECT_EQ(writtenDecimals("12"), 0);
}

} // namespace
} // namespace quorvelapp
