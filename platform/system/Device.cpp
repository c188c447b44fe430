#include "platform/system/Device.h"

#include "platform/notify/NotificationCenter.h"
#include "platform/runloop/RunLoop.h"
#include "platform/system/Process.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>
#include <unordered_map>
#include <utility>

namespace platform {

namespace {

Device* g_currentDevice = nullptr;

} // namespace

// The scheduler keeps entries ordered by (due time, sequence) so that work due at
// the same instant runs in the order it was scheduled. A side index from sequence
// to due time makes cancel() a logarithmic erase instead of a scan.
struct Device::Impl {
    struct Entry {
        RunLoop* loop = nullptr;
        std::function<void()> work;
    };
    using Key = std::pair<int64_t, uint64_t>; // due micros, sequence

    std::map<Key, Entry> queue;
    std::unordered_map<uint64_t, int64_t> dueBySequence;
    uint64_t nextSequence = 1;
};

Date RealClock::now() const
{
    auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return Date::fromMicros(std::chrono::duration_cast<Micros>(sinceEpoch).count());
}

void RealClock::advanceTo(Date t)
{
    // Host-side interactive runs only; virtual devices never get here.
    Date current = now();
    if (t > current)
        std::this_thread::sleep_for(t.since(current));
}

Device::Device(std::unique_ptr<Clock> clock)
    : m_clock(std::move(clock))
    , m_darwin(std::make_unique<DarwinNotificationCenter>())
    , m_impl(std::make_unique<Impl>())
{
}

Device::~Device()
{
    // Pending work may hold timers and payloads; drop it while the Darwin centre
    // it might refer to still exists.
    m_impl->queue.clear();
    m_impl->dueBySequence.clear();
    if (g_currentDevice == this)
        g_currentDevice = nullptr;
}

Device& Device::current()
{
    if (!g_currentDevice) {
        std::fputs("platform: no device is current (open a DeviceScope)\n", stderr);
        std::abort();
    }
    return *g_currentDevice;
}

Device* Device::currentOrNull()
{
    return g_currentDevice;
}

void Device::runFor(Micros span)
{
    runUntil(now().adding(std::max(span, Micros(0))));
}

void Device::runUntil(Date end)
{
    // Callbacks reach the device through the platform calls, so it is current
    // while its work runs, whoever drives it.
    DeviceScope on(*this);
    auto& queue = m_impl->queue;
    while (!queue.empty()) {
        auto first = queue.begin();
        if (first->first.first > end.micros())
            break;
        Date due = Date::fromMicros(first->first.first);
        Impl::Entry entry = std::move(first->second);
        m_impl->dueBySequence.erase(first->first.second);
        queue.erase(first);

        m_clock->advanceTo(due);
        ProcessScope in(entry.loop->process());
        entry.work();
    }
    m_clock->advanceTo(end);
}

uint64_t Device::schedule(RunLoop& loop, Date due, std::function<void()> work)
{
    // Work due in the past runs at the next turn, after what is already due now,
    // so that the clock never has to move backwards.
    int64_t dueMicros = std::max(due.micros(), now().micros());
    uint64_t sequence = m_impl->nextSequence++;
    m_impl->queue.emplace(Impl::Key{dueMicros, sequence}, Impl::Entry{&loop, std::move(work)});
    m_impl->dueBySequence.emplace(sequence, dueMicros);
    return sequence;
}

void Device::cancel(uint64_t sequence)
{
    auto found = m_impl->dueBySequence.find(sequence);
    if (found == m_impl->dueBySequence.end())
        return; // already ran or cancelled
    // Move the work out first: destroying it may release a timer whose own
    // bookkeeping calls back into the scheduler.
    auto entry = m_impl->queue.find(Impl::Key{found->second, sequence});
    m_impl->dueBySequence.erase(found);
    if (entry == m_impl->queue.end())
        return;
    Impl::Entry dropped = std::move(entry->second);
    m_impl->queue.erase(entry);
}

size_t Device::pendingCount() const
{
    return m_impl->queue.size();
}

std::optional<Date> Device::nextDueDate() const
{
    if (m_impl->queue.empty())
        return std::nullopt;
    return Date::fromMicros(m_impl->queue.begin()->first.first);
}

void Device::cancelAll(RunLoop& loop)
{
    std::vector<Impl::Entry> dropped;
    auto& queue = m_impl->queue;
    for (auto it = queue.begin(); it != queue.end();) {
        if (it->second.loop == &loop) {
            m_impl->dueBySequence.erase(it->first.second);
            dropped.push_back(std::move(it->second));
            it = queue.erase(it);
        } else {
            ++it;
        }
    }
    // `dropped` is destroyed here, after the queue is consistent again.
}

void Device::attach(Process* p)
{
    if (p && std::find(m_processes.begin(), m_processes.end(), p) == m_processes.end())
        m_processes.push_back(p);
}

void Device::detach(Process* p)
{
    std::erase(m_processes, p);
}

DeviceScope::DeviceScope(Device& d)
    : m_previous(g_currentDevice)
{
    g_currentDevice = &d;
}

DeviceScope::~DeviceScope()
{
    g_currentDevice = m_previous;
}

Date now()
{
    return Device::current().now();
}

} // namespace platform
