// Which of the widget's columns belong to a code whose SIM is not in: such a
// column shows "SIM not in" in grey instead of its figure, and its code's
// refresh time is not shown as the latest. Only while codes follow their SIM
// (common/SimBinding.h); otherwise no column is marked and the widget draws
// as it always did.
#pragma once

#include "platform/foundation/Value.h"

#include <vector>

namespace quorvel {

inline constexpr const char* kSimNotInText = "SIM not in";

// One entry per field the code walk visits (CodeWalk.h), by its index g.
std::vector<bool> columnsOfAbsentSims(const platform::Array& codes, bool codesFollowSim);

} // namespace quorvel
