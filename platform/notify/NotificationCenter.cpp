#include "platform/notify/NotificationCenter.h"

#include "platform/foundation/Log.h"
#include "platform/runloop/RunLoop.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"

#include <algorithm>
#include <cassert>

namespace platform {

void NotificationCenter::addObserver(void* observer, CFNotificationCallback callback, const std::string& name,
                                     int suspensionBehavior)
{
    // Every registration is delivered as it comes: a simulated process is never
    // suspended, so the behaviour changes nothing.
    (void)suspensionBehavior;
    if (!callback || !isObservableName(name, "addObserver"))
        return;
    bool already = std::any_of(m_registrations.begin(), m_registrations.end(), [&](const auto& r) {
        return r->callback == callback && r->observer == observer && r->name == name;
    });
    if (already)
        return;
    auto r = std::make_shared<Registration>();
    r->id = m_nextId++;
    r->observer = observer;
    r->name = name;
    r->callback = callback;
    r->process = Process::currentOrNull();
    m_registrations.push_back(std::move(r));
}

void NotificationCenter::addObserver(const void* owner, const std::string& name,
                                     std::function<void(const Notification&)> handler)
{
    if (!handler || !isObservableName(name, "addObserver"))
        return;
    auto r = std::make_shared<Registration>();
    r->id = m_nextId++;
    r->observer = owner;
    r->name = name;
    r->handler = std::move(handler);
    r->process = Process::currentOrNull();
    m_registrations.push_back(std::move(r));
}

void NotificationCenter::addObserverOfEveryName(const void* owner, std::function<void(const Notification&)> handler)
{
    if (!handler)
        return;
    auto r = std::make_shared<Registration>();
    r->id = m_nextId++;
    r->observer = owner;
    r->everyName = true;
    r->handler = std::move(handler);
    r->process = Process::currentOrNull();
    m_registrations.push_back(std::move(r));
}

bool NotificationCenter::isObservableName(const std::string& name, const char* call)
{
    assert(!name.empty() && "a notification observer needs a name");
    if (!name.empty())
        return true;
    QLog("platform: %s without a notification name, ignored", call);
    return false;
}

void NotificationCenter::removeObserver(const void* observer, const std::string& name)
{
    if (!isObservableName(name, "removeObserver"))
        return;
    // Marking as removed (besides erasing) is what stops deliveries that a post
    // in progress, or a queued delivery, still holds.
    std::erase_if(m_registrations, [&](const auto& r) {
        if (r->observer != observer || r->everyName || r->name != name)
            return false;
        r->removed = true;
        return true;
    });
}

void NotificationCenter::removeObserver(const void* observer)
{
    std::erase_if(m_registrations, [&](const auto& r) {
        if (r->observer != observer)
            return false;
        r->removed = true;
        return true;
    });
}

size_t NotificationCenter::observerCount(const std::string& name) const
{
    if (name.empty())
        return m_registrations.size();
    return matching(name).size();
}

void NotificationCenter::removeObserversOfProcess(const Process* process)
{
    std::erase_if(m_registrations, [&](const auto& r) {
        if (r->process != process)
            return false;
        r->removed = true;
        return true;
    });
}

void NotificationCenter::deliver(const std::shared_ptr<Registration>& r, const std::string& name, const void* object,
                                 const Dict* userInfo)
{
    if (r->removed)
        return;
    if (r->callback) {
        r->callback(this, const_cast<void*>(r->observer), name, object, userInfo);
        return;
    }
    if (r->handler) {
        Notification notification{name, object, userInfo ? *userInfo : Dict{}};
        r->handler(notification);
    }
}

std::vector<std::shared_ptr<NotificationCenter::Registration>> NotificationCenter::matching(const std::string& name) const
{
    // A snapshot: observers added while a post is delivered wait for the next post.
    std::vector<std::shared_ptr<Registration>> found;
    for (const auto& r : m_registrations) {
        if (!r->removed && (r->everyName || r->name == name))
            found.push_back(r);
    }
    return found;
}

void LocalNotificationCenter::post(const std::string& name, const void* object, const Dict* userInfo,
                                   bool deliverImmediately)
{
    (void)deliverImmediately;
    for (const auto& r : matching(name))
        deliver(r, name, object, userInfo);
}

void DarwinNotificationCenter::post(const std::string& name, const void* object, const Dict* userInfo,
                                    bool deliverImmediately)
{
    // The Darwin bus carries names only.
    (void)object;
    (void)userInfo;
    (void)deliverImmediately;
    m_posted.push_back(name);
    for (const auto& r : matching(name)) {
        if (!r->process) {
            // Registered by the host outside any process: there is no run loop
            // to queue on, so it hears the post at once.
            deliver(r, name, nullptr, nullptr);
            continue;
        }
        r->process->mainRunLoop().perform([this, r, name] { deliver(r, name, nullptr, nullptr); });
    }
}

CFNotificationCenterRef CFNotificationCenterGetLocalCenter()
{
    Process* process = Process::currentOrNull();
    if (!process) {
        QLog("platform: no current process, so there is no local notification centre");
        return nullptr;
    }
    return &process->localCenter();
}

CFNotificationCenterRef CFNotificationCenterGetDarwinNotifyCenter()
{
    Device* device = Device::currentOrNull();
    if (!device) {
        QLog("platform: no current device, so there is no Darwin notification centre");
        return nullptr;
    }
    return &device->darwinCenter();
}

void CFNotificationCenterAddObserver(CFNotificationCenterRef center, const void* observer, CFNotificationCallback callback,
                                     const std::string& name, const void* object, int suspensionBehavior)
{
    // No caller filters by object; the filter is accepted and not applied.
    (void)object;
    if (center)
        center->addObserver(const_cast<void*>(observer), callback, name, suspensionBehavior);
}

void CFNotificationCenterRemoveObserver(CFNotificationCenterRef center, const void* observer, const std::string& name,
                                        const void* object)
{
    (void)object;
    if (!center)
        return;
    if (name.empty())
        center->removeObserver(observer);
    else
        center->removeObserver(observer, name);
}

void CFNotificationCenterPostNotification(CFNotificationCenterRef center, const std::string& name, const void* object,
                                          const Dict* userInfo, bool deliverImmediately)
{
    if (center)
        center->post(name, object, userInfo, deliverImmediately);
}

} // namespace platform
