#include "host/web/PhoneQueue.h"

namespace host {

bool PhoneQueue::run(const std::function<void()>& work)
{
    Item item{&work};
    std::function<void()> wakeup;
    {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return false;
        m_items.push_back(&item);
        wakeup = m_wakeup;
    }
    m_arrived.notify_one();
    if (wakeup)
        wakeup();
    std::unique_lock lock(m_mutex);
    m_finished.wait(lock, [&] { return item.done; });
    return item.ran;
}

void PhoneQueue::runPending(std::chrono::milliseconds wait)
{
    std::unique_lock lock(m_mutex);
    if (m_items.empty() && wait.count() > 0)
        m_arrived.wait_for(lock, wait, [&] { return !m_items.empty() || m_closed; });
    while (!m_items.empty() && !m_closed) {
        Item* item = m_items.front();
        m_items.pop_front();
        lock.unlock();
        (*item->work)();
        lock.lock();
        item->ran = true;
        item->done = true;
        m_finished.notify_all();
    }
}

void PhoneQueue::close()
{
    std::lock_guard lock(m_mutex);
    m_closed = true;
    for (Item* item : m_items)
        item->done = true;
    m_items.clear();
    m_finished.notify_all();
    m_arrived.notify_all();
}

void PhoneQueue::setWakeup(std::function<void()> wakeup)
{
    std::lock_guard lock(m_mutex);
    m_wakeup = std::move(wakeup);
}

} // namespace host
