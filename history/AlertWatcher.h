// The history module's alerts: after each refresh it appended, when the rules
// change and when a stale limit falls due, it reads the alert rules
// (AlertRules.h), the codes store and the history, shows each alert whose
// condition became true (platform::postUserNotification: a bulletin on the
// phone, a desktop notification on Linux) and arms again those seen false.
//
//   AlertWatcher watcher(recorder.database());
//   watcher.check();        // after the recorder appended, or on the rules' change
//
// Which alerts fired is kept in the history database (AlertState.h), so a
// restart fires nothing again. A missing rules file costs nothing (the
// database is not even opened); a bad one is logged once and means no alerts
// until it is mended. The stale limit is watched with a one-shot run-loop
// timer at the earliest time one falls due. Single-threaded, on the home
// screen's run loop.
#pragma once

#include "history/AlertRules.h"
#include "history/AlertState.h"
#include "platform/foundation/Date.h"

#include <map>
#include <memory>
#include <string>

namespace platform { class RunLoopTimer; }

namespace quorvel::history {

class AlertWatcher {
public:
    explicit AlertWatcher(HistoryDatabase& database);
    ~AlertWatcher();
    AlertWatcher(const AlertWatcher&) = delete;
    AlertWatcher& operator=(const AlertWatcher&) = delete;

    void check();

    // When the stale timer fires next; nullopt when none is set. For tests.
    std::optional<platform::Date> nextStaleCheck() const;

private:
    void scheduleStaleCheck(std::optional<platform::Date> due);

    AlertState m_state;
    std::shared_ptr<platform::RunLoopTimer> m_timer;
    std::string m_rulesProblem; // the last one logged
    // Codes with rules that were never refreshed: watched from here on.
    std::map<std::string, platform::Date> m_watchedSince;
};

} // namespace quorvel::history
