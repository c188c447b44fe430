// What a screen shows of a field's history beside its value: the change since
// the previous different value, and the field's recent numbers for a chart.
// Read-only, on top of readHistory (HistoryReader.h).
//
//   std::vector<FieldChange> changes;
//   auto error = readChanges(file, std::nullopt, &changes);
//   // {*100#, 0, "Balance", "11.20", "12.50", -1.3, previousAt 09:05, changedAt 10:05}
//   std::vector<HistoryPoint> points;
//   error = readPoints(file, "*100#", 0, now.addingSeconds(-30 * 86400.0), &points);
//
// "Different" compares numbers where both values are numbers ("12.5" and
// "12.50" are the same value), the texts otherwise. A field whose history
// holds one value only has no change.
#pragma once

#include "platform/foundation/Date.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::history {

struct FieldChange {
    std::string code;
    int64_t index = 0;
    std::string title;            // the latest row's title ("" when none)
    std::string value;            // the latest value
    std::string previousValue;    // the last value before it that differs
    std::optional<double> delta;  // value - previousValue, when both are numbers
    platform::Date previousAt;    // the last refresh that still gave previousValue
    platform::Date changedAt;     // the first refresh that gave the latest value

    friend bool operator==(const FieldChange&, const FieldChange&) = default;
};

struct HistoryPoint {
    platform::Date at;
    std::string value;   // as stored
    double number = 0;

    friend bool operator==(const HistoryPoint&, const HistoryPoint&) = default;
};

// The most points readPoints gives (the newest ones): 30 days of a refresh
// every five minutes fit.
inline constexpr size_t kMaxHistoryPoints = 9000;

// The change of every field (of `code` only, when given) that has one, in
// code then index order. The reason when the history cannot be read (then
// *changes is empty).
std::optional<std::string> readChanges(const std::string& hostFile, const std::optional<std::string>& code,
                                       std::vector<FieldChange>* changes, int busyTimeoutMs = 50);

// The numeric values of one field at or after `since`, in time order; values
// that are no number are left out. At most kMaxHistoryPoints, the newest.
std::optional<std::string> readPoints(const std::string& hostFile, const std::string& code, int64_t index,
                                      platform::Date since, std::vector<HistoryPoint>* points, int busyTimeoutMs = 50);

// Decimal places written in a value's text ("12.50" -> 2, "12,5" -> 1, "300" -> 0), at most 6.
int decimalsOf(const std::string& value);

} // namespace quorvel::history
