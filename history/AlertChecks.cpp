#include "history/AlertChecks.h"

#include "history/AlertRules.h"

#include <climits>
#include <cmath>
#include <cstdio>

namespace quorvel::history {

namespace {

constexpr int64_t kMicrosPerHour = int64_t(3600) * 1000000;
constexpr double kMicrosPerDay = 86400.0 * 1000000;

// "3", "2.5": days with at most one decimal.
std::string days(double count)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", count);
    std::string shown = text;
    if (shown.ends_with(".0"))
        shown.resize(shown.size() - 2);
    return shown;
}

} // namespace

const char* alertKindName(AlertKind kind)
{
    switch (kind) {
    case AlertKind::below: return "below";
    case AlertKind::falling: return "falling";
    case AlertKind::stale: return "stale";
    }
    return "below";
}

std::string alertFieldName(const std::optional<std::string>& title, const std::string& code, int64_t index)
{
    if (title && !title->empty())
        return *title;
    return code + " field " + std::to_string(index);
}

AlertCheck checkBelow(const std::string& name, std::optional<double> value, double limit)
{
    if (!value)
        return {};
    if (*value >= limit)
        return {false, {}};
    return {true, name + " is " + alertAmount(*value) + ", below " + alertAmount(limit)};
}

AlertCheck checkFalling(const std::string& name, const std::vector<TimedNumber>& numbers, platform::Date now,
                        double limitPerDay)
{
    const int64_t windowStart = now.micros() - kFallingWindowDays * 24 * kMicrosPerHour;
    const TimedNumber* first = nullptr;
    const TimedNumber* previous = nullptr;
    double fallen = 0;
    for (const TimedNumber& sample : numbers) {
        if (sample.at.micros() < windowStart || sample.at.micros() > now.micros())
            continue;
        if (!first)
            first = &sample;
        if (previous && sample.number < previous->number)
            fallen += previous->number - sample.number;
        previous = &sample;
    }
    if (!first || previous->at.micros() - first->at.micros() < kFallingLeastSpanHours * kMicrosPerHour)
        return {};
    const double span = static_cast<double>(previous->at.micros() - first->at.micros()) / kMicrosPerDay;
    const double perDay = fallen / span;
    if (!(perDay > limitPerDay))
        return {false, {}};
    return {true, name + " fell " + alertAmount(perDay) + " a day over " + days(span) + " days, faster than " +
                      alertAmount(limitPerDay)};
}

AlertCheck checkStale(const std::string& name, std::optional<platform::Date> lastRefresh, platform::Date now,
                      int64_t hours)
{
    if (!lastRefresh)
        return {};
    // A hand-edited store may hold any date: the span must not overflow.
    int64_t since = 0;
    if (__builtin_sub_overflow(now.micros(), lastRefresh->micros(), &since))
        since = lastRefresh->micros() > now.micros() ? INT64_MIN : INT64_MAX;
    if (since < hours * kMicrosPerHour)
        return {false, {}};
    return {true, name + " not refreshed for " + std::to_string(since / kMicrosPerHour) + " hours"};
}

} // namespace quorvel::history
