// The history module's load entry and its state.
//
// The home screen loads the library (a tweak whose filter names it) and the
// entry runs inside that process: it makes the recorder and listens for the
// engine's announcement of stored values on the process's local centre. The
// recorder runs at the next turn of the run loop, after every observer of the
// announcement (the engine's refresh goes on first, the widget redraws first).
//
// The state is defined above the entry, in this file, so it is in place when
// the entry runs whatever order the linker put the files in; nothing else in
// the library needs code at load (tests check the built module).
#include "common/QuorvelNames.h"
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

void dataRefreshed(platform::CFNotificationCenterRef, void*, const std::string&, const void*, const platform::Dict*)
{
    if (recordingScheduled || !recorder)
        return;
    recordingScheduled = true;
    platform::RunLoop::current().perform([] {
        recordingScheduled = false;
        if (recorder)
            recorder->refreshed();
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
    }
    LoadEntry(const LoadEntry&) = delete;
    LoadEntry& operator=(const LoadEntry&) = delete;
};

const LoadEntry loadEntry;

} // namespace
