#include "apps/gtk/logic/AlertLimitsText.h"

#include "apps/gtk/Strings.h"
#include "apps/gtk/logic/Text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quorvelapp {

std::optional<std::string> alertLimitsProblem(const linuxhost::AlertLimits& limits)
{
    if (limits.below && !(std::isfinite(*limits.below) && std::fabs(*limits.below) <= kLargestAlertAmount))
        return std::string(text::alertBelowProblem());
    if (limits.fallingPerDay && !(std::isfinite(*limits.fallingPerDay) && *limits.fallingPerDay > 0 &&
                                  *limits.fallingPerDay <= kLargestAlertAmount))
        return std::string(text::alertFallingProblem());
    if (limits.staleHours && (*limits.staleHours < 1 || *limits.staleHours > kMostStaleHours))
        return std::string(text::alertStaleProblem());
    return std::nullopt;
}

bool anyAlert(const linuxhost::AlertLimits& limits)
{
    return limits.below || limits.fallingPerDay || limits.staleHours;
}

int limitDecimals(double amount, int fieldDecimals)
{
    int decimals = fieldDecimals < 0 ? 0 : fieldDecimals > 6 ? 6 : fieldDecimals;
    if (!std::isfinite(amount))
        return decimals;
    for (; decimals < 6; ++decimals) {
        const double scaled = amount * std::pow(10.0, decimals);
        if (std::fabs(scaled - std::round(scaled)) <= 1e-6 * std::max(1.0, std::fabs(scaled) * 1e-9))
            break;
    }
    return decimals;
}

std::string amountText(double amount, int decimals)
{
    if (!std::isfinite(amount))
        return "?";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals < 0 ? 0 : decimals > 6 ? 6 : decimals,
                  std::fabs(amount) > kLargestAlertAmount ? std::copysign(kLargestAlertAmount, amount) : amount);
    return text;
}

std::string alertsSummary(const linuxhost::AlertLimits& limits, int decimals)
{
    std::string summary;
    auto add = [&](const std::string& part) { summary += (summary.empty() ? "" : "; ") + part; };
    if (limits.below)
        add(fill(text::alertBelowSummary(), {amountText(*limits.below, limitDecimals(*limits.below, decimals))}));
    if (limits.fallingPerDay)
        add(fill(text::alertFallingSummary(),
                 {amountText(*limits.fallingPerDay, limitDecimals(*limits.fallingPerDay, decimals))}));
    if (limits.staleHours)
        add(fill(text::alertStaleSummary(), {std::to_string(*limits.staleHours)}));
    return summary;
}

} // namespace quorvelapp
