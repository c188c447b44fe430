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
// link names the visited network's. Both bundles' files are there (nothing
// opens them), so a link can also be left dangling, at a bundle that is not,
// or be missing, or be a plain file instead of a link.
#pragma once

#include "host/common/device/CarrierLinks.h"

#include <string>

namespace sim {

inline constexpr const char* kPreferencesFolder = host::kPreferencesFolder;
inline constexpr const char* kCarrierLinkPath = host::kCarrierLinkPath;
inline constexpr const char* kOperatorLinkPath = host::kOperatorLinkPath;
inline constexpr const char* kHomeNetworkBundle = "/System/Library/Carrier Bundles/iPhone/HomeNetwork.bundle/carrier.plist";
inline constexpr const char* kVisitedNetworkBundle = "/System/Library/Carrier Bundles/iPhone/VisitedNetwork.bundle/carrier.plist";
// A carrier bundle that is not on the device, for a dangling link.
inline constexpr const char* kMissingNetworkBundle = "/System/Library/Carrier Bundles/iPhone/Missing.bundle/carrier.plist";

// What one of the two network links is made to be.
enum class LinkState {
    home,       // a link to the home network's bundle
    visited,    // a link to the visited network's bundle
    dangling,   // a link to a bundle that is not on the device
    missing,    // nothing at the link's path
    plainFile,  // a regular file at the link's path, not a link
};

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

    // Makes the link at `devicePath` (kCarrierLinkPath or kOperatorLinkPath)
    // what `state` says, replacing what is there; false when it cannot.
    bool setLink(const std::string& devicePath, LinkState state);
    // Points the link at `devicePath` at any target.
    bool pointLinkAt(const std::string& devicePath, const std::string& target) { return pointLink(devicePath, target); }

private:
    bool makeBundleFile(const std::string& devicePath);
    bool pointLink(const std::string& devicePath, const std::string& target);

    std::string m_root;
    bool m_ok = false;
    bool m_removeAtEnd = false;
    bool m_roaming = false;
};

} // namespace sim
