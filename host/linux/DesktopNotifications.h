// The daemon's notification service: what a module shows the user
// (platform::postUserNotification, the history module's alerts) becomes a
// desktop notification through org.freedesktop.Notifications on the session
// bus, and tapping it opens the app.
//
//   DesktopNotifications shown(device, session);   // device.userNotifications = &shown
//
// Each notification is sent with app_name "Quorvel", app_icon and the hint
// desktop-entry "org.quillmoor.Quorvel", a default action, and the hints that
// make the phone sound: `category` "im.received" (Phosh picks the feedback
// event of a notification by its category and plays none for a notification
// without one it knows), `urgency` normal and `sound-name`
// "message-new-instant" for other notification servers.
//
// On ActionInvoked for one of its notifications (the default action, a tap)
// it activates the app by D-Bus activation: org.freedesktop.Application.Activate
// on org.quillmoor.Quorvel, which the bus starts when it is not running and
// which brings a running one to the front. No process is spawned from the
// daemon. Calls are asynchronous; a failure is one log line. Single-threaded
// (GLib's main context); lives no longer than the device.
#pragma once

#include "platform/notify/UserNotifications.h"

#include <gio/gio.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

namespace platform { class Device; }

namespace linuxhost {

inline constexpr const char* kNotificationsName = "org.freedesktop.Notifications";
inline constexpr const char* kNotificationsPath = "/org/freedesktop/Notifications";
inline constexpr const char* kAppId = "org.quillmoor.Quorvel";
inline constexpr const char* kAppPath = "/org/quillmoor/Quorvel";
inline constexpr const char* kAppName = "Quorvel";
// The notification category Phosh plays a message sound and vibration for.
inline constexpr const char* kAlertCategory = "im.received";

class DesktopNotifications final : public platform::UserNotificationService {
public:
    DesktopNotifications(platform::Device& device, GDBusConnection* session);
    ~DesktopNotifications() override;
    DesktopNotifications(const DesktopNotifications&) = delete;
    DesktopNotifications& operator=(const DesktopNotifications&) = delete;

    void post(const platform::UserNotification& notification) override;

    // The Notify call's arguments, (susssasa{sv}i), floating. Exposed for tests.
    static GVariant* notifyArguments(const platform::UserNotification& notification);

private:
    static void notified(GObject* source, GAsyncResult* result, gpointer data);
    static void actionInvoked(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                              GVariant* parameters, gpointer self);
    void openApp(uint32_t id);

    platform::Device& m_device;
    GDBusConnection* m_session;
    GCancellable* m_cancellable;
    guint m_actionSubscription = 0;
    // Ids of the notifications shown, the newest last; shared with the calls
    // in flight, which may complete after this is gone.
    std::shared_ptr<std::deque<uint32_t>> m_shown = std::make_shared<std::deque<uint32_t>>();
};

} // namespace linuxhost
