// The simulated device's file system: a host folder that every absolute device
// path is mapped under (platform::setDeviceRoot), laid out as a fresh phone:
// the preferences folder and the carrier and operator links of the SIM card.
//
//   DeviceFolder folder({});               // fresh /tmp/quorvel-device-XXXXXX, removed at the end
//   DeviceFolder kept("/tmp/dev");         // given folder, left in place
//   folder.setRoaming(true);               // the operator link now names another network
//
// The two links are real symbolic links whose targets are device paths: on the
// home network both name the same carrier bundle; while roaming, the operator
// link names the visited network's. Nothing opens the targets.
#pragma once

#include "host/common/device/CarrierLinks.h"

#include <string>

namespace sim {

inline constexpr const char* kPreferencesFolder = host::kPreferencesFolder;
inline constexpr const char* kCarrierLinkPath = host::kCarrierLinkPath;
inline constexpr const char* kOperatorLinkPath = host::kOperatorLinkPath;
inline constexpr const char* kHomeNetworkBundle = "/System/Library/Carrier Bundles/iPhone/HomeNetwork.bundle/carrier.plist";
inline constexpr const char* kVisitedNetworkBundle = "/System/Library/Carrier Bundles/iPhone/VisitedNetwork.bundle/carrier.plist";

class DeviceFolder {
public:
    // An empty `hostFolder` makes a fresh temporary folder that is removed by the
    // destructor; a given one is created if missing and always left in place.
    // Either way it becomes the platform's device root. `ok()` tells whether
    // the folder could be made.
    explicit DeviceFolder(const std::string& hostFolder);
    ~DeviceFolder();
    DeviceFolder(const DeviceFolder&) = delete;
    DeviceFolder& operator=(const DeviceFolder&) = delete;

    bool ok() const { return m_ok; }
    const std::string& root() const { return m_root; }

    // The host path of a device path under this root.
    std::string hostPath(const std::string& devicePath) const;

    // Re-points the operator link (atomically: a new link renamed over the old).
    bool setRoaming(bool roaming);
    bool roaming() const { return m_roaming; }

private:
    bool pointLink(const std::string& devicePath, const std::string& target);

    std::string m_root;
    bool m_ok = false;
    bool m_removeAtEnd = false;
    bool m_roaming = false;
};

} // namespace sim
