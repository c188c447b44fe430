#include "platform/foundation/Value.h"

#include "platform/foundation/internal/TextFormat.h"
#include "platform/runtime/Runtime.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace platform {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

size_t skipBlanks(const std::string& s, size_t i = 0)
{
    while (i < s.size() && isBlank(s[i]))
        ++i;
    return i;
}

// The string scanner's integer reading: leading blanks, an optional sign, then
// decimal digits up to the first other character. No digits reads as 0; a value
// that does not fit saturates.
int64_t scanInteger(const std::string& s)
{
    size_t i = skipBlanks(s);
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    uint64_t magnitude = 0;
    const uint64_t limit = negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
    for (; i < s.size() && isDigit(s[i]); ++i) {
        uint64_t digit = static_cast<uint64_t>(s[i] - '0');
        if (magnitude > (limit - digit) / 10) {
            magnitude = limit;
            break;
        }
        magnitude = magnitude * 10 + digit;
    }
    if (negative)
        return magnitude == uint64_t(INT64_MAX) + 1 ? INT64_MIN : -static_cast<int64_t>(magnitude);
    return static_cast<int64_t>(magnitude);
}

// Decimal reals only ("12.5", "-3e2", ".5"); never hexadecimal, "inf" or "nan",
// and never the process locale's decimal separator.
double scanDouble(const std::string& s)
{
    size_t start = skipBlanks(s);
    size_t i = start;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    size_t digits = 0;
    for (; i < s.size() && isDigit(s[i]); ++i)
        ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        for (; i < s.size() && isDigit(s[i]); ++i)
            ++digits;
    }
    if (digits == 0)
        return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        if (j < s.size() && isDigit(s[j])) {
            while (j < s.size() && isDigit(s[j]))
                ++j;
            i = j;
        }
    }
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    std::string number = s.substr(start, i - start);
    return strtod_l(number.c_str(), nullptr, cLocale);
}

// The string scanner's boolean reading: blanks, an optional sign and leading
// zeros are skipped; then Y, y, T, t or a digit 1 to 9 means YES.
bool scanBool(const std::string& s)
{
    size_t i = skipBlanks(s);
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    while (i < s.size() && s[i] == '0')
        ++i;
    if (i == s.size())
        return false;
    char c = s[i];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

int64_t saturatingInteger(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 9223372036854775807.0)
        return INT64_MAX;
    if (v <= -9223372036854775808.0)
        return INT64_MIN;
    return static_cast<int64_t>(v);
}

bool isPlainTextChar(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(static_cast<char>(c)) || c == '_' || c == '$' ||
           c == '/' || c == ':' || c == '.' || c == '-';
}

// Strings inside a collection's description are quoted unless they are made
// only of characters that the old-style format leaves bare.
std::string quotedIfNeeded(const std::string& s)
{
    bool plain = !s.empty();
    for (unsigned char c : s)
        plain = plain && isPlainTextChar(c);
    if (plain)
        return s;
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default:
            if (c < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\U%04x", c);
                out += buffer;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
    return out;
}

std::string dataDescription(const Data& data)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out = "<";
    for (size_t i = 0; i < data.size(); ++i) {
        if (i > 0 && i % 4 == 0)
            out += ' ';
        out += kHex[data[i] >> 4];
        out += kHex[data[i] & 0xf];
    }
    out += '>';
    return out;
}

std::string objectDescription(const ObjectRef& object)
{
    if (!object)
        return "(null)";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%p", static_cast<const void*>(object.get()));
    std::string className = object->isa() ? object->isa()->name() : "Object";
    return "<" + className + ": " + buffer + ">";
}

void appendDescription(const Value& value, int indent, bool nested, std::string& out);

void appendIndent(int levels, std::string& out)
{
    out.append(static_cast<size_t>(levels) * 4, ' ');
}

void appendDescription(const Value& value, int indent, bool nested, std::string& out)
{
    if (const Array* array = value.array()) {
        out += "(\n";
        for (size_t i = 0; i < array->size(); ++i) {
            appendIndent(indent + 1, out);
            appendDescription((*array)[i], indent + 1, true, out);
            out += i + 1 < array->size() ? ",\n" : "\n";
        }
        appendIndent(indent, out);
        out += ')';
    } else if (const Dict* dict = value.dict()) {
        out += "{\n";
        for (const auto& [key, item] : *dict) {
            appendIndent(indent + 1, out);
            out += quotedIfNeeded(key);
            out += " = ";
            appendDescription(item, indent + 1, true, out);
            out += ";\n";
        }
        appendIndent(indent, out);
        out += '}';
    } else if (nested && (value.isString() || value.isDate())) {
        out += quotedIfNeeded(value.description());
    } else {
        out += value.description();
    }
}

} // namespace

Value::Value(ObjectRef o) : m_v(std::move(o)) {}

std::optional<platform::Date> Value::date() const
{
    if (const platform::Date* d = std::get_if<platform::Date>(&m_v))
        return *d;
    return std::nullopt;
}

ObjectRef Value::object() const
{
    if (const ObjectRef* o = std::get_if<ObjectRef>(&m_v))
        return *o;
    return nullptr;
}

int64_t Value::integerValue() const
{
    switch (type()) {
    case Type::Integer: return std::get<int64_t>(m_v);
    case Type::Real: return saturatingInteger(std::get<double>(m_v));
    case Type::Boolean: return std::get<bool>(m_v) ? 1 : 0;
    case Type::String: return scanInteger(std::get<std::string>(m_v));
    default: return 0;
    }
}

bool Value::boolValue() const
{
    switch (type()) {
    case Type::Integer: return std::get<int64_t>(m_v) != 0;
    case Type::Real: return std::get<double>(m_v) != 0;
    case Type::Boolean: return std::get<bool>(m_v);
    case Type::String: return scanBool(std::get<std::string>(m_v));
    default: return false;
    }
}

double Value::doubleValue() const
{
    switch (type()) {
    case Type::Integer: return static_cast<double>(std::get<int64_t>(m_v));
    case Type::Real: return std::get<double>(m_v);
    case Type::Boolean: return std::get<bool>(m_v) ? 1.0 : 0.0;
    case Type::String: return scanDouble(std::get<std::string>(m_v));
    default: return 0;
    }
}

const Value& Value::operator[](const std::string& key) const
{
    if (const platform::Dict* d = dict()) {
        auto it = d->find(key);
        if (it != d->end())
            return it->second;
    }
    return noneValue();
}

const Value& Value::at(size_t index) const
{
    if (const platform::Array* a = array()) {
        if (index < a->size())
            return (*a)[index];
    }
    return noneValue();
}

size_t Value::count() const
{
    if (const platform::Array* a = array())
        return a->size();
    if (const platform::Dict* d = dict())
        return d->size();
    return 0;
}

std::string Value::description() const
{
    switch (type()) {
    case Type::None: return "(null)";
    case Type::String: return std::get<std::string>(m_v);
    case Type::Integer: return std::to_string(std::get<int64_t>(m_v));
    case Type::Real: return internal::shortestReal(std::get<double>(m_v));
    case Type::Boolean: return std::get<bool>(m_v) ? "1" : "0";
    case Type::Date: return std::get<platform::Date>(m_v).description();
    case Type::Data: return dataDescription(std::get<platform::Data>(m_v));
    case Type::Object: return objectDescription(std::get<ObjectRef>(m_v));
    case Type::Array:
    case Type::Dict: {
        std::string out;
        appendDescription(*this, 0, false, out);
        return out;
    }
    }
    return {};
}

bool operator==(const Value& a, const Value& b)
{
    return a.m_v == b.m_v;
}

const Value& noneValue()
{
    static const Value kNone;
    return kNone;
}

} // namespace platform
