#include "apps/gtk/logic/ChangeLine.h"

#include "apps/gtk/Strings.h"
#include "apps/gtk/logic/LocalTime.h"
#include "apps/gtk/logic/Text.h"
#include "history/DeltaText.h"

#include <glib.h>

#include <algorithm>
#include <cmath>

namespace quorvelapp {

namespace {

constexpr size_t kLongestQuotedValue = 32;

std::string whenText(int64_t atMicros, int64_t nowMicros, GTimeZone* zone)
{
    GDateTime* at = localTime(atMicros, zone);
    GDateTime* now = localTime(nowMicros, zone);
    std::string when;
    if (at && now) {
        if (g_date_time_get_year(at) != g_date_time_get_year(now))
            when = formattedTime(at, text::changeTimeOtherYear());
        else if (g_date_time_get_day_of_year(at) != g_date_time_get_day_of_year(now))
            when = formattedTime(at, text::changeTimeThisYear());
        else
            when = formattedTime(at, text::changeTimeToday());
    }
    if (at)
        g_date_time_unref(at);
    if (now)
        g_date_time_unref(now);
    return when;
}

} // namespace

std::string changeLine(const linuxhost::FieldChange& change, int64_t nowMicros, GTimeZone* zone)
{
    const std::string when = whenText(change.previousAtMicros, nowMicros, zone);
    if (when.empty())
        return {};
    if (!change.delta || !std::isfinite(*change.delta))
        return fill(text::changeWasText(), {shownText(change.previousValue, kLongestQuotedValue), when});
    const int decimals = std::max(quorvel::history::writtenDecimals(change.value), quorvel::history::writtenDecimals(change.previousValue));
    return fill(text::changeSince(), {quorvel::history::signedDelta(*change.delta, decimals, quorvel::history::decimalMarkOf(change.value)), when});
}

} // namespace quorvelapp
