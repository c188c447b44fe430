#include "sim/scenario/ValuePath.h"

#include <cctype>
#include <cstdio>

namespace sim {

namespace {

bool isKeyCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

} // namespace

std::optional<ValuePath> ValuePath::parse(const std::string& text, size_t* errorOffset)
{
    ValuePath path;
    path.m_text = text;
    size_t i = 0;
    auto failAt = [&](size_t offset) -> std::optional<ValuePath> {
        if (errorOffset)
            *errorOffset = offset;
        return std::nullopt;
    };
    while (true) {
        size_t start = i;
        while (i < text.size() && isKeyCharacter(text[i]))
            ++i;
        if (i == start)
            return failAt(i);
        path.m_steps.emplace_back(text.substr(start, i - start));
        while (i < text.size() && text[i] == '[') {
            size_t digits = ++i;
            while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
                ++i;
            if (i == digits || i - digits > 9 || i >= text.size() || text[i] != ']')
                return failAt(i);
            path.m_steps.emplace_back(static_cast<size_t>(std::stoul(text.substr(digits, i - digits))));
            ++i;
        }
        if (i == text.size())
            return path;
        if (text[i] != '.')
            return failAt(i);
        ++i;
    }
}

const platform::Value* ValuePath::find(const platform::Value& root) const
{
    const platform::Value* at = &root;
    for (const Step& step : m_steps) {
        if (const std::string* key = std::get_if<std::string>(&step)) {
            const platform::Dict* dict = at->dict();
            if (!dict)
                return nullptr;
            auto found = dict->find(*key);
            if (found == dict->end())
                return nullptr;
            at = &found->second;
        } else {
            const platform::Array* array = at->array();
            size_t index = std::get<size_t>(step);
            if (!array || index >= array->size())
                return nullptr;
            at = &(*array)[index];
        }
    }
    return at;
}

std::string dateTimeText(platform::Date date)
{
    std::string text = date.formatted("yyyy-MM-dd") + "T" + date.formatted("HH:mm:ss");
    int64_t micros = date.micros() % 1000000;
    if (micros < 0)
        micros += 1000000;
    if (micros != 0) {
        char fraction[16];
        std::snprintf(fraction, sizeof fraction, ".%06lld", static_cast<long long>(micros));
        std::string digits = fraction;
        while (digits.back() == '0')
            digits.pop_back();
        text += digits;
    }
    return text + "Z";
}

bool valueMatches(const platform::Value& stored, const platform::Value& expected)
{
    using Type = platform::Value::Type;
    Type want = expected.type();
    Type have = stored.type();
    if (want == Type::String)
        return have == Type::String && *stored.string() == *expected.string();
    if (want == Type::Boolean)
        return have == Type::Boolean && stored.boolValue() == expected.boolValue();
    if (want == Type::Integer || want == Type::Real)
        return (have == Type::Integer || have == Type::Real) && stored.doubleValue() == expected.doubleValue();
    return stored == expected;
}

std::string describeValue(const platform::Value& value)
{
    using Type = platform::Value::Type;
    switch (value.type()) {
    case Type::None: return "nothing";
    case Type::String: return "\"" + value.description() + "\" (a string)";
    case Type::Integer: return value.description() + " (an integer)";
    case Type::Real: return value.description() + " (a real)";
    case Type::Boolean: return std::string(value.boolValue() ? "true" : "false") + " (a boolean)";
    case Type::Date: return dateTimeText(*value.date()) + " (a date)";
    case Type::Data: return "data of " + std::to_string(value.data()->size()) + " bytes";
    case Type::Array: return "an array of " + std::to_string(value.count()) + " entries";
    case Type::Dict: return "a dictionary of " + std::to_string(value.count()) + " keys";
    case Type::Object: return "an object";
    }
    return value.description();
}

} // namespace sim
