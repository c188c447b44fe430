// Refresh requests coalesced in the host: a status bar clicked 200 times, or
// the page's widget tapped 500 times, must not start as many USSD sessions
// (each new cycle cancels the one in flight at the modem). The engine's rules
// are untouched: a request the gate lets through reaches the engine as a tap
// always did.
//
// What the host sees of a cycle: the dials leaving for the modem (the dial
// watch in front of the modem client) and the answers coming back (a USSD
// reply or network text reaching the home screen's telephony centre, the
// engine's org.quillmoor.harrowin.ussd_data_refreshed). A request is
// coalesced, with a log line, when
//   - a dial has had no answer yet: a cycle (the engine's timer's, the
//     wizard's or a tap's) is in flight. A dial the modem client gave up on
//     (an Initiate that failed, refused by polkit) counts as answered; a
//     reply that never comes is waited for at most kAnswerBound;
//   - or the last request let through is less than kQuietPeriod old and the
//     engine dialled after it: the modem is not asked again at once even
//     when it answered quickly.
// A request after which nothing was dialled (roaming refused it, no codes, no
// modem) leaves nothing to wait for: the next one goes through.
//
//   RefreshGate gate;
//   if (auto why = gate.coalesceReason(now)) log(*why); else { gate.passedOn(now); tap(); }
//   gate.dialled(now); gate.answered(now);
//
// Times are the device clock's; one that goes backwards (the wall clock set
// back) ends the waits rather than stretching them.
#pragma once

#include "platform/foundation/Date.h"

#include <cstdint>
#include <optional>
#include <string>

namespace linuxhost {

class RefreshGate {
public:
    static constexpr double kQuietPeriod = 5.0;   // seconds after a request let through
    static constexpr double kAnswerBound = 30.0;  // seconds a dial may wait for its answer

    // Why a request arriving now is coalesced; nullopt when it goes through.
    std::optional<std::string> coalesceReason(platform::Date now) const;
    void passedOn(platform::Date now);
    void dialled(platform::Date now);
    void answered(platform::Date now);

private:
    uint64_t m_dials = 0;
    std::optional<platform::Date> m_lastDial;
    bool m_awaitingAnswer = false;
    std::optional<platform::Date> m_passedOnAt;
    uint64_t m_dialsAtPassOn = 0;
};

} // namespace linuxhost
