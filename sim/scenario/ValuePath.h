// A path into a property-list value: keys joined by dots, array positions in
// brackets, as in "codes[0].fields[1].lastValue".
//
//   auto path = ValuePath::parse("codes[0].ussdCode");    // nullopt when malformed
//   const platform::Value* v = path->find(root);           // nullptr when absent
#pragma once

#include "platform/foundation/Value.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace sim {

class ValuePath {
public:
    // Keys are letters, digits and '_'; positions are whole numbers. On a
    // malformed path, *errorOffset (if given) is the 0-based offset of the
    // offending character.
    static std::optional<ValuePath> parse(const std::string& text, size_t* errorOffset = nullptr);

    // The value at the path, or nullptr when a key or position is absent or a
    // step meets a value of the wrong kind.
    const platform::Value* find(const platform::Value& root) const;

    const std::string& text() const { return m_text; }

private:
    using Step = std::variant<std::string, size_t>;
    std::vector<Step> m_steps;
    std::string m_text;
};

// Whether a stored value matches an expected one written in a scenario: texts
// equal as texts, booleans as booleans, numbers by value (an integer 15 and a
// real 15.0 match; a text "15" does not match the number 15).
bool valueMatches(const platform::Value& stored, const platform::Value& expected);

// "2026-12-08T09:00:01Z", "2026-12-08T09:00:01.25Z": a date as scenarios write it.
std::string dateTimeText(platform::Date date);

// "12.50 (a string)", for failure reports.
std::string describeValue(const platform::Value& value);

} // namespace sim
