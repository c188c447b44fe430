#include "host/common/history/ChangeText.h"

#include "history/DeltaText.h"
#include "platform/foundation/Utf8.h"


namespace quorvel::history {

namespace {

constexpr size_t kLongestShownValue = 32;
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string whenText(platform::Date at, platform::Date now, const UtcOffset& offset)
{
    const platform::Date localAt = at.adding(platform::Micros((offset ? offset(at) : 0) * 1000000));
    const platform::Date localNow = now.adding(platform::Micros((offset ? offset(now) : 0) * 1000000));
    const std::string time = localAt.formatted("HH:mm");
    if (localAt.formatted("yyyy-MM-dd") == localNow.formatted("yyyy-MM-dd"))
        return time;
    if (localAt.formatted("yyyy") == localNow.formatted("yyyy")) {
        const int month = std::stoi(localAt.formatted("MM"));
        return std::to_string(std::stoi(localAt.formatted("dd"))) + " " + kMonths[(month - 1) % 12] + " " + time;
    }
    return localAt.formatted("yyyy-MM-dd") + " " + time;
}

// A value as shown inside the text: valid UTF-8, no control characters, short.
std::string shownValue(const std::string& value)
{
    std::string clean;
    for (char c : platform::utf8::sanitized(value, true))
        clean += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c;
    if (clean.size() <= kLongestShownValue)
        return clean;
    size_t end = kLongestShownValue;
    while (end > 0 && (static_cast<unsigned char>(clean[end]) & 0xc0) == 0x80)
        --end;
    return clean.substr(0, end) + "\u2026";
}

} // namespace

std::string changeText(const FieldChange& change, platform::Date now, const UtcOffset& offset)
{
    const std::string when = whenText(change.previousAt, now, offset);
    if (!change.delta)
        return "was \u201c" + shownValue(change.previousValue) + "\u201d at " + when;
    int decimals = decimalsOf(change.value);
    if (int before = decimalsOf(change.previousValue); before > decimals)
        decimals = before;
    return signedDelta(*change.delta, decimals, decimalMarkOf(change.value)) + " since " + when;
}

} // namespace quorvel::history
