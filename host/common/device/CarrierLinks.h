// The carrier and operator links of a device's SIM card, which the engine's
// roaming rule compares: on the home network both name the same carrier
// bundle; while roaming, the operator link names the visited network's.
//
//   host::pointLink(host::kCarrierLinkPath, host::carrierBundlePath("25001"));
//
// The links are real symbolic links under the current device root whose
// targets are device paths; nothing opens the targets.
#pragma once

#include <string>

namespace host {

inline constexpr const char* kPreferencesFolder = "/var/mobile/Library/Preferences";
inline constexpr const char* kCarrierLinkPath = "/var/mobile/Library/Preferences/com.apple.carrier.plist";
inline constexpr const char* kOperatorLinkPath = "/var/mobile/Library/Preferences/com.apple.operator.plist";

// The carrier bundle of a network named by its identifier (MCC and MNC, or any
// name without a slash).
std::string carrierBundlePath(const std::string& network);

// Re-points the link at `devicePath` to `target` atomically: a new link is made
// beside it and renamed over the old one, so a reader never sees it missing.
bool pointLink(const std::string& devicePath, const std::string& target);

} // namespace host
