// The colour table behind the settings "titleColor" and "valueColor": integer
// indexes 0 to 9 into the platform's named system colours.
#pragma once

#include "platform/ui/UIColor.h"

#include <cstdint>
#include <optional>

namespace quorvel {

inline constexpr int kColorTableSize = 10;

// 0 red, 1 black, 2 gray, 3 white, 4 green, 5 blue, 6 yellow, 7 orange,
// 8 purple, 9 brown. The index is taken as unsigned, so a negative one is
// outside the table like any index above 9: nullopt.
std::optional<platform::UIColor> colorFromTable(int64_t index);

} // namespace quorvel
