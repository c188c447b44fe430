#include "platform/ui/UIScreen.h"

#include "platform/system/Device.h"

namespace platform {

bool UIScreen::isPad()
{
    const Device* device = Device::currentOrNull();
    return device && device->hardwareModel.rfind("iPad", 0) == 0;
}

} // namespace platform
