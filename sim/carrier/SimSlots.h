// The SIM slots of the simulated phone: which cards are in, changed by the
// scenario language (`sim` statements) and the swarm.
//
//   SimSlots slots;                                   // slot 1: the default SIM
//   slots.insert(2, {"8944200000000000002", "23410"});   // a second SIM
//   slots.remove(1);                                  // the first taken out
//
// Slots are numbered 1 and 2, as a dual-SIM phone labels them. A card put
// into a full slot replaces the one there (a swap). Single-threaded.
#pragma once

#include "platform/telephony/SimCards.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace sim {

class SimSlots {
public:
    static constexpr int kSlots = 2;
    // The card a fresh device holds in slot 1.
    static platform::CTSimCard defaultSim() { return {"8970101000000000001", "25001"}; }

    SimSlots() { m_cards[0] = defaultSim(); }

    // False (nothing changes) for a slot outside 1 to kSlots.
    bool insert(int slot, const platform::CTSimCard& card);
    bool remove(int slot);
    std::optional<platform::CTSimCard> card(int slot) const;
    // The cards in, slot order.
    std::vector<platform::CTSimCard> inserted() const;
    // The first slot whose card `simId` names; none when no such card is in.
    std::optional<int> slotOf(const std::string& simId) const;
    // "slot 1: 8970101000000000001 (25001), slot 2: empty", for the log.
    std::string describe() const;

private:
    std::array<std::optional<platform::CTSimCard>, kSlots> m_cards;
};

} // namespace sim
