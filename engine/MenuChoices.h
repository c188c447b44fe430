// The menu choices a code record carries ("menuChoices": the texts that answer
// the carrier's menus one after another until the figures come).
//
//   menuTransversalQueue = menuChoicesOf(record);   // right after emptying it
//
// A record without the key has no choices. A value that is not a list of
// non-empty texts, or one longer than kMaxMenuChoices entries or with a choice
// longer than a reply field takes, is logged and taken as no choices: the code
// is then dialled as a code without a menu. Main thread only.
#pragma once

#include "platform/foundation/Value.h"

#include <string>
#include <vector>

namespace quorvel::engine {

inline constexpr size_t kMaxMenuChoices = 16;
// What the USSD alert's reply field holds.
inline constexpr size_t kMaxMenuChoiceLength = 182;

std::vector<std::string> menuChoicesOf(const platform::Value& record);

} // namespace quorvel::engine
