#include "host/linux/RefreshGate.h"

#include <cstdio>

namespace linuxhost {

namespace {

// Seconds from `since` to `now`; nullopt when the clock went back past it.
std::optional<double> elapsed(platform::Date since, platform::Date now)
{
    if (now < since)
        return std::nullopt;
    return static_cast<double>(now.micros() - since.micros()) / 1e6;
}

std::string seconds(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", value);
    return text;
}

} // namespace

std::optional<std::string> RefreshGate::coalesceReason(platform::Date now) const
{
    if (m_awaitingAnswer && m_lastDial) {
        if (auto since = elapsed(*m_lastDial, now); since && *since < kAnswerBound)
            return "a cycle is in flight (a code dialled " + seconds(*since) + " ago has no answer yet)";
    }
    if (m_passedOnAt && m_dials > m_dialsAtPassOn) {
        if (auto since = elapsed(*m_passedOnAt, now); since && *since < kQuietPeriod)
            return "the last refresh went out " + seconds(*since) + " ago";
    }
    return std::nullopt;
}

void RefreshGate::passedOn(platform::Date now)
{
    m_passedOnAt = now;
    m_dialsAtPassOn = m_dials;
}

void RefreshGate::dialled(platform::Date now)
{
    ++m_dials;
    m_lastDial = now;
    m_awaitingAnswer = true;
}

void RefreshGate::answered(platform::Date)
{
    m_awaitingAnswer = false;
}

} // namespace linuxhost
