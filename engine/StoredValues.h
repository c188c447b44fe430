// Reading numbers and flags out of stored property lists with the platform's
// generic conversions, while telling a usable value from a mistyped one.
//
//   if (auto n = storedInteger(record["expectedNumbers"])) ... else log and skip;
//
// A number, a boolean or a text that starts with a number (after blanks: an
// optional sign, then a digit, or a full stop and a digit) reads as the
// platform reads it ("15" as 15, "15 min" as 15). Anything else (absent, a
// collection, a date, data, a text such as "abc") is none, so callers can log it
// and fall back instead of silently reading 0.
#pragma once

#include "platform/foundation/Value.h"

#include <cstdint>
#include <optional>

namespace quorvel::engine {

std::optional<int64_t> storedInteger(const platform::Value& value);
// Also none for a value that is not finite.
std::optional<double> storedReal(const platform::Value& value);
// Flags also accept any text ("YES", "true", "1"), read as the platform reads it.
std::optional<bool> storedFlag(const platform::Value& value);

} // namespace quorvel::engine
