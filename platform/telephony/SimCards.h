// The SIMs the device holds, as the telephony layer reads them, and dialling
// on one of them.
//
//   for (const CTSimCard& sim : CTCopyInsertedSims()) ...   // slot order
//   if (CTSimIsInserted(record["simId"])) CTCallDialOnSim("*100#", simId);
//
// A SIM is named in a code record by its identity: its ICCID where the
// platform gives it, else its home network's MCC+MNC. A record that names a
// network matches any SIM of that network. Main thread of the calling process.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct CTSimCard {
    // The card's ICCID; empty when the platform cannot read it.
    std::string iccid;
    // The home network's MCC and MNC, digits only ("25001"); may be empty.
    std::string homeNetwork;

    bool operator==(const CTSimCard&) const = default;
};

// What a code record keeps to name this SIM ("" for a card with neither).
std::string CTSimIdentity(const CTSimCard& sim);

// Whether the record's SIM identity names this card: its ICCID, or (for a
// card or a record without one) its home network.
bool CTSimMatches(const CTSimCard& sim, const std::string& simId);

// The SIMs in the device now, in slot order; none without a device, a
// telephony service, or a SIM.
std::vector<CTSimCard> CTCopyInsertedSims();

// Whether a SIM that `simId` names is in now.
bool CTSimIsInserted(const std::string& simId);

// CTCallDial on the SIM `simId` names (the telephony service picks the slot
// or modem that holds it); returns whether a telephony service took it.
bool CTCallDialOnSim(const std::string& number, const std::string& simId);

} // namespace platform
