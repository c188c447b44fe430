#include "platform/telephony/CoreTelephony.h"

#include "platform/foundation/Log.h"
#include "platform/runloop/RunLoop.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"

#include <memory>

namespace platform {

void TelephonyNotificationCenter::post(const std::string& name, const void* object, const Dict* userInfo,
                                       bool deliverImmediately)
{
    (void)deliverImmediately;
    // The poster's dictionary may be gone by the time the run loop delivers:
    // every observer of this post shares one copy.
    std::shared_ptr<const Dict> info = userInfo ? std::make_shared<const Dict>(*userInfo) : nullptr;
    for (const auto& r : matching(name)) {
        m_owner.mainRunLoop().perform([this, r, name, object, info] { deliver(r, name, object, info.get()); });
    }
}

CFNotificationCenterRef CTTelephonyCenterGetDefault()
{
    Process* process = Process::currentOrNull();
    if (!process) {
        QLog("platform: no current process, so there is no telephony centre");
        return nullptr;
    }
    return &process->telephonyCenter();
}

void CTTelephonyCenterAddObserver(CFNotificationCenterRef center, const void* observer, CFNotificationCallback callback,
                                  const std::string& name, const void* object, int suspensionBehavior)
{
    CFNotificationCenterAddObserver(center, observer, callback, name, object, suspensionBehavior);
}

void CTTelephonyCenterRemoveObserver(CFNotificationCenterRef center, const void* observer, const std::string& name,
                                     const void* object)
{
    CFNotificationCenterRemoveObserver(center, observer, name, object);
}

bool CTCallDial(const std::string& number)
{
    Device* device = Device::currentOrNull();
    Process* process = Process::currentOrNull();
    if (!device || !device->telephony || !process)
        return false;
    device->telephony->dial(*process, number);
    return true;
}

void postTelephonyNotification(Device& device, const std::string& name, const Dict* userInfo)
{
    // Posting only queues deliveries, so the process list cannot change under us.
    for (Process* process : device.processes())
        process->telephonyCenter().post(name, nullptr, userInfo, true);
}

} // namespace platform
