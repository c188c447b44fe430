#include "sim/world/DeviceFolder.h"

#include "host/common/device/CarrierLinks.h"
#include "platform/foundation/DevicePaths.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace sim {

namespace fs = std::filesystem;

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
    m_ok = !error && pointLink(kCarrierLinkPath, kHomeNetworkBundle) && pointLink(kOperatorLinkPath, kHomeNetworkBundle);
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

bool DeviceFolder::pointLink(const std::string& devicePath, const std::string& target)
{
    return host::pointLink(devicePath, target);
}

} // namespace sim
