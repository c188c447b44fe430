#include "platform/foundation/internal/TextFormat.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace platform::internal {

std::string shortestReal(double value)
{
    char buffer[400];
    if (!std::isfinite(value)) {
        auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        return std::string(buffer, result.ptr);
    }
    // Like "%.17g" but with the fewest digits that read back the same: plain
    // notation for magnitudes from 1e-4 to below 1e17, exponent notation beyond.
    auto scientific = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    std::string text(buffer, scientific.ptr);
    size_t e = text.find('e');
    int exponent = e == std::string::npos ? 0 : std::atoi(text.c_str() + e + 1);
    if (exponent < -4 || exponent >= 17)
        return text;
    auto fixed = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return std::string(buffer, fixed.ptr);
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
