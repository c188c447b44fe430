#include "apps/gtk/logic/ChangeLine.h"

#include "apps/gtk/Strings.h"
#include "apps/gtk/logic/Text.h"

#include <glib.h>

#include <cmath>
#include <cstdio>

namespace quorvelapp {

namespace {

constexpr const char* kMinusSign = "\xE2\x88\x92";
constexpr int kMostDecimals = 6;
constexpr size_t kLongestQuotedValue = 32;

// A comma is the decimal mark only where the value has no dot.
char markOf(const std::string& value)
{
    return value.find('.') == std::string::npos && value.find(',') != std::string::npos ? ',' : '.';
}

std::string signedDelta(double delta, int decimals, char mark)
{
    char digits[64];
    std::snprintf(digits, sizeof digits, "%.*f", decimals, std::fabs(delta));
    std::string text = digits;
    bool zero = true;
    for (char& c : text) {
        if (c == '.')
            c = mark;
        zero = zero && (c == '0' || c == mark);
    }
    // A change too small for the written decimals has no sign.
    if (zero)
        return text;
    return (delta < 0 ? kMinusSign : "+") + text;
}

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

int writtenDecimals(const std::string& value)
{
    size_t mark = value.rfind('.');
    if (mark == std::string::npos)
        mark = value.rfind(',');
    if (mark == std::string::npos)
        return 0;
    int digits = 0;
    for (size_t i = mark + 1; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
        ++digits;
    return digits > kMostDecimals ? kMostDecimals : digits;
}

std::string changeLine(const linuxhost::FieldChange& change, int64_t nowMicros, GTimeZone* zone)
{
    const std::string when = whenText(change.previousAtMicros, nowMicros, zone);
    if (when.empty())
        return {};
    if (!change.delta || !std::isfinite(*change.delta))
        return fill(text::changeWasText(), {shownText(change.previousValue, kLongestQuotedValue), when});
    const int decimals = std::max(writtenDecimals(change.value), writtenDecimals(change.previousValue));
    return fill(text::changeSince(), {signedDelta(*change.delta, decimals, markOf(change.value)), when});
}

} // namespace quorvelapp
