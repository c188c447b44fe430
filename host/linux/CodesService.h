// The codes store over the daemon's interface: GetCodes, SaveCode and
// DeleteCode of org.quillmoor.Quorvel1. The daemon writes the store the way
// the Settings bundle does (a saved code is the wizard's record appended, a
// deleted one is the codes list's delete), so the engine sees it as it sees
// the phone's Settings: at its next read of the store.
//
//   CodesService codes(device, bus.skeleton(), replies);   // before the export
//   codes.onEdited([&] { home.reloadWidget(); });          // after a save or delete
//
// A store that exists but cannot be read is never overwritten: SaveCode and
// DeleteCode refuse with Failed, and the file stays for the user to mend.
// Single-threaded: the daemon's main loop.
#pragma once

#include "dbus/QuorvelBus.h"

#include <functional>

namespace platform { class Device; }

namespace host { class LastReplies; }

namespace linuxhost {

using host::LastReplies;

class CodesService {
public:
    CodesService(platform::Device& device, QuorvelBusQuorvel1* skeleton, const LastReplies& replies);
    ~CodesService();
    CodesService(const CodesService&) = delete;
    CodesService& operator=(const CodesService&) = delete;

    void onEdited(std::function<void()> listener) { m_edited = std::move(listener); }

private:
    static gboolean handleGetCodes(QuorvelBusQuorvel1*, GDBusMethodInvocation*, gpointer self);
    static gboolean handleSaveCode(QuorvelBusQuorvel1*, GDBusMethodInvocation*, const gchar* code, const gchar* sender,
                                   gint expected, GVariant* fields, gpointer self);
    static gboolean handleDeleteCode(QuorvelBusQuorvel1*, GDBusMethodInvocation*, gint index, const gchar* code,
                                     gpointer self);

    platform::Device& m_device;
    QuorvelBusQuorvel1* m_skeleton;
    const LastReplies& m_replies;
    std::function<void()> m_edited;
};

} // namespace linuxhost
