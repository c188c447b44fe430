// The settings store over the daemon's interface: GetSettings,
// GetSettingChoices and SetSetting of org.quillmoor.Quorvel1. The keys, their
// defaults and the values each takes are read from the preference bundle's
// specifier list, installed under the device root, so a client is offered
// exactly what the Settings page offers: a value from a list's choices (an
// integer or a double equal to one of them, stored as the list's own value),
// a boolean for a switch. Anything else is refused with InvalidArgument. A
// value is stored as the Settings page stores it (the whole store rewritten
// as a binary property list, the specifier's PostNotification posted).
//
//   SettingsService settings(device, bus.skeleton());   // before the export
//
// Single-threaded: the daemon's main loop.
#pragma once

#include "dbus/QuorvelBus.h"
#include "platform/foundation/Value.h"

#include <string>
#include <vector>

namespace platform { class Device; }

namespace linuxhost {

// One stored setting as the Settings page's specifier list describes it.
struct SettingSpecifier {
    std::string key;
    std::string label;
    platform::Value defaultValue;
    platform::Array values;             // empty: a switch
    std::vector<std::string> titles;
    std::string postNotification;
};

// The settings the specifier list at `devicePath` stores in the settings
// domain, in page order; empty when it cannot be read.
std::vector<SettingSpecifier> readSettingSpecifiers(const std::string& devicePath);

class SettingsService {
public:
    SettingsService(platform::Device& device, QuorvelBusQuorvel1* skeleton);
    ~SettingsService();
    SettingsService(const SettingsService&) = delete;
    SettingsService& operator=(const SettingsService&) = delete;

private:
    const std::vector<SettingSpecifier>& specifiers();
    static gboolean handleGetSettings(QuorvelBusQuorvel1*, GDBusMethodInvocation*, gpointer self);
    static gboolean handleGetSettingChoices(QuorvelBusQuorvel1*, GDBusMethodInvocation*, gpointer self);
    static gboolean handleSetSetting(QuorvelBusQuorvel1*, GDBusMethodInvocation*, const gchar* key, GVariant* value,
                                     gpointer self);

    platform::Device& m_device;
    QuorvelBusQuorvel1* m_skeleton;
    std::vector<SettingSpecifier> m_specifiers;
};

} // namespace linuxhost
