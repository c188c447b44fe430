#include "history/DeltaText.h"

#include <cmath>
#include <cstdio>

namespace quorvel::history {

namespace {

constexpr const char* kMinusSign = "\xE2\x88\x92";
constexpr int kMostDecimals = 6;

} // namespace

int writtenDecimals(const std::string& value)
{
    size_t mark = value.rfind('.');
    if (mark == std::string::npos)
        mark = value.rfind(',');
    if (mark == std::string::npos)
        return 0;
    int digits = 0;
    for (size_t i = mark + 1; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
        ++digits;
    return digits > kMostDecimals ? kMostDecimals : digits;
}

char decimalMarkOf(const std::string& value)
{
    return value.find('.') == std::string::npos && value.find(',') != std::string::npos ? ',' : '.';
}

std::string signedDelta(double delta, int decimals, char decimalMark)
{
    char digits[64];
    std::snprintf(digits, sizeof digits, "%.*f", decimals, std::fabs(delta));
    std::string text = digits;
    bool zero = true;
    for (char& c : text) {
        if (c == '.')
            c = decimalMark;
        zero = zero && (c == '0' || c == decimalMark);
    }
    if (zero)
        return text;
    return (delta < 0 ? kMinusSign : "+") + text;
}

} // namespace quorvel::history
