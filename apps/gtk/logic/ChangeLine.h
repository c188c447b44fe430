// The change since the previous different value, as the app writes it under
// a field: "−1.30 since 09:05" (U+2212 for a fall, "+" for a rise, as many
// decimals as the values are written with, the value's own decimal mark),
// the same words the browser page shows. The time is the last refresh that
// still gave the previous value, in `zone`, with the day when it is not today
// ("since 7 Dec 09:05", "since 2025-12-07 09:05" in another year). A value
// that is no number is quoted: "was “n/a” at 09:05" (cut at 32 characters).
#pragma once

#include "history/DeltaText.h"
#include "host/linux/client/QuorvelClient.h"

#include <cstdint>
#include <string>

typedef struct _GTimeZone GTimeZone;

namespace quorvelapp {

// Empty when the change cannot be written (a time GLib cannot represent).
std::string changeLine(const linuxhost::FieldChange& change, int64_t nowMicros, GTimeZone* zone);

using quorvel::history::writtenDecimals;

} // namespace quorvelapp
