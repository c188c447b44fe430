// The history as text: CSV with a header, or JSON, dates in ISO 8601 (UTC).
//
//   out << csvHeader();
//   readHistory(file, {}, [&](const HistorySample& row) { out << csvLine(row); });
//
//   refreshed_at,code,index,title,value,number
//   2026-12-08T09:00:02Z,*100#,0,Balance,"12,30",12.3
//
// Texts are UTF-8 (an invalid byte becomes U+FFFD) and control characters
// become U+FFFD too, so a title or value never moves a terminal's cursor or
// breaks a line; CSV fields are quoted when they hold a comma, a quote or
// blanks at an end (RFC 4180). A value that is no number has an empty number
// (CSV) or null (JSON).
#pragma once

#include "history/HistorySample.h"
#include "platform/foundation/Date.h"

#include <optional>
#include <string>
#include <string_view>

namespace quorvel::history {

// "2026-12-08T09:00:02Z", with the fraction of a second when there is one
// ("2026-12-08T09:00:02.25Z").
std::string isoDate(platform::Date date);

// "2026-12-08", "2026-12-08T09:00", "2026-12-08T09:00:02[.f]" with "Z", an
// offset ("+02:00", "-0530") or nothing (UTC). None for anything else,
// impossible dates included.
std::optional<platform::Date> parseIsoDate(std::string_view text);

std::string csvHeader();
std::string csvLine(const HistorySample& row);

// One JSON object (no line end); a document is "[\n" objects joined by ",\n" "\n]\n".
std::string jsonObject(const HistorySample& row);

// The shortest text that reads back as the same double ("12.3", "-5.1", "1000").
std::string numberText(double number);

} // namespace quorvel::history
