// The change since the previous different value as a screen writes it beside
// a field: "−1.30 since 09:05" (U+2212 for a fall, "+" for a rise, as many
// decimals as the values are written with, the values' own decimal mark).
// The time is the last refresh that still gave the previous value, in the
// device's local time, with the day when it is not today ("since 7 Dec
// 09:05", "since 2025-12-07 09:05" in another year). A value that is no
// number is written as what it was: "was “n/a” at 09:05" (cut at 32 characters).
//
//   changeText(change, device.now());                       // the device's zone (UTC on the simulator)
//   changeText(change, now, linuxhost::localUtcOffset);     // the system's zone
#pragma once

#include "history/HistorySummary.h"
#include "platform/foundation/Date.h"

#include <cstdint>
#include <functional>
#include <string>

namespace quorvel::history {

// The local time's offset from UTC at an instant, in seconds.
using UtcOffset = std::function<int64_t(platform::Date)>;

std::string changeText(const FieldChange& change, platform::Date now, const UtcOffset& offset = {});

} // namespace quorvel::history
