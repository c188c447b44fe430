// The time of a code's last refresh in words: "Refreshed at 09:05" today,
// "Refreshed on 8 Dec at 09:05" earlier (with the year when not this one),
// "Never refreshed" for 0, in the given time zone.
#pragma once

#include <cstdint>
#include <string>

typedef struct _GTimeZone GTimeZone;

namespace quorvelapp {

// `micros` and `nowMicros` are microseconds since 1970 UTC (GetCodes' unit).
// A time GLib cannot represent reads "at an unknown time" rather than a wrong date.
std::string refreshedText(int64_t micros, int64_t nowMicros, GTimeZone* zone);

} // namespace quorvelapp
