// The codes store over the daemon's interface: GetCodes, SaveCode and
// DeleteCode of org.quillmoor.Quorvel1. The daemon writes the store the way
// the Settings bundle does (a saved code is the wizard's record appended, a
// deleted one is the codes list's delete), so the engine sees it as it sees
// the phone's Settings: at its next read of the store.
//
//   CodesService codes(device, bus.skeleton(), replies);   // before the export
//   codes.onEdited([&] { home.reloadWidget(); });          // after a save or delete
//
// Codes' extras (CodesExtras.cpp): SaveCodeWith writes a menu path,
// GetCodesWithExtras tells each code's SIM and whether it is in,
// BindCodeToSim writes the SIM in now into one record, and the Sims property
// names the SIMs in (quorvel::simIsMissing and the platform's inserted SIMs
// answer "is it in", whatever modems hold them).
//
// A store that exists but cannot be read is never overwritten: SaveCode and
// DeleteCode refuse with Failed, and the file stays for the user to mend.
// Single-threaded: the daemon's main loop.
#pragma once

#include "dbus/QuorvelBus.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

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
    // The SIMs in changed: the Sims property is set afresh and CodesChanged sent
    // (a code's sim_in follows them). Also once at the start.
    void simsChanged();

private:
    static gboolean handleGetCodes(QuorvelBusQuorvel1*, GDBusMethodInvocation*, gpointer self);
    static gboolean handleSaveCode(QuorvelBusQuorvel1*, GDBusMethodInvocation*, const gchar* code, const gchar* sender,
                                   gint expected, GVariant* fields, gpointer self);
    static gboolean handleDeleteCode(QuorvelBusQuorvel1*, GDBusMethodInvocation*, gint index, const gchar* code,
                                     gpointer self);
    // Validates a save's arguments and appends the wizard's record (with its
    // menu path when not empty); the index, or nullopt once refused.
    std::optional<int> appendRecord(GDBusMethodInvocation* invocation, const std::string& code, const std::string& sender,
                                    gint expected, GVariant* fields, const std::vector<std::string>& menuChoices);

    // CodesExtras.cpp: SaveCodeWith, GetCodesWithExtras, BindCodeToSim, Sims.
    void connectExtras();
    static gboolean handleSaveCodeWith(QuorvelBusQuorvel1*, GDBusMethodInvocation*, const gchar* code,
                                       const gchar* sender, gint expected, GVariant* fields, GVariant* extras,
                                       gpointer self);
    static gboolean handleGetCodesWithExtras(QuorvelBusQuorvel1*, GDBusMethodInvocation*, gpointer self);
    static gboolean handleBindCodeToSim(QuorvelBusQuorvel1*, GDBusMethodInvocation*, gint index, const gchar* code,
                                        gpointer self);

    platform::Device& m_device;
    QuorvelBusQuorvel1* m_skeleton;
    const LastReplies& m_replies;
    std::function<void()> m_edited;
};

} // namespace linuxhost
