#include "platform/foundation/internal/TextFormat.h"

#include <charconv>
#include <vector>

namespace platform::internal {

std::string shortestReal(double value)
{
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string fixedReal(double value, int precision)
{
    if (precision < 0)
        precision = 6;
    // 309 integer digits at most, plus the fraction, sign and point.
    std::vector<char> buffer(static_cast<size_t>(precision) + 330);
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, precision);
    if (result.ec != std::errc())
        return "nan";
    return std::string(buffer.data(), result.ptr);
}

} // namespace platform::internal
