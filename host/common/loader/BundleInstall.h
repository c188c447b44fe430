// Copies a bundle the build assembled into the current device root, which a
// host (Notification Center, the Settings application) needs before it can
// load the bundle from the device.
//
//   std::string error;
//   if (!host::installBuiltBundle({.builtModule = "Quorvel.so", .builtFolder = "Quorvel.bundle",
//                                 .resources = {"background7.png"}, .devicePath = kQuorvelBundlePath,
//                                 .moduleRole = "widget module"}, &error)) ...
//
// The build leaves a bundle's module as bin/MODULE and its other files in
// bin/FOLDER/ (Info.plist and the resources); bin is where findBuiltModule
// finds the module ($QUORVEL_BIN_DIR, else the running executable's folder).
#pragma once

#include <string>
#include <vector>

namespace host {

struct BuiltBundle {
    std::string builtModule;            // the module's file name in the bin folder
    std::string builtFolder;            // the folder beside it holding Info.plist and the resources
    std::vector<std::string> resources; // files of that folder copied along with Info.plist
    std::string devicePath;             // where the bundle goes on the device
    std::string moduleRole;             // names the module in error texts ("widget module")
};

// Copies the module under the name its Info.plist gives it (CFBundleExecutable),
// then each resource, then Info.plist last: until Info.plist is there the bundle
// names no principal class, so a failed install never looks loadable. False,
// with the reason in *error, when a built file is missing, Info.plist names no
// usable executable, or a copy fails. Installing again overwrites the copy.
bool installBuiltBundle(const BuiltBundle& bundle, std::string* error = nullptr);

} // namespace host
