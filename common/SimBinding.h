// Codes that belong to a SIM: while the setting "Codes follow their SIM"
// (codesFollowSim) is on, a code record's simId names the SIM it was added
// with, and the code is dialled, and its figures shown as current, only while
// that SIM is in. With the setting off, or a record without simId, a code
// belongs to whatever SIM is in, as before there were SIM bindings.
//
//   if (auto sim = boundSim(record, codesFollowSimSetting())) if (!CTSimIsInserted(*sim)) skip();
//   record[kSimIdKey] = simToRecord();   // the wizards, when the setting is on
#pragma once

#include "platform/foundation/Value.h"

#include <optional>
#include <string>

namespace quorvel {

// The settings store's codesFollowSim, read afresh: false when absent or not
// a flag (read as the other switches are: a boolean, or a number or a text
// that reads as one).
bool codesFollowSimSetting();

// The SIM the record belongs to when codes follow their SIM: its simId when
// that is a non-empty text; none otherwise (any SIM will do). A simId of
// another type is ignored, and kept in the store as it is.
std::optional<std::string> boundSim(const platform::Value& record, bool codesFollowSim);

// The identity of the SIM a new code is dialled with: the first SIM in
// (slot 1 on a dual-SIM phone, where plain dials go); none without a SIM.
std::optional<std::string> simToRecord();

// Whether the record's code is shown as not current: it belongs to a SIM that
// is not in.
bool simIsMissing(const platform::Value& record, bool codesFollowSim);

} // namespace quorvel
