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

std::optional<platform::Value> parseBareValue(const std::string& word)
{
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
        failAt(token, "expected " + what + " (a number, true, false or a quoted string), found " + describe(token));
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
    int column = atEnd() ? m_line.endColumn : m_line.tokens[m_next].column;
    throw ScenarioSyntaxError(m_lineNumber, column, message);
}

void ArgReader::failAt(const Token& token, const std::string& message) const
{
    throw ScenarioSyntaxError(m_lineNumber, token.column, message);
}

} // namespace sim
