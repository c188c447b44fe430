// The Quorvel widget bundle on a simulated device: where Notification Center
// looks for it, and how the build's copy gets there.
//
//   platform::setDeviceRoot(folder);
//   std::string error;
//   if (!host::installWidgetBundle(&error)) ...   // copies into the current device root
//
// The build leaves the module as bin/Quorvel.so and the bundle's other files
// in bin/Quorvel.bundle/ (Info.plist, background7.png); bin is found as every
// built module is ($QUORVEL_BIN_DIR, else the running executable's folder).
#pragma once

#include <string>

namespace host {

inline constexpr const char* kWeeLoaderPluginsFolder = "/System/Library/WeeLoader/Plugins";
inline constexpr const char* kQuorvelBundlePath = "/System/Library/WeeLoader/Plugins/Quorvel.bundle";
inline constexpr const char* kQuorvelBuiltModule = "Quorvel.so";
inline constexpr const char* kQuorvelBuiltBundleFolder = "Quorvel.bundle";

// Copies the built widget into the current device root at kQuorvelBundlePath:
// the module under the name Info.plist gives it, Info.plist and background7.png.
// False, with the reason in *error, when a built file is missing or a copy
// fails; a failed install leaves no Info.plist behind, so the bundle is not
// taken for a loadable one.
bool installWidgetBundle(std::string* error = nullptr);

} // namespace host
