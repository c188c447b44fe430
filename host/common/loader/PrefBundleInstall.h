// The preference bundle on a device (simulated or the Linux host's): where the Settings
// application looks for it, and how the build's copy gets there.
//
//   platform::setDeviceRoot(folder);
//   std::string error;
//   if (!host::installPrefBundle(&error)) ...   // copies into the current device root
//
// The build leaves the module as bin/QuorvelPrefBundle.so and the bundle's
// other files in bin/QuorvelPrefBundle.bundle/ (Info.plist and the specifier
// list QuorvelPrefBundle.plist); bin is found as the engine's module is
// ($QUORVEL_BIN_DIR, else the running executable's folder).
#pragma once

#include <string>

namespace host {

inline constexpr const char* kPrefBundlePath = "/Library/PreferenceBundles/QuorvelPrefBundle.bundle";
inline constexpr const char* kPrefBundleBuiltModule = "QuorvelPrefBundle.so";
inline constexpr const char* kPrefBundleBuiltFolder = "QuorvelPrefBundle.bundle";
inline constexpr const char* kPrefBundleSpecifierList = "QuorvelPrefBundle.plist";

// Copies the built bundle into the current device root at kPrefBundlePath:
// the module under the name its Info.plist gives it, the specifier list,
// then Info.plist. False, with the reason in *error, when a built file is
// missing or a copy fails; a failed install leaves no Info.plist behind.
bool installPrefBundle(std::string* error = nullptr);

} // namespace host
