// The history module's load entry and its state.
//
// The home screen loads the library (a tweak whose filter names it) and the
// entry runs inside that process: it makes the recorder and listens for the
// engine's announcement of stored values on the process's local centre. The
// recorder runs at the next turn of the run loop, after every observer of the
// announcement (the engine's refresh goes on first, the widget redraws first).
//
// It also keeps the alerts (AlertWatcher.h): checked after each append, when
// the rules file's writers announce a change on the Darwin centre, and on the
// watcher's own timer.
//
// The state is defined above the entry, in this file, so it is in place when
// the entry runs whatever order the linker put the files in; nothing else in
// the library needs code at load (tests check the built module).
#include "common/QuorvelNames.h"
#include "history/AlertRules.h"
#include "history/AlertWatcher.h"
#include "history/HistoryRecorder.h"
#include "platform/foundation/Log.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/runloop/RunLoop.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"

#include <memory>

namespace {

constinit std::unique_ptr<quorvel::history::HistoryRecorder> recorder;
constinit bool recordingScheduled = false;
// Declared after the recorder, whose database it uses: destroyed first.
constinit std::unique_ptr<quorvel::history::AlertWatcher> alerts;
constinit bool checkScheduled = false;

// Alerts are checked at the next turn, once however many causes came meanwhile.
void scheduleAlertCheck()
{
    if (checkScheduled || !alerts)
        return;
    checkScheduled = true;
    platform::RunLoop::current().perform([] {
        checkScheduled = false;
        if (alerts)
            alerts->check();
    });
}

void alertRulesChanged(platform::CFNotificationCenterRef, void*, const std::string&, const void*, const platform::Dict*)
{
    scheduleAlertCheck();
}

void dataRefreshed(platform::CFNotificationCenterRef, void*, const std::string&, const void*, const platform::Dict*)
{
    if (recordingScheduled || !recorder)
        return;
    recordingScheduled = true;
    platform::RunLoop::current().perform([] {
        recordingScheduled = false;
        if (recorder)
            recorder->refreshed();
        if (alerts)
            alerts->check();
    });
}

struct LoadEntry {
    LoadEntry()
    {
        if (!platform::Device::currentOrNull() || !platform::Process::currentOrNull()) {
            QLog("Qvl history: loaded outside a running process, not recording");
            return;
        }
        recorder = std::make_unique<quorvel::history::HistoryRecorder>();
        platform::CFNotificationCenterAddObserver(platform::CFNotificationCenterGetLocalCenter(), nullptr, dataRefreshed,
                                                  quorvel::kDataRefreshedNotification, nullptr,
                                                  platform::CFNotificationSuspensionBehaviorDeliverImmediately);
        alerts = std::make_unique<quorvel::history::AlertWatcher>(recorder->database());
        platform::CFNotificationCenterAddObserver(platform::CFNotificationCenterGetDarwinNotifyCenter(), nullptr,
                                                  alertRulesChanged, quorvel::history::kAlertRulesChangedNotification,
                                                  nullptr, platform::CFNotificationSuspensionBehaviorDeliverImmediately);
        // Rules set while the process was down, and stale limits, are looked at once at start.
        scheduleAlertCheck();
    }
    LoadEntry(const LoadEntry&) = delete;
    LoadEntry& operator=(const LoadEntry&) = delete;
};

const LoadEntry loadEntry;

} // namespace
