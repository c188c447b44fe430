// Reading the history database (HistoryDatabase.h) from outside the module:
// the command line and the simulator's expectations. Never creates, changes,
// repairs or sets aside anything; when it is the last connection to close, the
// database's log is folded back into it, as SQLite does for every writer.
//
//   HistoryQuery query{.code = "*100#"};
//   auto error = readHistory(file, query, [](const HistorySample& row) { ... });
//   if (error) std::cerr << *error;
#pragma once

#include "history/HistorySample.h"
#include "platform/foundation/Date.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quorvel::history {

struct HistoryQuery {
    std::optional<std::string> code;      // only this code
    std::optional<int64_t> index;         // only fields of this index
    std::optional<platform::Date> since;  // only refreshes at or after this instant
};

// Calls `each` for every row of the history file at `hostFile` (a host path)
// that the query lets through, in time order (then code, index, title). The
// reason when the file is missing, is no history database, or stays locked
// past `busyTimeoutMs`; nothing otherwise.
std::optional<std::string> readHistory(const std::string& hostFile, const HistoryQuery& query,
                                       const std::function<void(const HistorySample&)>& each, int busyTimeoutMs = 2000);

} // namespace quorvel::history
