// Property-list values: the data that stores, user defaults and notification
// payloads carry.
//
//   Value v = Dict{{"codes", Array{}}};
//   int64_t n = v["expectedNumbers"].integerValue();   // absent key reads as 0
//
// A Value is a tree with value semantics (copies are deep as far as the caller
// can tell; arrays and dictionaries are shared copy-on-write underneath is not
// needed at our sizes, so they are plain containers). `Object` holds a strong
// reference to a runtime object so notification payloads can carry platform
// objects; it is never written to a file.
#pragma once

#include "platform/foundation/Date.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace rt { class Object; }

namespace platform {

class Value;
using Array = std::vector<Value>;
// Keys sorted, as the platform writes dictionaries; deterministic files and logs.
using Dict = std::map<std::string, Value>;
using Data = std::vector<uint8_t>;
using ObjectRef = std::shared_ptr<rt::Object>;

class Value {
public:
    enum class Type { None, String, Integer, Real, Boolean, Date, Data, Array, Dict, Object };

    Value() = default;
    Value(std::nullptr_t) {}
    Value(const char* s) : m_v(std::string(s)) {}
    Value(std::string s) : m_v(std::move(s)) {}
    Value(int v) : m_v(static_cast<int64_t>(v)) {}
    Value(unsigned v) : m_v(static_cast<int64_t>(v)) {}
    Value(int64_t v) : m_v(v) {}
    Value(uint64_t v) : m_v(static_cast<int64_t>(v)) {}
    Value(long long v) : m_v(static_cast<int64_t>(v)) {}
    Value(double v) : m_v(v) {}
    Value(float v) : m_v(static_cast<double>(v)) {}
    Value(bool v) : m_v(v) {}
    Value(platform::Date d) : m_v(d) {}
    Value(platform::Data d) : m_v(std::move(d)) {}
    Value(platform::Array a) : m_v(std::move(a)) {}
    Value(platform::Dict d) : m_v(std::move(d)) {}
    Value(ObjectRef o);

    Type type() const { return static_cast<Type>(m_v.index()); }
    bool isNone() const { return type() == Type::None; }
    bool isString() const { return type() == Type::String; }
    bool isArray() const { return type() == Type::Array; }
    bool isDict() const { return type() == Type::Dict; }
    bool isDate() const { return type() == Type::Date; }
    bool isNumber() const { return type() == Type::Integer || type() == Type::Real || type() == Type::Boolean; }
    explicit operator bool() const { return !isNone(); }

    // Typed access: nullptr when the value is of another type.
    const std::string* string() const { return std::get_if<std::string>(&m_v); }
    const platform::Array* array() const { return std::get_if<platform::Array>(&m_v); }
    platform::Array* array() { return std::get_if<platform::Array>(&m_v); }
    const platform::Dict* dict() const { return std::get_if<platform::Dict>(&m_v); }
    platform::Dict* dict() { return std::get_if<platform::Dict>(&m_v); }
    const platform::Data* data() const { return std::get_if<platform::Data>(&m_v); }
    std::optional<platform::Date> date() const;
    ObjectRef object() const;

    // The platform's generic conversions (integerValue, boolValue, doubleValue):
    // a number, a boolean or a numeric string all read the same; anything else reads 0/NO.
    int64_t integerValue() const;
    bool boolValue() const;
    double doubleValue() const;

    // Dictionary lookup; a missing key, or a value that is not a dictionary, gives None.
    const Value& operator[](const std::string& key) const;
    // Array element; out of range, or not an array, gives None.
    const Value& at(size_t index) const;
    // Number of entries of an array or dictionary, else 0.
    size_t count() const;

    // "%@" formatting: strings as they are, numbers as the platform prints them,
    // dates as Date::description, None as "(null)", collections in the
    // platform's old-style description ({ key = value; }).
    std::string description() const;

    friend bool operator==(const Value& a, const Value& b);

private:
    std::variant<std::monostate, std::string, int64_t, double, bool, platform::Date, platform::Data,
                 platform::Array, platform::Dict, ObjectRef>
        m_v;
};

// A shared None so lookups can return references.
const Value& noneValue();

} // namespace platform
