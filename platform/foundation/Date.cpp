#include "platform/foundation/Date.h"

#include <cmath>
#include <cstdio>

namespace platform {

namespace {

constexpr int64_t kMicrosPerSecond = 1000000;
constexpr int64_t kSecondsPerDay = 86400;

// Whole microseconds for a span in seconds, rounded to nearest. Spans that do
// not fit (or are not numbers) saturate rather than wrap, so a bad setting can
// only push a deadline far away, never into the past.
int64_t roundedMicros(double seconds)
{
    if (std::isnan(seconds))
        return 0;
    double micros = std::round(seconds * 1e6);
    if (micros >= 9.2e18)
        return INT64_MAX;
    if (micros <= -9.2e18)
        return INT64_MIN;
    return static_cast<int64_t>(micros);
}

int64_t floorDiv(int64_t a, int64_t b)
{
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

struct CivilTime {
    int64_t year;
    int month, day, hour, minute, second;
};

// Proleptic Gregorian calendar from days since 1970-01-01 (H. Hinnant's
// algorithm); avoids gmtime's time_t range and its global state.
CivilTime civilFromMicros(int64_t micros)
{
    int64_t seconds = floorDiv(micros, kMicrosPerSecond);
    int64_t days = floorDiv(seconds, kSecondsPerDay);
    int64_t secondOfDay = seconds - days * kSecondsPerDay;

    int64_t z = days + 719468;
    int64_t era = floorDiv(z, 146097);
    int64_t dayOfEra = z - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t mp = (5 * dayOfYear + 2) / 153;
    int day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);

    return CivilTime{year, month, day, static_cast<int>(secondOfDay / 3600), static_cast<int>(secondOfDay / 60 % 60),
                     static_cast<int>(secondOfDay % 60)};
}

std::string padded(int64_t value, int width)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*lld", width, static_cast<long long>(value));
    return buffer;
}

} // namespace

Date Date::fromSeconds(double secondsSinceEpoch)
{
    return fromMicros(roundedMicros(secondsSinceEpoch));
}

Date Date::addingSeconds(double seconds) const
{
    int64_t span = roundedMicros(seconds);
    int64_t sum;
    if (__builtin_add_overflow(m_micros, span, &sum))
        sum = span > 0 ? INT64_MAX : INT64_MIN;
    return fromMicros(sum);
}

std::string Date::description() const
{
    return formatted("yyyy-MM-dd HH:mm:ss") + " +0000";
}

std::string Date::formatted(const std::string& pattern) const
{
    CivilTime t = civilFromMicros(m_micros);
    std::string out;
    size_t i = 0;
    while (i < pattern.size()) {
        char c = pattern[i];
        // Text between single quotes is literal, as in the platform's patterns;
        // two quotes in a row stand for one quote, inside or outside such text.
        if (c == '\'') {
            if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                out += '\'';
                i += 2;
                continue;
            }
            size_t j = i + 1;
            while (j < pattern.size()) {
                if (pattern[j] == '\'') {
                    if (j + 1 < pattern.size() && pattern[j + 1] == '\'') {
                        out += '\'';
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                out += pattern[j++];
            }
            i = j;
            continue;
        }
        size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        if (c == 'y' && run == 4)
            out += padded(t.year, 4);
        else if (c == 'M' && run == 2)
            out += padded(t.month, 2);
        else if (c == 'd' && run == 2)
            out += padded(t.day, 2);
        else if (c == 'H' && run == 2)
            out += padded(t.hour, 2);
        else if (c == 'm' && run == 2)
            out += padded(t.minute, 2);
        else if (c == 's' && run == 2)
            out += padded(t.second, 2);
        else
            out.append(run, c);
        i += run;
    }
    return out;
}

Micros toMicros(Seconds s)
{
    return Micros(roundedMicros(s.count()));
}

} // namespace platform
