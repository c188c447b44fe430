#include "apps/gtk/logic/ChartPlan.h"

#include "apps/gtk/Strings.h"
#include "apps/gtk/logic/LocalTime.h"
#include "apps/gtk/logic/Text.h"

#include <glib.h>

#include <algorithm>
#include <cmath>

namespace quorvelapp {

namespace {

constexpr int64_t kDayMicros = 24LL * 3600 * 1000000;
constexpr size_t kLongestValueShown = 24;
// Room a dot needs so that neighbours do not merge into a smear.
constexpr double kPixelsPerDot = 6;

// The points the chart shows, in time order.
std::vector<const linuxhost::HistoryPoint*> shownPoints(const std::vector<linuxhost::HistoryPoint>& points,
                                                        int64_t nowMicros)
{
    const int64_t from = nowMicros - linuxhost::kChartDays * kDayMicros;
    std::vector<const linuxhost::HistoryPoint*> shown;
    for (const linuxhost::HistoryPoint& point : points)
        if (point.atMicros >= from && std::isfinite(point.number))
            shown.push_back(&point);
    std::stable_sort(shown.begin(), shown.end(),
                     [](const auto* a, const auto* b) { return a->atMicros < b->atMicros; });
    return shown;
}

} // namespace

ChartPlan planChart(const std::vector<linuxhost::HistoryPoint>& points, int64_t nowMicros, const ChartArea& area)
{
    ChartPlan plan;
    plan.toMicros = nowMicros;
    plan.fromMicros = nowMicros - linuxhost::kChartDays * kDayMicros;
    const auto shown = shownPoints(points, nowMicros);
    if (shown.empty() || !(area.width > 0) || !(area.height > 0))
        return plan;
    plan.empty = false;
    plan.count = shown.size();
    plan.toMicros = std::max(nowMicros, shown.back()->atMicros);
    // A history shorter than the window starts at its first refresh, so a
    // week-old install does not squeeze into the last quarter of the width.
    plan.fromMicros = shown.front()->atMicros;
    plan.firstMicros = shown.front()->atMicros;
    plan.lastMicros = shown.back()->atMicros;

    const linuxhost::HistoryPoint* lowest = shown.front();
    const linuxhost::HistoryPoint* highest = shown.front();
    for (const auto* point : shown) {
        if (point->number < lowest->number)
            lowest = point;
        if (point->number > highest->number)
            highest = point;
    }
    plan.low = lowest->number;
    plan.high = highest->number;
    plan.lowText = shownText(lowest->value, kLongestValueShown);
    plan.highText = shownText(highest->value, kLongestValueShown);

    // All values equal: a flat line across the middle rather than a division by zero.
    const double span = plan.high - plan.low;
    const double timeSpan = static_cast<double>(plan.toMicros - plan.fromMicros);
    auto xOf = [&](int64_t at) {
        if (!(timeSpan > 0))
            return area.left + area.width;   // one instant: at now, on the right
        return area.left + area.width * static_cast<double>(at - plan.fromMicros) / timeSpan;
    };
    auto yOf = [&](double value) {
        if (!(span > 0))
            return area.top + area.height / 2;
        return area.top + area.height * (plan.high - value) / span;
    };
    if (plan.low < 0 && plan.high > 0)
        plan.zeroY = yOf(0);

    plan.dots = static_cast<double>(shown.size()) * kPixelsPerDot <= area.width;
    const bool thin = static_cast<double>(shown.size()) > 2 * area.width;
    const linuxhost::HistoryPoint* previous = nullptr;
    // The column being gathered when thinning: its first, lowest, highest and last.
    long column = -1;
    std::vector<const linuxhost::HistoryPoint*> gathered;
    auto flush = [&] {
        if (gathered.empty())
            return;
        const auto* first = gathered.front();
        const auto* last = gathered.back();
        const auto* low = *std::min_element(gathered.begin(), gathered.end(),
                                            [](auto* a, auto* b) { return a->number < b->number; });
        const auto* high = *std::max_element(gathered.begin(), gathered.end(),
                                             [](auto* a, auto* b) { return a->number < b->number; });
        std::vector<const linuxhost::HistoryPoint*> keep{first, low, high, last};
        std::stable_sort(keep.begin(), keep.end(), [](auto* a, auto* b) { return a->atMicros < b->atMicros; });
        keep.erase(std::unique(keep.begin(), keep.end()), keep.end());
        for (const auto* point : keep)
            plan.runs.back().push_back({xOf(point->atMicros), yOf(point->number)});
        gathered.clear();
    };
    for (const auto* point : shown) {
        if (!previous || point->atMicros - previous->atMicros > kChartGapMicros) {
            flush();
            plan.runs.emplace_back();
            column = -1;
        }
        previous = point;
        if (!thin) {
            plan.runs.back().push_back({xOf(point->atMicros), yOf(point->number)});
            continue;
        }
        const long at = std::lround(std::floor(xOf(point->atMicros)));
        if (at != column)
            flush();
        column = at;
        gathered.push_back(point);
    }
    flush();
    return plan;
}

std::pair<std::string, std::string> chartDates(int64_t firstMicros, int64_t lastMicros, GTimeZone* zone)
{
    std::pair<std::string, std::string> dates{chartDate(firstMicros, zone), chartDate(lastMicros, zone)};
    if (dates.first.empty() || dates.first != dates.second)
        return dates;
    return {chartTime(firstMicros, zone), chartTime(lastMicros, zone)};
}

std::string chartDate(int64_t micros, GTimeZone* zone)
{
    return chartFormatted(micros, zone, text::chartDateFormat());
}

std::string chartTime(int64_t micros, GTimeZone* zone)
{
    return chartFormatted(micros, zone, text::chartTimeFormat());
}

std::string chartFormatted(int64_t micros, GTimeZone* zone, const char* format)
{
    return formattedTime(micros, zone, format);
}

std::string chartDescription(const std::string& title, const std::vector<linuxhost::HistoryPoint>& points,
                             int64_t nowMicros)
{
    const std::string name = shownText(title, 64);
    const auto shown = shownPoints(points, nowMicros);
    if (shown.empty())
        return fill(text::chartNoValues(), {name});
    const std::string first = shownText(shown.front()->value, kLongestValueShown);
    if (shown.size() == 1)
        return fill(text::chartOneValue(), {name, first});
    const std::string last = shownText(shown.back()->value, kLongestValueShown);
    std::string description = fill(text::chartFromTo(), {name, first, last});
    const auto* lowest = *std::min_element(shown.begin(), shown.end(),
                                           [](auto* a, auto* b) { return a->number < b->number; });
    if (lowest->number < shown.front()->number && lowest->number < shown.back()->number)
        description += fill(text::chartLowest(), {shownText(lowest->value, kLongestValueShown)});
    return description;
}

} // namespace quorvelapp
