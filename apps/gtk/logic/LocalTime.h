// A time of the daemon's (microseconds since 1970 UTC) in a time zone, for
// the texts that name a day or an hour.
#pragma once

#include <cstdint>
#include <string>

typedef struct _GDateTime GDateTime;
typedef struct _GTimeZone GTimeZone;

namespace quorvelapp {

// A new reference, or nullptr for a time GLib cannot represent.
GDateTime* localTime(int64_t micros, GTimeZone* zone);

// g_date_time_format() as a string ("" when it fails).
std::string formattedTime(GDateTime* time, const char* format);

// Both at once: "" for a time GLib cannot represent.
std::string formattedTime(int64_t micros, GTimeZone* zone, const char* format);

} // namespace quorvelapp
