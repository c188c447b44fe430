#include "platform/system/Sysctl.h"

#include "platform/system/Device.h"

#include <cstring>
#include <string_view>

namespace platform {

int sysctlbyname(const char* name, void* oldp, size_t* oldlenp, const void* newp, size_t newlen)
{
    (void)newlen;
    if (!name || std::string_view(name) != "hw.machine" || !oldlenp)
        return -1;
    // The value is read-only, as on the phone.
    if (newp)
        return -1;
    Device* device = Device::currentOrNull();
    if (!device)
        return -1;

    const std::string& model = device->hardwareModel;
    size_t needed = model.size() + 1;
    if (!oldp) {
        *oldlenp = needed;
        return 0;
    }
    if (*oldlenp < needed)
        return -1;
    std::memcpy(oldp, model.c_str(), needed);
    *oldlenp = needed;
    return 0;
}

} // namespace platform
