// A process's main run loop: timers, delayed calls and signalled sources, run in
// order of due time, then of scheduling, by the device's scheduler.
//
//   auto t = RunLoopTimer::create(now().addingSeconds(300), Seconds(300), tick);
//   RunLoop::current().addTimer(t, kCFRunLoopCommonModes);
//   t->invalidate();                       // safe from inside its own callback
//   RunLoop::current().performAfter(Seconds(4), [] { ... });   // delayed call
//
// Lifetime: the run loop keeps a timer alive while it is scheduled; callers may
// keep their own shared_ptr to invalidate it later. All calls are on the
// device's single thread.
#pragma once

#include "platform/foundation/Date.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>

namespace platform {

class Device;
class Process;
class RunLoop;

inline constexpr const char* kCFRunLoopCommonModes = "kCFRunLoopCommonModes";
inline constexpr const char* kCFRunLoopDefaultMode = "kCFRunLoopDefaultMode";

class RunLoopTimer : public std::enable_shared_from_this<RunLoopTimer> {
public:
    using Callback = std::function<void(RunLoopTimer&)>;

    // interval <= 0 makes a one-shot timer.
    static std::shared_ptr<RunLoopTimer> create(Date fireDate, Seconds interval, Callback callback);

    void invalidate();
    bool isValid() const { return m_valid; }
    Date fireDate() const { return m_fireDate; }
    Seconds interval() const { return m_interval; }
    // The mode it was added in (empty until added); every mode runs here.
    const std::string& mode() const { return m_mode; }

private:
    RunLoopTimer(Date fireDate, Seconds interval, Callback callback);
    void schedule();
    void fire();
    friend class RunLoop;

    Date m_fireDate;
    Seconds m_interval;
    Callback m_callback;
    bool m_valid = true;
    bool m_firing = false; // its callback is on the stack: keep it alive
    RunLoop* m_loop = nullptr;
    uint64_t m_entry = 0;
    std::string m_mode;
};

class RunLoop {
public:
    RunLoop(Device& device, Process& process);
    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // The main run loop of the current process.
    static RunLoop& current();
    static RunLoop& main() { return current(); }

    // Adds a timer in the given mode. Every mode runs in the simulation (no
    // touch tracking), so the mode is recorded for inspection only.
    void addTimer(const std::shared_ptr<RunLoopTimer>& timer, const std::string& mode);

    // A delayed method call: runs `work` once after `delay` (0: at the next turn).
    // Returns a token for cancel().
    uint64_t performAfter(Seconds delay, std::function<void()> work);
    // Signals a source: runs `work` at the next turn, after work already due now.
    uint64_t perform(std::function<void()> work) { return performAfter(Seconds(0), std::move(work)); }
    void cancel(uint64_t token);
    // Drops every pending call and invalidates every scheduled timer (the
    // process is going away). Idempotent.
    void cancelAll();

    Process& process() { return m_process; }
    Device& device() { return m_device; }

private:
    friend class RunLoopTimer;
    Device& m_device;
    Process& m_process;
    // Timers scheduled here; each is kept alive by its pending entry.
    std::unordered_set<RunLoopTimer*> m_timers;
};

} // namespace platform
