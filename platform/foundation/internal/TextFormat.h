// Locale-independent number texts shared by the foundation's descriptions and
// the log formatter. The process locale never changes how a number is printed.
#pragma once

#include <string>

namespace platform::internal {

// Shortest text that reads back as the same double: 10 -> "10", 12.5 -> "12.5".
std::string shortestReal(double value);

// Fixed notation with `precision` digits after the point ("%.*f" in the C locale).
std::string fixedReal(double value, int precision);

} // namespace platform::internal
