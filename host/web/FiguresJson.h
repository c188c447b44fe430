// The page's figures panel as JSON (GET /api/figures): for each stored code,
// its last reply text when the host keeps one, and for each titled field its
// value, the change since the previous different value as the screens write
// it, and the field's numbers of the last kChartDays days for the chart the
// page's script draws.
//
//   {"days":30,"now":1796724300.0,"problem":null,"codes":[{"code":"*100#","reply":"Balance 11.20",
//     "fields":[{"index":0,"title":"Balance","value":"11.20","change":"−1.30 since 09:05",
//                "points":[[1796720400,12.5],[1796724300,11.2]]}]}]}
//
// "problem" says why the history could not be read (then no change and no
// points); "reply" and "change" are null when there is none. Every text is a
// JSON string (valid UTF-8, controls escaped); the script puts them in the
// page as text, never as markup. Reads the codes store and the history under
// the current device root, on the phone's thread.
#pragma once

#include "host/common/history/ChangeText.h"
#include "platform/foundation/Date.h"

#include <functional>
#include <string>

namespace host {

inline constexpr int kChartDays = 30;

// A code's last reply text ("" when none is kept).
using ReplyText = std::function<std::string(const std::string& code)>;

std::string figuresJson(platform::Date now, const quorvel::history::UtcOffset& offset, const ReplyText& replyFor);

} // namespace host
