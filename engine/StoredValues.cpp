#include "engine/StoredValues.h"

#include <cmath>
#include <string>

namespace quorvel::engine {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Whether the platform's numeric scan finds a number at the start of the text.
bool startsWithNumber(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    if (i < text.size() && isDigit(text[i]))
        return true;
    return i + 1 < text.size() && text[i] == '.' && isDigit(text[i + 1]);
}

bool isNumeric(const platform::Value& value)
{
    if (value.isNumber())
        return true;
    const std::string* text = value.string();
    return text && startsWithNumber(*text);
}

} // namespace

std::optional<int64_t> storedInteger(const platform::Value& value)
{
    if (!isNumeric(value))
        return std::nullopt;
    return value.integerValue();
}

std::optional<double> storedReal(const platform::Value& value)
{
    if (!isNumeric(value))
        return std::nullopt;
    double real = value.doubleValue();
    if (!std::isfinite(real))
        return std::nullopt;
    return real;
}

std::optional<bool> storedFlag(const platform::Value& value)
{
    if (!value.isNumber() && !value.isString())
        return std::nullopt;
    return value.boolValue();
}

} // namespace quorvel::engine
