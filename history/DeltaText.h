// How a change between two written values is put in words, the same on every
// screen (the browser page, the app): as many decimals as the values are
// written with, the value's own decimal mark, U+2212 for a fall and "+" for a
// rise. Plain text functions, no platform: the app links them too.
//
//   signedDelta(-1.3, writtenDecimals("12,30"), decimalMarkOf("12,30"))  // "−1,30"
#pragma once

#include <string>

namespace quorvel::history {

// The places after the decimal mark `value` is written with (at most 6).
int writtenDecimals(const std::string& value);

// The value's decimal mark as its text writes it: a comma only with no dot.
char decimalMarkOf(const std::string& value);

// "−1.30", "+2", "+0,50": the delta with `decimals` places and the mark
// given; a change too small for those places ("0.00") has no sign.
std::string signedDelta(double delta, int decimals, char decimalMark);

} // namespace quorvel::history
