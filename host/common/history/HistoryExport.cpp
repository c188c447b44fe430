#include "host/common/history/HistoryExport.h"

#include "host/common/text/JsonString.h"
#include "platform/foundation/Utf8.h"

#include <charconv>
#include <chrono>
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quorvel::history {

namespace {

constexpr int64_t kMicrosPerSecond = 1000000;

// Valid UTF-8 with every control character (C0, DEL, C1) as U+FFFD.
std::string shownText(std::string_view text)
{
    // Most texts are printable ASCII (codes, digits, Latin titles) and pass as they are.
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
        return std::string(text);
    const std::string valid = platform::utf8::sanitized(text, true);
    std::string shown;
    shown.reserve(valid.size());
    for (size_t i = 0; i < valid.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(valid[i]);
        if (c < 0x20 || c == 0x7F) {
            shown += platform::utf8::kReplacementCharacter;
        } else if (c == 0xC2 && i + 1 < valid.size() && static_cast<unsigned char>(valid[i + 1]) < 0xA0) {
            shown += platform::utf8::kReplacementCharacter; // U+0080..U+009F
            ++i;
        } else {
            shown += valid[i];
        }
    }
    return shown;
}

std::string csvField(std::string_view text)
{
    std::string shown = shownText(text);
    const bool quote = shown.find_first_of(",\"") != std::string::npos ||
                       (!shown.empty() && (shown.front() == ' ' || shown.back() == ' '));
    if (!quote)
        return shown;
    std::string quoted = "\"";
    for (char c : shown) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string jsonText(std::string_view text)
{
    return host::jsonString(shownText(text));
}

bool readDigits(std::string_view& text, size_t count, int& out)
{
    if (text.size() < count)
        return false;
    out = 0;
    for (size_t i = 0; i < count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        out = out * 10 + (text[i] - '0');
    }
    text.remove_prefix(count);
    return true;
}

bool readChar(std::string_view& text, char c)
{
    if (text.empty() || text.front() != c)
        return false;
    text.remove_prefix(1);
    return true;
}

} // namespace

std::string isoDate(platform::Date date)
{
    using namespace std::chrono;
    const sys_time<microseconds> instant{microseconds(date.micros())};
    const sys_days day = floor<days>(instant);
    const year_month_day ymd{day};
    const hh_mm_ss<microseconds> time{instant - day};
    char whole[32];
    std::snprintf(whole, sizeof whole, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
    std::string text(whole, std::strlen(whole) - 1);
    const int64_t fraction = time.subseconds().count();
    if (fraction != 0) {
        char digits[8];
        std::snprintf(digits, sizeof digits, ".%06lld", static_cast<long long>(fraction));
        std::string part = digits;
        while (part.back() == '0')
            part.pop_back();
        text += part;
    }
    return text + "Z";
}

std::optional<platform::Date> parseIsoDate(std::string_view text)
{
    using namespace std::chrono;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    int64_t micros = 0;
    if (!readDigits(text, 4, y) || !readChar(text, '-') || !readDigits(text, 2, mo) || !readChar(text, '-') ||
        !readDigits(text, 2, d))
        return std::nullopt;
    const year_month_day day{year{y}, month{static_cast<unsigned>(mo)}, std::chrono::day{static_cast<unsigned>(d)}};
    if (!day.ok())
        return std::nullopt;
    int64_t offsetSeconds = 0;
    if (readChar(text, 'T') || readChar(text, ' ')) {
        if (!readDigits(text, 2, h) || !readChar(text, ':') || !readDigits(text, 2, mi) || h > 23 || mi > 59)
            return std::nullopt;
        if (readChar(text, ':')) {
            if (!readDigits(text, 2, s) || s > 59)
                return std::nullopt;
            if (readChar(text, '.')) {
                int64_t scale = 100000;
                size_t digits = 0;
                while (!text.empty() && text.front() >= '0' && text.front() <= '9') {
                    if (++digits > 6)
                        return std::nullopt;
                    micros += (text.front() - '0') * scale;
                    scale /= 10;
                    text.remove_prefix(1);
                }
                if (digits == 0)
                    return std::nullopt;
            }
        }
        if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
            const int sign = text.front() == '-' ? -1 : 1;
            text.remove_prefix(1);
            int oh = 0, om = 0;
            if (!readDigits(text, 2, oh))
                return std::nullopt;
            readChar(text, ':');
            if (!readDigits(text, 2, om) || oh > 23 || om > 59)
                return std::nullopt;
            offsetSeconds = sign * (oh * 3600 + om * 60);
        } else {
            readChar(text, 'Z');
        }
    }
    if (!text.empty())
        return std::nullopt;
    const int64_t seconds = sys_days(day).time_since_epoch().count() * int64_t(86400) + h * 3600 + mi * 60 + s - offsetSeconds;
    return platform::Date::fromMicros(seconds * kMicrosPerSecond + micros);
}

std::string numberText(double number)
{
    char text[32];
    auto [end, error] = std::to_chars(text, text + sizeof text, number);
    if (error != std::errc())
        return {};
    return std::string(text, end);
}

std::string csvHeader()
{
    return "refreshed_at,code,index,title,value,number\n";
}

std::string csvLine(const HistorySample& row)
{
    return isoDate(row.refreshedAt) + "," + csvField(row.code) + "," + std::to_string(row.index) + "," +
           (row.title ? csvField(*row.title) : std::string()) + "," + csvField(row.value) + "," +
           (row.number ? numberText(*row.number) : std::string()) + "\n";
}

std::string jsonObject(const HistorySample& row)
{
    return "{\"refreshedAt\":\"" + isoDate(row.refreshedAt) + "\",\"code\":" + jsonText(row.code) +
           ",\"index\":" + std::to_string(row.index) + ",\"title\":" + (row.title ? jsonText(*row.title) : "null") +
           ",\"value\":" + jsonText(row.value) + ",\"number\":" + (row.number ? numberText(*row.number) : "null") + "}";
}

} // namespace quorvel::history
