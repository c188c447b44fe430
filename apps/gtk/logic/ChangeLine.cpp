#include "apps/gtk/logic/ChangeLine.h"

#include "apps/gtk/Strings.h"
#include "apps/gtk/logic/Text.h"
#include "history/DeltaText.h"

#include <glib.h>

#include <algorithm>
#include <cmath>

namespace quorvelapp {

namespace {

constexpr size_t kLongestQuotedValue = 32;

std::string formatted(GDateTime* time, const char* format)
{
    gchar* text = g_date_time_format(time, format);
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

GDateTime* localTime(int64_t micros, GTimeZone* zone)
{
    GDateTime* utc = g_date_time_new_from_unix_utc(micros / G_USEC_PER_SEC);
    if (!utc)
        return nullptr;
    GDateTime* local = g_date_time_to_timezone(utc, zone);
    g_date_time_unref(utc);
    return local;
}

std::string whenText(int64_t atMicros, int64_t nowMicros, GTimeZone* zone)
{
    GDateTime* at = localTime(atMicros, zone);
    GDateTime* now = localTime(nowMicros, zone);
    std::string when;
    if (at && now) {
        if (g_date_time_get_year(at) != g_date_time_get_year(now))
            when = formatted(at, text::changeTimeOtherYear());
        else if (g_date_time_get_day_of_year(at) != g_date_time_get_day_of_year(now))
            when = formatted(at, text::changeTimeThisYear());
        else
            when = formatted(at, text::changeTimeToday());
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
