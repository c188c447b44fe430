// The numeric value of a stored field's text, for the history's `number`
// column. Carriers write decimals either way, so the mark is decided per text:
//
//   "12.30"    -> 12.3     a dot is the decimal mark; commas are then group separators
//   "1,000.50" -> 1000.5
//   "12,30"    -> 12.3     with no dot, a comma is the decimal mark
//   "000,50"   -> 0.5      (the extraction splits "1 000,50" into "1" and "000,50")
//   "1 000,50" -> 1000.5   blanks (also no-break spaces) between digits group them
//   "-5.10"    -> -5.1     a leading sign, '-', '+' or the minus sign U+2212
//   "1,2,3", "1.2.3", "12 rub", "", "-" -> none (stored as NULL)
//
// Anything other than digits, one decimal mark, group separators and a
// leading sign makes the text no number; so does a text over 64 bytes.
#pragma once

#include <optional>
#include <string_view>

namespace quorvel::history {

std::optional<double> numericValue(std::string_view text);

} // namespace quorvel::history
