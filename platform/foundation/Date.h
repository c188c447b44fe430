// A point in device time, as the platform's date object holds it.
//
//   Date t = Clock::now();            // only through the device clock
//   if (now > t.addingSeconds(10.0f)) ...
//
// Stored as whole microseconds since the Unix epoch so that window tests
// ("now is later than start + span") compare exactly, with no drift from
// accumulating doubles. Value type; cheap to copy.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace platform {

// Durations at every boundary carry their unit in the type.
using Seconds = std::chrono::duration<double>;
using Micros = std::chrono::microseconds;

class Date {
public:
    constexpr Date() = default;
    static constexpr Date fromMicros(int64_t microsSinceEpoch) { Date d; d.m_micros = microsSinceEpoch; return d; }
    static Date fromSeconds(double secondsSinceEpoch);

    constexpr int64_t micros() const { return m_micros; }
    double secondsSinceEpoch() const { return static_cast<double>(m_micros) / 1e6; }

    // Rounds the span to the nearest microsecond.
    Date addingSeconds(double seconds) const;
    Date adding(Micros span) const { return fromMicros(m_micros + span.count()); }
    Micros since(Date earlier) const { return Micros(m_micros - earlier.m_micros); }

    // "2026-12-08 09:05:00 +0000", the way the platform describes a date (always UTC).
    std::string description() const;
    // Formats with a small subset of the platform's date patterns: HH, mm, ss, yyyy, MM, dd.
    // The device time zone is UTC.
    std::string formatted(const std::string& pattern) const;

    friend constexpr auto operator<=>(Date, Date) = default;

private:
    int64_t m_micros = 0;
};

Micros toMicros(Seconds s);

} // namespace platform
