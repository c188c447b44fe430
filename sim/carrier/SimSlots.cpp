#include "sim/carrier/SimSlots.h"

namespace sim {

namespace {

bool valid(int slot)
{
    return slot >= 1 && slot <= SimSlots::kSlots;
}

} // namespace

bool SimSlots::insert(int slot, const platform::CTSimCard& card)
{
    if (!valid(slot))
        return false;
    m_cards[static_cast<size_t>(slot - 1)] = card;
    return true;
}

bool SimSlots::remove(int slot)
{
    if (!valid(slot))
        return false;
    m_cards[static_cast<size_t>(slot - 1)].reset();
    return true;
}

std::optional<platform::CTSimCard> SimSlots::card(int slot) const
{
    if (!valid(slot))
        return std::nullopt;
    return m_cards[static_cast<size_t>(slot - 1)];
}

std::vector<platform::CTSimCard> SimSlots::inserted() const
{
    std::vector<platform::CTSimCard> cards;
    for (const auto& card : m_cards)
        if (card)
            cards.push_back(*card);
    return cards;
}

std::optional<int> SimSlots::slotOf(const std::string& simId) const
{
    for (int slot = 1; slot <= kSlots; ++slot) {
        const auto& card = m_cards[static_cast<size_t>(slot - 1)];
        if (card && platform::CTSimMatches(*card, simId))
            return slot;
    }
    return std::nullopt;
}

std::string SimSlots::describe() const
{
    std::string text;
    for (int slot = 1; slot <= kSlots; ++slot) {
        const auto& card = m_cards[static_cast<size_t>(slot - 1)];
        text += (slot > 1 ? ", slot " : "slot ") + std::to_string(slot) + ": ";
        if (!card)
            text += "empty";
        else if (card->iccid.empty())
            text += "a SIM of " + card->homeNetwork + " (no ICCID)";
        else
            text += card->iccid + " (" + card->homeNetwork + ")";
    }
    return text;
}

} // namespace sim
