#include "apps/gtk/logic/LocalTime.h"

#include <glib.h>

namespace quorvelapp {

GDateTime* localTime(int64_t micros, GTimeZone* zone)
{
    GDateTime* utc = g_date_time_new_from_unix_utc(micros / G_USEC_PER_SEC);
    if (!utc)
        return nullptr;
    GDateTime* local = g_date_time_to_timezone(utc, zone);
    g_date_time_unref(utc);
    return local;
}

std::string formattedTime(GDateTime* time, const char* format)
{
    gchar* text = g_date_time_format(time, format);
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

std::string formattedTime(int64_t micros, GTimeZone* zone, const char* format)
{
    GDateTime* local = localTime(micros, zone);
    if (!local)
        return {};
    std::string result = formattedTime(local, format);
    g_date_time_unref(local);
    return result;
}

} // namespace quorvelapp
