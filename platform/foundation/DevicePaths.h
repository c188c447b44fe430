// Maps the device's absolute paths ("/var/mobile/Library/Preferences/...") under
// the folder that holds the simulated device's file system.
//
//   platform::setDeviceRoot("/tmp/quorvel-device-XXXX");       // host, once per device
//   std::string p = platform::hostPath("/var/mobile/x.plist");  // "<root>/var/mobile/x.plist"
//
// Modules name device paths literally and never open a file except through
// hostPath (the file helpers below call it for them). Single-threaded, like the
// rest of the platform; the root is process-global.
#pragma once

#include <string>

namespace platform {

void setDeviceRoot(const std::string& hostFolder);
const std::string& deviceRoot();

// The host path of an absolute device path. A relative path, or one that would
// climb out of the root with "..", is refused and maps to the root's
// "/.invalid" entry, so a bad path can never reach the real file system.
std::string hostPath(const std::string& devicePath);

} // namespace platform
