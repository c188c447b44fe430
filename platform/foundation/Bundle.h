// Bundles: a folder on the device with an Info.plist, a loadable library and
// resources, as widget and preference bundles are.
//
//   auto b = Bundle::bundleWithPath("/System/Library/WeeLoader/Plugins/Quorvel.bundle");
//   std::string cls = b->principalClassName();        // "QuorvelController"
//   static const char anchor = 0;                      // inside a loaded bundle:
//   auto mine = Bundle::bundleContainingAddress(&anchor);   // the bundle it came from
//
// Bundles are flat (resources beside Info.plist), so the resource path is the
// bundle path. A value type; Info.plist is read afresh on each query.
#pragma once

#include "platform/foundation/Value.h"

#include <optional>
#include <string>

namespace platform {

class Bundle {
public:
    // nullopt when the device path is not a folder.
    static std::optional<Bundle> bundleWithPath(const std::string& devicePath);
    // The bundle whose library holds `address` (code or data of a library
    // loaded from under the device root): the library's folder. nullopt when
    // the address is in no library under the device root.
    static std::optional<Bundle> bundleContainingAddress(const void* address);

    const std::string& bundlePath() const { return m_path; }
    const std::string& resourcePath() const { return m_path; }
    // "<resourcePath>/<name>.<type>" when that file exists, else empty.
    std::string pathForResource(const std::string& name, const std::string& type) const;

    // Info.plist (empty when missing or unreadable).
    Dict infoDictionary() const;
    std::string principalClassName() const;   // NSPrincipalClass
    std::string executableName() const;       // CFBundleExecutable
    // "<bundlePath>/<executableName>", or empty without an executable name.
    std::string executablePath() const;

private:
    explicit Bundle(std::string devicePath) : m_path(std::move(devicePath)) {}
    std::string m_path;
};

} // namespace platform
