// Which alerts have fired, kept in the history database beside the history
// (table alert_state), so that a restart does not fire them again: an alert
// fires when its condition becomes true and is armed again only once the
// condition has been seen false. A row is a fired alert; its limit is kept so
// that a changed limit arms the alert afresh. Also the numbers the falling
// rate is taken from.
//
//   AlertState state(database);
//   if (auto fired = state.fired()) ...           // nullopt: the database cannot be used now
//   state.markFired({"*100#", 0, AlertKind::below, 5.0, now});
//
// Every call waits at most kHistoryBusyTimeoutMs; failures are false/nullopt
// and one log line. Single-threaded.
#pragma once

#include "history/AlertChecks.h"
#include "history/HistoryDatabase.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel::history {

struct FiredAlert {
    std::string code;
    int64_t index = 0;
    AlertKind kind = AlertKind::below;
    double limit = 0;
    platform::Date firedAt;
};

class AlertState {
public:
    explicit AlertState(HistoryDatabase& database) : m_database(database) {}

    std::optional<std::vector<FiredAlert>> fired();
    bool markFired(const FiredAlert& alert);
    bool rearm(const std::string& code, int64_t index, AlertKind kind);

    // The field's numbers stored at or after `since`, in time order.
    std::optional<std::vector<TimedNumber>> numbersSince(const std::string& code, int64_t index, platform::Date since);

private:
    // The connection with the table in place; nullptr when not usable now.
    sqlite3* ready();

    HistoryDatabase& m_database;
};

} // namespace quorvel::history
