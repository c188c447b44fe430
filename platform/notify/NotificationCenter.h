// Notification centres in the platform's callback form.
//
//   CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), nullptr,
//       onSent, "org.quillmoor.harrowin.ussd_sent", nullptr,
//       CFNotificationSuspensionBehaviorDeliverImmediately);
//   CFNotificationCenterPostNotification(CFNotificationCenterGetLocalCenter(), name,
//       nullptr, nullptr, true);
//
// Three kinds, one interface:
// - the local centre of a process: synchronous, in-process; also what the
//   object-style API (addObserver with a std::function, used by view
//   controllers) talks to;
// - the Darwin centre of the device: name only (object and user info are
//   dropped), reaches every simulated process; each observer is called on the
//   run loop of the process that registered it, in post order (an observer
//   the host registered outside any process is called at once, during the post);
// - the telephony centre of a process (see telephony/CoreTelephony.h): carries
//   user info, delivered on its process's run loop.
//
// Observers are keyed by (observer pointer, name, callback). An observer may
// remove itself, or others, while being notified: removal takes effect at once,
// and a removed observer is not called again, even for a post in progress.
//
// Every registration names what it observes: an empty name is a programmer
// error (it used to mean "every name", so a name that was not yet initialised
// silently heard everything). It asserts in debug builds; in release builds
// it is logged and registers nothing. The host's recorders that do want every
// name say so with addObserverOfEveryName().
#pragma once

#include "platform/foundation/Value.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class NotificationCenter;
class Process;
using CFNotificationCenterRef = NotificationCenter*;

// centre, observer, name, object, user info (nullptr when none).
using CFNotificationCallback = void (*)(CFNotificationCenterRef center, void* observer, const std::string& name,
                                        const void* object, const Dict* userInfo);

enum CFNotificationSuspensionBehavior {
    CFNotificationSuspensionBehaviorDrop = 1,
    CFNotificationSuspensionBehaviorCoalesce = 2,
    CFNotificationSuspensionBehaviorHold = 3,
    CFNotificationSuspensionBehaviorDeliverImmediately = 4,
};

struct Notification {
    std::string name;
    const void* object = nullptr;
    Dict userInfo;
};

class NotificationCenter {
public:
    virtual ~NotificationCenter() = default;

    // Registers a C-style callback. A second identical registration (same
    // observer, name and callback) is ignored, as the platform does.
    virtual void addObserver(void* observer, CFNotificationCallback callback, const std::string& name,
                             int suspensionBehavior);
    // Object-style observer: `owner` identifies it for removal.
    void addObserver(const void* owner, const std::string& name, std::function<void(const Notification&)> handler);
    // Object-style observer of every name posted here (the host's recorders).
    void addObserverOfEveryName(const void* owner, std::function<void(const Notification&)> handler);

    // Removes the observer's registrations for `name` (which must not be empty).
    void removeObserver(const void* observer, const std::string& name);
    // Removes every registration of the observer.
    void removeObserver(const void* observer);

    virtual void post(const std::string& name, const void* object, const Dict* userInfo, bool deliverImmediately = true) = 0;

    // How many registrations a post of `name` would reach; an empty name counts all.
    size_t observerCount(const std::string& name) const;

    // Drops every registration made from that process (it is going away).
    void removeObserversOfProcess(const Process* process);

protected:
    struct Registration {
        uint64_t id = 0;
        const void* observer = nullptr;
        std::string name;
        bool everyName = false;
        CFNotificationCallback callback = nullptr;
        std::function<void(const Notification&)> handler;
        Process* process = nullptr; // where it was registered from
        bool removed = false;
    };
    // Calls one registration (skipped if removed meanwhile).
    void deliver(const std::shared_ptr<Registration>& r, const std::string& name, const void* object, const Dict* userInfo);
    std::vector<std::shared_ptr<Registration>> matching(const std::string& name) const;
    // False, after asserting in debug builds and logging, for an empty name.
    static bool isObservableName(const std::string& name, const char* call);

    std::vector<std::shared_ptr<Registration>> m_registrations;
    uint64_t m_nextId = 1;
};

// Synchronous, in-process.
class LocalNotificationCenter final : public NotificationCenter {
public:
    void post(const std::string& name, const void* object, const Dict* userInfo, bool deliverImmediately = true) override;
};

// Device-wide; delivers on each observer's own run loop, in post order.
class DarwinNotificationCenter final : public NotificationCenter {
public:
    void post(const std::string& name, const void* object, const Dict* userInfo, bool deliverImmediately = true) override;
    // Every name posted so far, in order (for inspection by the host).
    const std::vector<std::string>& postedNames() const { return m_posted; }
private:
    std::vector<std::string> m_posted;
};

// The current process's local centre / the device's Darwin centre.
CFNotificationCenterRef CFNotificationCenterGetLocalCenter();
CFNotificationCenterRef CFNotificationCenterGetDarwinNotifyCenter();

void CFNotificationCenterAddObserver(CFNotificationCenterRef center, const void* observer, CFNotificationCallback callback,
                                     const std::string& name, const void* object, int suspensionBehavior);
// An empty name removes every registration of the observer, as a null name does on the phone.
void CFNotificationCenterRemoveObserver(CFNotificationCenterRef center, const void* observer, const std::string& name,
                                        const void* object);
void CFNotificationCenterPostNotification(CFNotificationCenterRef center, const std::string& name, const void* object,
                                          const Dict* userInfo, bool deliverImmediately);

} // namespace platform
