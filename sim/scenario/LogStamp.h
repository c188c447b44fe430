// The stamp a scenario run prints before each log line: the time of day on
// the device's clock (UTC) to the millisecond, and the date too once the run
// has passed the midnight after its start, so that a run of several days reads
// in order.
//
//   logStamp(line.time, run.start());   // "09:05:00.000", later "2026-12-09 00:00:05.000"
#pragma once

#include "platform/foundation/Date.h"

#include <string>

namespace sim {

struct LogLine;

// "HH:MM:SS.mmm" on the day `runStart` falls in, "YYYY-MM-DD HH:MM:SS.mmm" on
// any other day (before it as well).
std::string logStamp(platform::Date time, platform::Date runStart);
// The line as a run prints it: stamp, one blank, text.
std::string printableLine(const LogLine& line, platform::Date runStart);

} // namespace sim
