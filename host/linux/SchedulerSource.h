// Drives the platform's scheduler from GLib's main loop: a GSource whose
// timeout is the device's next due work, so the one thread sleeps in poll()
// until either that instant or a D-Bus event, whichever comes first, and
// never wakes on a fixed interval.
//
//   SchedulerSource scheduler(device);        // attached to the default context
//   g_main_loop_run(loop);                    // timers and D-Bus, one thread
//   scheduler.dispatchCount();                // wake-ups that ran due work
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

    uint64_t dispatchCount() const;

private:
    GSource* m_source;
};

} // namespace linuxhost
