#include "sim/scenario/LogStamp.h"

#include "sim/world/LogCapture.h"

#include <cstdio>

namespace sim {

namespace {

constexpr int64_t kMicrosPerDay = int64_t(86400) * 1000000;

// Days since the epoch, rounded down, so instants before it fall on their own day.
int64_t dayOf(platform::Date time)
{
    int64_t micros = time.micros();
    return micros / kMicrosPerDay - (micros % kMicrosPerDay < 0 ? 1 : 0);
}

} // namespace

std::string logStamp(platform::Date time, platform::Date runStart)
{
    int64_t micros = time.micros() - dayOf(time) * kMicrosPerDay;
    int64_t millis = micros / 1000;
    char clock[16];
    std::snprintf(clock, sizeof clock, "%02d:%02d:%02d.%03d", static_cast<int>(millis / 3600000),
                  static_cast<int>(millis / 60000 % 60), static_cast<int>(millis / 1000 % 60), static_cast<int>(millis % 1000));
    if (dayOf(time) == dayOf(runStart))
        return clock;
    return time.formatted("yyyy-MM-dd") + " " + clock;
}

std::string printableLine(const LogLine& line, platform::Date runStart)
{
    return logStamp(line.time, runStart) + ' ' + line.text;
}

} // namespace sim
