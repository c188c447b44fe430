#include "apps/gtk/logic/RefreshTime.h"

#include "apps/gtk/Strings.h"
#include "apps/gtk/logic/Text.h"

#include <glib.h>

namespace quorvelapp {

namespace {

GDateTime* localTime(int64_t micros, GTimeZone* zone)
{
    GDateTime* utc = g_date_time_new_from_unix_utc(micros / G_USEC_PER_SEC);
    if (!utc)
        return nullptr;
    GDateTime* local = g_date_time_to_timezone(utc, zone);
    g_date_time_unref(utc);
    return local;
}

std::string formatted(GDateTime* time, const char* format)
{
    gchar* text = g_date_time_format(time, format);
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

} // namespace

std::string refreshedText(int64_t micros, int64_t nowMicros, GTimeZone* zone)
{
    if (micros == 0)
        return text::neverRefreshed();
    GDateTime* then = micros > 0 ? localTime(micros, zone) : nullptr;
    if (!then)
        return text::refreshedUnknown();
    GDateTime* now = localTime(nowMicros, zone);
    std::string result;
    if (now && g_date_time_get_year(now) == g_date_time_get_year(then)
        && g_date_time_get_day_of_year(now) == g_date_time_get_day_of_year(then))
        result = fill(text::refreshedToday(), {formatted(then, text::timeToday())});
    else if (now && g_date_time_get_year(now) == g_date_time_get_year(then))
        result = fill(text::refreshedOn(), {formatted(then, text::timeThisYear())});
    else
        result = fill(text::refreshedOn(), {formatted(then, text::timeOtherYear())});
    if (now)
        g_date_time_unref(now);
    g_date_time_unref(then);
    return result;
}

} // namespace quorvelapp
