// Notifications a module shows the user in the system's notification list:
// on the phone a bulletin of the system's own application in Notification
// Center, on a Linux phone a desktop notification. The host implements the
// service and sets it on the device; modules only call postUserNotification.
//
//   platform::postUserNotification({.title = "Balance", .message = "Balance is 4.80, below 5.00"});
//
// Single-threaded, on the device's thread.
#pragma once

#include <string>

namespace platform {

struct UserNotification {
    std::string title;
    std::string message;
};

// The host's side: shows the notification (or drops it, logged, when it cannot).
class UserNotificationService {
public:
    virtual ~UserNotificationService() = default;
    virtual void post(const UserNotification& notification) = 0;
};

// Hands the notification to the current device's service. False when there is
// no current device or it has no service (nothing is shown then).
bool postUserNotification(const UserNotification& notification);

} // namespace platform
