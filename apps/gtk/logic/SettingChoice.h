// Which of a setting's offered values a stored value is, for the combo rows
// of the preferences page. quorveld sends integers and reals as the store
// holds them, so 10 and 10.0 are the same choice.
#pragma once

#include "host/linux/client/QuorvelClient.h"

#include <optional>
#include <vector>

namespace quorvelapp {

bool sameSettingValue(const linuxhost::SettingValue& a, const linuxhost::SettingValue& b);

// The position of `current` among `values`; nullopt when it is none of them
// (a store edited by hand), and the row then shows no choice.
std::optional<size_t> choiceIndex(const std::vector<linuxhost::SettingValue>& values,
                                  const linuxhost::SettingValue& current);

// A boolean setting's value; an integer or real reads as on when not zero.
bool switchState(const linuxhost::SettingValue& value);

} // namespace quorvelapp
