#include "history/HistoryNumbers.h"

#include <charconv>
#include <cmath>
#include <string>

namespace quorvel::history {

namespace {

constexpr size_t kLongestNumberText = 64;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Length of the blank at `i` (ASCII space, U+00A0 or U+202F), 0 when none.
size_t blankAt(std::string_view text, size_t i)
{
    if (text[i] == ' ')
        return 1;
    if (text.substr(i, 2) == "\xC2\xA0")
        return 2;
    if (text.substr(i, 3) == "\xE2\x80\xAF")
        return 3;
    return 0;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<double> numericValue(std::string_view text)
{
    if (text.size() > kLongestNumberText)
        return std::nullopt;
    text = trimmed(text);
    std::string plain;
    if (text.starts_with("-") || text.starts_with("+")) {
        if (text[0] == '-')
            plain += '-';
        text.remove_prefix(1);
    } else if (text.starts_with("\xE2\x88\x92")) {
        plain += '-';
        text.remove_prefix(3);
    }
    const bool hasDot = text.find('.') != std::string_view::npos;
    const char decimalMark = hasDot ? '.' : ',';
    bool seenMark = false;
    bool seenDigit = false;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (isDigit(c)) {
            plain += c;
            seenDigit = true;
            ++i;
        } else if (c == decimalMark) {
            if (seenMark)
                return std::nullopt;
            seenMark = true;
            plain += '.';
            ++i;
        } else if (size_t blank = (c == ',' ? 1 : blankAt(text, i)); blank > 0) {
            // A group separator stands between two digits, never before the mark.
            const bool digitBefore = i > 0 && isDigit(text[i - 1]);
            const bool digitAfter = i + blank < text.size() && isDigit(text[i + blank]);
            if (!digitBefore || !digitAfter || seenMark)
                return std::nullopt;
            i += blank;
        } else {
            return std::nullopt;
        }
    }
    if (!seenDigit)
        return std::nullopt;
    double value = 0;
    const char* begin = plain.data();
    const char* end = plain.data() + plain.size();
    if (plain.starts_with("-"))
        ++begin;
    auto [stop, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return plain.starts_with("-") ? -value : value;
}

} // namespace quorvel::history
