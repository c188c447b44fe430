// The walk over the codes array that the layout and the redraw share, so both
// give every field the same running index g (0 for the first field of the first
// code, counting on through every field of every code in store order).
//
//   walkCodes(codes, WalkFaults::log, [&](const Value& field, int g) { ... },
//             [&](const Value& code) { refreshTime = code["refreshedAt"].date(); });
//
// A store edited by hand may hold a code record that is not a dictionary, a
// "fields" value that is not an array, or a field record that is not a
// dictionary. Such an entry is skipped (and, when asked, logged) and takes no
// index, so the walk never differs between layout and redraw.
#pragma once

#include "platform/foundation/Value.h"

#include <functional>
#include <string>

namespace quorvel {

enum class WalkFaults { silent, log };

// The number of field records (dictionaries) the walk visits.
int countFields(const platform::Array& codes);

// Calls onField for each field record in order, and onCodeEnd after each code
// record's fields (also for a record with no fields, or one that is not a dictionary).
void walkCodes(const platform::Array& codes, WalkFaults faults,
               const std::function<void(const platform::Value& field, int g)>& onField,
               const std::function<void(const platform::Value& code)>& onCodeEnd);

// The text a label shows for a stored value: a string as it is, a number as the
// platform prints it, anything else (absent, a date, a collection) as empty.
std::string labelText(const platform::Value& value);

} // namespace quorvel
