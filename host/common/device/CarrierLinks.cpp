#include "host/common/device/CarrierLinks.h"

#include "platform/foundation/DevicePaths.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace host {

std::string carrierBundlePath(const std::string& network)
{
    return "/System/Library/Carrier Bundles/iPhone/" + network + ".bundle/carrier.plist";
}

bool pointLink(const std::string& devicePath, const std::string& target)
{
    std::string link = platform::hostPath(devicePath);
    std::string fresh = link + ".new";
    std::error_code error;
    std::filesystem::remove(fresh, error);
    if (symlink(target.c_str(), fresh.c_str()) != 0)
        return false;
    if (std::rename(fresh.c_str(), link.c_str()) != 0) {
        std::filesystem::remove(fresh, error);
        return false;
    }
    return true;
}

} // namespace host
