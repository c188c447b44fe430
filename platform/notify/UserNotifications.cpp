#include "platform/notify/UserNotifications.h"

#include "platform/system/Device.h"

namespace platform {

bool postUserNotification(const UserNotification& notification)
{
    Device* device = Device::currentOrNull();
    if (!device || !device->userNotifications)
        return false;
    device->userNotifications->post(notification);
    return true;
}

} // namespace platform
