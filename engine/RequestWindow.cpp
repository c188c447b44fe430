#include "engine/RequestWindow.h"

#include "engine/EngineState.h"
#include "platform/system/Device.h"

namespace quorvel::engine {

RequestWindow testRequestWindow(float spanSeconds)
{
    if (!ussdRequestTime)
        return RequestWindow::noRequest;
    if (platform::now() > ussdRequestTime->addingSeconds(static_cast<double>(spanSeconds))) {
        ussdRequestTime.reset();
        return RequestWindow::passed;
    }
    return RequestWindow::inside;
}

} // namespace quorvel::engine
