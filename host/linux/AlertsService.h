// The alert rules over the daemon's interface: GetAlerts, SetAlert and
// RemoveAlert of org.quillmoor.Quorvel1, on the rules file the history module
// reads (history/AlertRules.h), and the AlertsChanged signal whoever changed
// it (these methods or the page, which both announce the change on the Darwin
// centre). Every argument is checked before anything changes; a refused call
// gets InvalidArgument, NotFound, StoreFull or Failed and leaves the file as it was.
//
//   AlertsService alerts(device, bus.skeleton());   // before the export
//
// Single-threaded: the daemon's main loop.
#pragma once

#include "dbus/QuorvelBus.h"
#include "platform/notify/NotificationCenter.h"

#include <optional>
#include <string>

namespace platform { class Device; }

namespace quorvel::history { struct AlertRule; }

namespace linuxhost {

inline constexpr const char* kAlertBelowLimit = "below";
inline constexpr const char* kAlertFallingLimit = "falling_per_day";
inline constexpr const char* kAlertStaleLimit = "stale_hours";

// The rule a SetAlert call asks for, or why it cannot be stored.
std::optional<std::string> alertRuleFromLimits(const std::string& code, gint32 index, GVariant* limits,
                                               quorvel::history::AlertRule& rule);

class AlertsService {
public:
    AlertsService(platform::Device& device, QuorvelBusQuorvel1* skeleton);
    ~AlertsService();
    AlertsService(const AlertsService&) = delete;
    AlertsService& operator=(const AlertsService&) = delete;

private:
    static gboolean handleGetAlerts(QuorvelBusQuorvel1*, GDBusMethodInvocation*, gpointer self);
    static gboolean handleSetAlert(QuorvelBusQuorvel1*, GDBusMethodInvocation*, const gchar* code, gint index,
                                   GVariant* limits, gpointer self);
    static gboolean handleRemoveAlert(QuorvelBusQuorvel1*, GDBusMethodInvocation*, const gchar* code, gint index,
                                      gpointer self);
    static void rulesChanged(platform::CFNotificationCenterRef, void* self, const std::string&, const void*,
                             const platform::Dict*);

    platform::Device& m_device;
    QuorvelBusQuorvel1* m_skeleton;
};

} // namespace linuxhost
