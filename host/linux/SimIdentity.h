// A SIM's identity as ModemManager reports it, checked before quorveld uses or
// logs it: its Sim object's properties come over D-Bus from another process
// and are matched against the codes store's `simId` keys.
//
//   SimIdentity id = simIdentity(mm_sim_get_identifier(sim), mm_sim_get_operator_identifier(sim));
//   if (!id.problem.empty()) note(id.problem);   // one line, the bad text cut short
//   platform::CTSimCard card = id.card;
//
// An ICCID is kept when it is 1 to 22 hexadecimal digits (the 19 or 20
// digits of a card, sometimes with the F padding of its stored form); the
// home network when it is an MCC+MNC of 5 or 6 decimal digits. Anything else
// is dropped (an empty field), as for a card the modem cannot read.
#pragma once

#include "platform/telephony/SimCards.h"

#include <string>

namespace linuxhost {

inline constexpr size_t kLongestIccid = 22;

struct SimIdentity {
    platform::CTSimCard card;
    // Why a field was dropped, for the log; empty when both were kept (or empty).
    std::string problem;
};

SimIdentity simIdentity(const char* iccid, const char* homeNetwork);

} // namespace linuxhost
