// Where a field's chart puts its points: the last 30 days across the width
// (from the first refresh when the history is younger),
// the lowest to the highest value down the height, a line per run of
// refreshes (broken where no refresh came for more than two days), and what
// the sparse axis labels say (the lowest and highest values as written, the
// first and last dates). No drawing here: FieldChart paints the plan.
//
//   ChartPlan plan = planChart(points, now, {left, top, width, height});
//   for (const auto& run : plan.runs) ...   // pixel points, left to right
#pragma once

#include "host/linux/client/QuorvelClient.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

typedef struct _GTimeZone GTimeZone;

namespace quorvelapp {

struct ChartArea {
    double left = 0, top = 0, width = 0, height = 0;
};

struct ChartXY {
    double x = 0, y = 0;
};

struct ChartPlan {
    // No finite value in the window: nothing to draw but the empty frame.
    bool empty = true;
    int64_t fromMicros = 0, toMicros = 0;   // the time across the width
    double low = 0, high = 0;               // the values at the bottom and the top
    // Lines through the refreshes, left to right; a run of one is a lone point.
    std::vector<std::vector<ChartXY>> runs;
    // A dot per refresh when there is room for one (otherwise the line alone).
    bool dots = false;
    // The height of zero, when the values go below and above it.
    std::optional<double> zeroY;
    // The labels: the lowest and highest values as stored, the first and
    // last refreshes' instants.
    std::string lowText, highText;
    int64_t firstMicros = 0, lastMicros = 0;
    size_t count = 0;   // the refreshes drawn
};

// A gap longer than this between two refreshes breaks the line.
inline constexpr int64_t kChartGapMicros = 2LL * 24 * 3600 * 1000000;

// `points` in any order; those older than kChartDays days before `nowMicros`
// or whose number is not finite are left out. Refreshes stamped after now
// (a clock set back) stretch the window to them. Many more refreshes than
// pixel columns are thinned to the first, lowest, highest and last of each
// column, so the line keeps its extremes and drawing stays cheap.
ChartPlan planChart(const std::vector<linuxhost::HistoryPoint>& points, int64_t nowMicros, const ChartArea& area);

// The labels under the chart's ends: the first and last refreshes' dates
// ("9 Nov", "9 Dec") in `zone`, or their times ("09:05", "20:55") when both
// are on one day; "" for a time GLib cannot represent.
std::pair<std::string, std::string> chartDates(int64_t firstMicros, int64_t lastMicros, GTimeZone* zone);
std::string chartDate(int64_t micros, GTimeZone* zone);
std::string chartTime(int64_t micros, GTimeZone* zone);
std::string chartFormatted(int64_t micros, GTimeZone* zone, const char* format);

// What a screen reader says of the chart: "Balance over 30 days: from 12.30
// to 4.80", with the lowest when it is neither end.
std::string chartDescription(const std::string& title, const std::vector<linuxhost::HistoryPoint>& points,
                             int64_t nowMicros);

} // namespace quorvelapp
