#include "apps/gtk/logic/RefreshTime.h"

#include "apps/gtk/Strings.h"
#include "apps/gtk/logic/LocalTime.h"
#include "apps/gtk/logic/Text.h"

#include <glib.h>

namespace quorvelapp {

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
        result = fill(text::refreshedToday(), {formattedTime(then, text::timeToday())});
    else if (now && g_date_time_get_year(now) == g_date_time_get_year(then))
        result = fill(text::refreshedOn(), {formattedTime(then, text::timeThisYear())});
    else
        result = fill(text::refreshedOn(), {formattedTime(then, text::timeOtherYear())});
    if (now)
        g_date_time_unref(now);
    g_date_time_unref(then);
    return result;
}

} // namespace quorvelapp
