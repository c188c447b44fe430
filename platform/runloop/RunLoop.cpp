#include "platform/runloop/RunLoop.h"

#include "platform/system/Device.h"
#include "platform/system/Process.h"

#include <algorithm>

namespace platform {

namespace {

// The platform raises shorter repeat intervals to this, so a repeating timer
// always moves the clock forward.
constexpr Micros kMinimumRepeatInterval(100);

} // namespace

std::shared_ptr<RunLoopTimer> RunLoopTimer::create(Date fireDate, Seconds interval, Callback callback)
{
    return std::shared_ptr<RunLoopTimer>(new RunLoopTimer(fireDate, interval, std::move(callback)));
}

RunLoopTimer::RunLoopTimer(Date fireDate, Seconds interval, Callback callback)
    : m_fireDate(fireDate)
    , m_interval(interval)
    , m_callback(std::move(callback))
{
}

void RunLoopTimer::invalidate()
{
    if (!m_valid)
        return;
    m_valid = false;
    if (m_loop) {
        m_loop->m_timers.erase(this);
        RunLoop* loop = m_loop;
        m_loop = nullptr;
        // May drop the run loop's reference to this timer: touch no member after it.
        auto self = shared_from_this();
        loop->m_device.cancel(m_entry);
    }
    // Release what the callback holds (often the owner of the timer), but not
    // while it runs: invalidating from inside the callback is allowed.
    if (!m_firing)
        m_callback = nullptr;
}

void RunLoopTimer::schedule()
{
    m_entry = m_loop->m_device.schedule(*m_loop, m_fireDate, [self = shared_from_this()] { self->fire(); });
}

void RunLoopTimer::fire()
{
    if (!m_valid || !m_loop)
        return;
    Date firedAt = m_loop->m_device.now();
    m_firing = true;
    if (m_callback)
        m_callback(*this);
    m_firing = false;

    if (!m_valid) {
        m_callback = nullptr;
        return;
    }
    if (m_interval <= Seconds(0)) {
        // A one-shot timer is spent once it has fired.
        invalidate();
        return;
    }
    // Next firing one interval after the scheduled one (no drift from late
    // runs); firings missed while the clock jumped are skipped, not bunched.
    int64_t step = std::max(toMicros(m_interval), kMinimumRepeatInterval).count();
    int64_t next = m_fireDate.micros() + step;
    if (next <= firedAt.micros())
        next += ((firedAt.micros() - next) / step + 1) * step;
    m_fireDate = Date::fromMicros(next);
    schedule();
}

RunLoop::RunLoop(Device& device, Process& process)
    : m_device(device)
    , m_process(process)
{
}

RunLoop::~RunLoop()
{
    cancelAll();
}

RunLoop& RunLoop::current()
{
    return Process::current().mainRunLoop();
}

void RunLoop::addTimer(const std::shared_ptr<RunLoopTimer>& timer, const std::string& mode)
{
    // An invalid timer stays unscheduled, and a timer runs on one loop only:
    // adding it again (in another mode) changes nothing here.
    if (!timer || !timer->m_valid || timer->m_loop)
        return;
    timer->m_loop = this;
    timer->m_mode = mode;
    m_timers.insert(timer.get());
    timer->schedule();
}

uint64_t RunLoop::performAfter(Seconds delay, std::function<void()> work)
{
    Micros wait = std::max(toMicros(delay), Micros(0));
    return m_device.schedule(*this, m_device.now().adding(wait), std::move(work));
}

void RunLoop::cancel(uint64_t token)
{
    m_device.cancel(token);
}

void RunLoop::cancelAll()
{
    // Detach the timers first: dropping the pending entries may destroy them.
    for (RunLoopTimer* timer : m_timers) {
        timer->m_valid = false;
        timer->m_loop = nullptr;
        if (!timer->m_firing)
            timer->m_callback = nullptr;
    }
    m_timers.clear();
    m_device.cancelAll(*this);
}

} // namespace platform
