#include "sim/world/DeviceFolder.h"

#include "host/common/device/CarrierLinks.h"
#include "platform/foundation/DevicePaths.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace sim {

namespace fs = std::filesystem;

namespace {

// What a carrier bundle's settings file holds here: an empty property list.
constexpr const char* kBundleFileText =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict/>\n</plist>\n";

} // namespace

DeviceFolder::DeviceFolder(const std::string& hostFolder)
{
    std::error_code error;
    if (hostFolder.empty()) {
        std::string pattern = (fs::temp_directory_path(error) / "quorvel-device-XXXXXX").string();
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!mkdtemp(buffer.data()))
            return;
        m_root = buffer.data();
        m_removeAtEnd = true;
    } else {
        m_root = fs::absolute(hostFolder, error).lexically_normal().string();
        if (m_root.size() > 1 && m_root.back() == '/')
            m_root.pop_back();
        fs::create_directories(m_root, error);
        if (!fs::is_directory(m_root, error))
            return;
    }
    platform::setDeviceRoot(m_root);
    fs::create_directories(hostPath(kPreferencesFolder), error);
    m_ok = !error && makeBundleFile(kHomeNetworkBundle) && makeBundleFile(kVisitedNetworkBundle) &&
           pointLink(kCarrierLinkPath, kHomeNetworkBundle) && pointLink(kOperatorLinkPath, kHomeNetworkBundle);
}

DeviceFolder::~DeviceFolder()
{
    if (m_removeAtEnd && !m_root.empty()) {
        std::error_code error;
        fs::remove_all(m_root, error);
    }
}

std::string DeviceFolder::hostPath(const std::string& devicePath) const
{
    return m_root + devicePath;
}

bool DeviceFolder::setRoaming(bool roaming)
{
    if (!pointLink(kOperatorLinkPath, roaming ? kVisitedNetworkBundle : kHomeNetworkBundle))
        return false;
    m_roaming = roaming;
    return true;
}

bool DeviceFolder::setLink(const std::string& devicePath, LinkState state)
{
    std::error_code error;
    switch (state) {
    case LinkState::home: return pointLink(devicePath, kHomeNetworkBundle);
    case LinkState::visited: return pointLink(devicePath, kVisitedNetworkBundle);
    case LinkState::dangling: return pointLink(devicePath, kMissingNetworkBundle);
    case LinkState::missing:
        fs::remove(hostPath(devicePath), error);
        return !error;
    case LinkState::plainFile: {
        fs::remove(hostPath(devicePath), error);
        std::ofstream file(hostPath(devicePath), std::ios::binary);
        file << kBundleFileText;
        return static_cast<bool>(file);
    }
    }
    return false;
}

bool DeviceFolder::makeBundleFile(const std::string& devicePath)
{
    std::error_code error;
    fs::create_directories(fs::path(hostPath(devicePath)).parent_path(), error);
    std::ofstream file(hostPath(devicePath), std::ios::binary);
    file << kBundleFileText;
    return static_cast<bool>(file);
}

bool DeviceFolder::pointLink(const std::string& devicePath, const std::string& target)
{
    return host::pointLink(devicePath, target);
}

} // namespace sim
