#include "platform/ui/UIGraphicsContext.h"

namespace platform {

// Out of line so the vtable and type information live in the platform library,
// which the simulator and every loaded module share.
UITextMeasurer::~UITextMeasurer() = default;

} // namespace platform
