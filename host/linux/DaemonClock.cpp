#include "host/linux/DaemonClock.h"

#include <cmath>
#include <cstdlib>
#include <thread>

namespace linuxhost {

platform::Date DaemonClock::now() const
{
    return platform::Date::fromMicros(m_real.now().micros() + m_offsetMicros);
}

void DaemonClock::advanceTo(platform::Date t)
{
    platform::Date current = now();
    if (t > current)
        std::this_thread::sleep_for(t.since(current));
}

void DaemonClock::slept()
{
    m_offsetMicros += static_cast<int64_t>(std::llround(m_testSleep * 1e6));
}

std::optional<double> testSleepSeconds(const char* value, std::string* problem)
{
    if (!value || !*value)
        return 0.0;
    char* end = nullptr;
    const double seconds = std::strtod(value, &end);
    constexpr double kTenYears = 10.0 * 366 * 24 * 3600;
    if (*end != '\0' || !std::isfinite(seconds) || seconds < 0 || seconds > kTenYears) {
        *problem = std::string("not a number of seconds from 0 to 10 years: \"") + value + "\"";
        return std::nullopt;
    }
    return seconds;
}

} // namespace linuxhost
