#include "sim/scenario/ArgReader.h"

#include <cctype>

namespace sim {

namespace {

bool allDigits(const std::string& s, size_t from, size_t to)
{
    if (from >= to)
        return false;
    for (size_t i = from; i < to; ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i])))
            return false;
    return true;
}

std::string describe(const Token& token)
{
    switch (token.kind) {
    case Token::Kind::string:
        return "the string \"" + token.text + "\"";
    case Token::Kind::symbol:
        return "'" + token.text + "'";
    case Token::Kind::word:
        break;
    }
    return "\"" + token.text + "\"";
}

} // namespace

std::optional<platform::Micros> parseDuration(const std::string& text)
{
    size_t unitStart = 0;
    while (unitStart < text.size() && (std::isdigit(static_cast<unsigned char>(text[unitStart])) || text[unitStart] == '.'))
        ++unitStart;
    std::string number = text.substr(0, unitStart);
    std::string unit = text.substr(unitStart);
    int64_t unitMicros = 0;
    if (unit == "ms")
        unitMicros = 1000;
    else if (unit == "s")
        unitMicros = 1000000;
    else if (unit == "m")
        unitMicros = 60000000;
    else if (unit == "h")
        unitMicros = 3600000000;
    else
        return std::nullopt;

    size_t dot = number.find('.');
    std::string whole = number.substr(0, dot);
    std::string fraction = dot == std::string::npos ? "" : number.substr(dot + 1);
    if (!allDigits(whole, 0, whole.size()) || (dot != std::string::npos && !allDigits(fraction, 0, fraction.size())))
        return std::nullopt;
    // Bounds keep the arithmetic below far from overflow (a year is ~2^45 µs).
    if (whole.size() > 9 || fraction.size() > 9)
        return std::nullopt;
    int64_t micros = std::stoll(whole) * unitMicros;
    if (!fraction.empty()) {
        int64_t scale = 1;
        for (size_t i = 0; i < fraction.size(); ++i)
            scale *= 10;
        // Exact decimal arithmetic: 10.001s is 10001000 µs, not a rounded double.
        // At most 9 fraction digits times 3.6e9 µs stays below 2^63.
        int64_t part = std::stoll(fraction) * unitMicros;
        if (part % scale != 0)
            return std::nullopt;
        micros += part / scale;
    }
    return platform::Micros(micros);
}

namespace {

// Days from 1970-01-01 to the given day of the proleptic Gregorian calendar.
int64_t daysFromCivil(int64_t year, int64_t month, int64_t day)
{
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int64_t digitsAt(const std::string& s, size_t from, size_t count)
{
    return std::stoll(s.substr(from, count));
}

} // namespace

std::optional<platform::Date> parseDateTime(const std::string& text)
{
    // yyyy-mm-ddThh:mm:ss[.ffffff]Z
    constexpr size_t kSecondsEnd = 19;
    if (text.size() < kSecondsEnd + 1 || text.back() != 'Z' || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':')
        return std::nullopt;
    for (size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u, 11u, 12u, 14u, 15u, 17u, 18u})
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return std::nullopt;
    int64_t fractionMicros = 0;
    const size_t fractionDigits = text.size() - 1 - kSecondsEnd;
    if (fractionDigits > 0) {
        if (text[kSecondsEnd] != '.' || fractionDigits < 2 || fractionDigits > 7 ||
            !allDigits(text, kSecondsEnd + 1, text.size() - 1))
            return std::nullopt;
        std::string fraction = text.substr(kSecondsEnd + 1, fractionDigits - 1);
        fraction.resize(6, '0');
        fractionMicros = std::stoll(fraction);
    }
    const int64_t year = digitsAt(text, 0, 4), month = digitsAt(text, 5, 2), day = digitsAt(text, 8, 2);
    const int64_t hour = digitsAt(text, 11, 2), minute = digitsAt(text, 14, 2), second = digitsAt(text, 17, 2);
    constexpr int kDaysInMonth[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month < 1 || month > 12 || day < 1 || day > kDaysInMonth[month - 1] || (month == 2 && day == 29 && !leap) ||
        hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    const int64_t seconds = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return platform::Date::fromMicros(seconds * 1000000 + fractionMicros);
}

std::optional<platform::Value> parseBareValue(const std::string& word)
{
    if (std::optional<platform::Date> date = parseDateTime(word))
        return platform::Value(*date);
    if (word == "true")
        return platform::Value(true);
    if (word == "false")
        return platform::Value(false);
    size_t start = !word.empty() && word[0] == '-' ? 1 : 0;
    size_t dot = word.find('.');
    if (dot == std::string::npos) {
        if (!allDigits(word, start, word.size()) || word.size() - start > 18)
            return std::nullopt;
        return platform::Value(static_cast<int64_t>(std::stoll(word)));
    }
    if (!allDigits(word, start, dot) || !allDigits(word, dot + 1, word.size()))
        return std::nullopt;
    return platform::Value(std::stod(word));
}

ArgReader::ArgReader(const LexedLine& line, size_t first, int lineNumber)
    : m_line(line)
    , m_next(first)
    , m_lineNumber(lineNumber)
{
}

const Token& ArgReader::take(const std::string& what)
{
    if (atEnd())
        fail("expected " + what + " here");
    return m_line.tokens[m_next++];
}

std::string ArgReader::string(const std::string& what)
{
    if (!atEnd() && peek()->kind != Token::Kind::string)
        failAt(*peek(), "expected " + what + " (a quoted string), found " + describe(*peek()));
    return take(what + " (a quoted string)").text;
}

std::string ArgReader::word(const std::string& what)
{
    if (!atEnd() && peek()->kind != Token::Kind::word)
        failAt(*peek(), "expected " + what + ", found " + describe(*peek()));
    return take(what).text;
}

std::string ArgReader::oneOf(std::initializer_list<const char*> choices)
{
    // "reply, ok or cancel"
    std::string list;
    size_t index = 0;
    for (const char* c : choices) {
        if (index > 0)
            list += index + 1 == choices.size() ? " or " : ", ";
        list += c;
        ++index;
    }
    if (atEnd())
        fail("expected " + list + " here");
    const Token& token = *peek();
    if (token.kind == Token::Kind::word)
        for (const char* c : choices)
            if (token.text == c) {
                ++m_next;
                return token.text;
            }
    failAt(token, "expected " + list + ", found " + describe(token));
}

bool ArgReader::accept(const char* word)
{
    if (atEnd() || peek()->kind != Token::Kind::word || peek()->text != word)
        return false;
    ++m_next;
    return true;
}

platform::Micros ArgReader::duration(const std::string& what)
{
    if (atEnd())
        fail("expected " + what + " (a duration such as 2s, 1.5s, 250ms, 15m or 1h) here");
    const Token& token = *peek();
    auto parsed = token.kind == Token::Kind::word ? parseDuration(token.text) : std::nullopt;
    if (!parsed)
        failAt(token, "expected " + what + " (a duration such as 2s, 1.5s, 250ms, 15m or 1h), found " + describe(token));
    ++m_next;
    return *parsed;
}

int64_t ArgReader::count(const std::string& what)
{
    if (atEnd())
        fail("expected " + what + " (a whole number) here");
    const Token& token = *peek();
    auto parsed = token.kind == Token::Kind::word ? parseBareValue(token.text) : std::nullopt;
    if (!parsed || parsed->type() != platform::Value::Type::Integer || parsed->integerValue() < 0)
        failAt(token, "expected " + what + " (a whole number), found " + describe(token));
    ++m_next;
    return parsed->integerValue();
}

platform::Value ArgReader::value(const std::string& what)
{
    if (atEnd())
        fail("expected " + what + " here");
    const Token& token = *peek();
    if (token.kind == Token::Kind::string) {
        ++m_next;
        return platform::Value(token.text);
    }
    auto parsed = token.kind == Token::Kind::word ? parseBareValue(token.text) : std::nullopt;
    if (!parsed)
        failAt(token, "expected " + what + " (a number, true, false or a quoted string; or a date such as 2026-12-08T09:00:00Z), found " +
                          describe(token));
    ++m_next;
    return *parsed;
}

std::string ArgReader::key(const std::string& what)
{
    std::string name = word(what);
    gluedSymbol('=', "'=' right after " + name);
    requireGlued("a value right after " + name + "=");
    return name;
}

void ArgReader::gluedSymbol(char c, const std::string& what)
{
    if (atEnd())
        fail("expected " + what + " here");
    const Token& token = *peek();
    if (token.kind != Token::Kind::symbol || token.text[0] != c || token.spaced)
        failAt(token, "expected " + what + ", found " + describe(token) + (token.spaced ? " after a blank" : ""));
    ++m_next;
}

bool ArgReader::acceptSymbol(char c)
{
    if (atEnd() || peek()->kind != Token::Kind::symbol || peek()->text[0] != c)
        return false;
    ++m_next;
    return true;
}

void ArgReader::requireGlued(const std::string& what) const
{
    if (atEnd())
        fail("expected " + what + " here");
    if (peek()->spaced)
        failAt(*peek(), "expected " + what + ", without blanks");
}

void ArgReader::end()
{
    if (!atEnd())
        failAt(*peek(), "unexpected " + describe(*peek()) + " at the end of the statement");
}

void ArgReader::fail(const std::string& message) const
{
    if (atEnd())
        throw ScenarioSyntaxError(m_lineNumber + m_line.endLineOffset, m_line.endColumn, message);
    failAt(m_line.tokens[m_next], message);
}

void ArgReader::failAt(const Token& token, const std::string& message) const
{
    throw ScenarioSyntaxError(m_lineNumber + token.lineOffset, token.column, message);
}

} // namespace sim
