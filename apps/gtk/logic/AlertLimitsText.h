// A field's alerts as the app checks and shows them: the daemon's own rules
// for a limit (SetAlert refuses the rest), so a row can say what is wrong
// before asking; and the words for the alerts set, for the bell beside a
// field ("Alerts: below 5.00; falling faster than 1.00 a day").
#pragma once

#include "host/linux/client/QuorvelClient.h"

#include <optional>
#include <string>

namespace quorvelapp {

// The daemon's bounds (history/AlertRules.h): amounts within a trillion, a
// fall above 0, 1 hour to 366 days without a refresh.
inline constexpr double kLargestAlertAmount = 1e12;
inline constexpr int kMostStaleHours = 24 * 366;

// Why the daemon would refuse these limits, or nothing.
std::optional<std::string> alertLimitsProblem(const linuxhost::AlertLimits& limits);

bool anyAlert(const linuxhost::AlertLimits& limits);

// The decimals to write a limit with: the field's, or more when the limit
// has them (0.5 set on the browser page for a field written "300"), at most 6,
// so that showing a limit never rounds it to another one.
int limitDecimals(double amount, int fieldDecimals);

// An amount with these decimals: "5.00", "-3", "1e+12" never (bounded).
std::string amountText(double amount, int decimals);

// "below 5.00; falling faster than 1.00 a day; no refresh for 24 hours", or
// "" when none is set.
std::string alertsSummary(const linuxhost::AlertLimits& limits, int decimals);

} // namespace quorvelapp
