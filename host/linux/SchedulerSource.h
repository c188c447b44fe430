// Drives the platform's scheduler from GLib's main loop: a GSource whose
// wake-up is the device's next due work, so the one thread sleeps in poll()
// until either that instant or a D-Bus event, whichever comes first, and
// never wakes on a fixed interval.
//
//   SchedulerSource scheduler(device);        // attached to the default context
//   g_main_loop_run(loop);                    // timers and D-Bus, one thread
//   scheduler.runDue();                       // at once, e.g. on resume from sleep
//   scheduler.dispatchCount();                // wake-ups that ran due work
//
// A phone is suspended most of the day, and poll()'s timeout (like every
// CLOCK_MONOTONIC timer) stops while it sleeps: an hourly refresh would wait
// for an hour of time awake. So the wait is a timerfd on CLOCK_BOOTTIME,
// which counts the time slept and fires at resume when its instant passed
// meanwhile. The device's dates are wall-clock time (the engine stores and
// shows them), so each wait is armed for "due minus now" and checked again
// against the device's clock when it fires. Without a timerfd it falls back
// to poll()'s timeout.
//
// Work scheduled from a D-Bus callback is seen at once: GLib asks the source
// for its timeout before every poll.
#pragma once

#include <cstdint>

typedef struct _GSource GSource;

namespace platform { class Device; }

namespace linuxhost {

class SchedulerSource {
public:
    explicit SchedulerSource(platform::Device& device);
    ~SchedulerSource();
    SchedulerSource(const SchedulerSource&) = delete;
    SchedulerSource& operator=(const SchedulerSource&) = delete;

    // Runs everything due by the device's clock now.
    void runDue();

    uint64_t dispatchCount() const;
    // Whether the waits count time slept (a CLOCK_BOOTTIME timerfd).
    bool countsTimeSlept() const;

private:
    GSource* m_source;
};

} // namespace linuxhost
