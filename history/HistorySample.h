// One stored value of one field at one refresh: a row of the history.
#pragma once

#include "platform/foundation/Date.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quorvel::history {

struct HistorySample {
    std::string code;                  // the record's ussdCode
    int64_t index = 0;                 // the field's index into the reply's numbers
    std::optional<std::string> title;  // none when the field has no text title
    std::string value;                 // the field's lastValue as text
    std::optional<double> number;      // numericValue(value)
    platform::Date refreshedAt;        // the record's refreshedAt

    friend bool operator==(const HistorySample&, const HistorySample&) = default;
};

} // namespace quorvel::history
