// Whether an alert's condition holds, and the text that says so. Pure
// functions of what the history module read; the module keeps which alerts
// have fired (AlertState.h) and shows the texts.
//
//   below:   "Balance is 4.80, below 5.00"
//   falling: "Balance fell 2.10 a day over 3 days, faster than 1.50"
//   stale:   "Balance not refreshed for 26 hours"
//
// Amounts have two decimals (alertAmount), days at most one ("3", "2.5"),
// hours are whole hours. A field without a title is named "*100# field 0".
#pragma once

#include "platform/foundation/Date.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel::history {

enum class AlertKind { below, falling, stale };

// "below", "falling", "stale": the kind's name in the alert state and the log.
const char* alertKindName(AlertKind kind);

// The span of history the falling rate is taken over, and the least it needs.
inline constexpr int64_t kFallingWindowDays = 3;
inline constexpr int64_t kFallingLeastSpanHours = 24;

struct AlertCheck {
    // nullopt: cannot tell now (no number, too little history); the alert's
    // state is left as it is.
    std::optional<bool> holds;
    std::string text; // set when it holds
};

struct TimedNumber {
    platform::Date at;
    double number = 0;
};

// The name alert texts use for a field.
std::string alertFieldName(const std::optional<std::string>& title, const std::string& code, int64_t index);

// The value below the limit.
AlertCheck checkBelow(const std::string& name, std::optional<double> value, double limit);

// The fall per day over the numbers of the last kFallingWindowDays before `now`
// (in time order): the sum of every fall from one value to the next, so a
// top-up in between is not taken for money gained, divided by the days from
// the first to the last. Cannot tell with less than kFallingLeastSpanHours between them.
AlertCheck checkFalling(const std::string& name, const std::vector<TimedNumber>& numbers, platform::Date now,
                        double limitPerDay);

// No refresh since `lastRefresh` for `hours` or more.
AlertCheck checkStale(const std::string& name, std::optional<platform::Date> lastRefresh, platform::Date now,
                      int64_t hours);

} // namespace quorvel::history
