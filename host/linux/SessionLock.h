// The lock state the engine follows, from logind on the system bus: the
// daemon's own session (XDG_SESSION_ID, else GetSessionByPID of this process)
// and its LockedHint. Locking posts the Darwin notification
// com.apple.springboard.lockcomplete, unlocking com.apple.springboard.lockstate,
// as the phone's home screen does.
//
//   SessionLock lock(device, systemBus);
//   lock.start();      // a session found locked at start posts lockcomplete
//   lock.stop();       // cancels the pending look-up
//
// Without logind (or without a session) the device stays unlocked, logged.
#pragma once

#include <gio/gio.h>

#include <string>

namespace platform { class Device; }

namespace linuxhost {

class SessionLock {
public:
    SessionLock(platform::Device& device, GDBusConnection* systemBus);
    ~SessionLock();
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;

    void start();
    void stop();
    int pendingCalls() const { return m_pending; }

private:
    static void sessionFound(GObject* source, GAsyncResult* result, gpointer self);
    static void proxyReady(GObject* source, GAsyncResult* result, gpointer self);
    static void propertiesChanged(GDBusProxy* proxy, GVariant* changed, GStrv invalidated, gpointer self);
    void readLockedHint(bool atStart);

    platform::Device& m_device;
    GDBusConnection* m_bus;
    GCancellable* m_cancellable;
    GDBusProxy* m_session = nullptr;
    bool m_locked = false;
    int m_pending = 0;
};

} // namespace linuxhost
