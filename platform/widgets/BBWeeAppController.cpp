#include "platform/widgets/BBWeeAppController.h"

namespace platform {

// Out of line so the vtable and type information live in the platform library:
// the host and each loaded widget bundle then agree on the type when the host
// casts the principal class's instance to this protocol.
BBWeeAppController::~BBWeeAppController() = default;

void BBWeeAppController::loadPlaceholderView() {}
void BBWeeAppController::loadFullView() {}
void BBWeeAppController::unloadView() {}
float BBWeeAppController::viewHeight() { return kBBWeeAppDefaultViewHeight; }
bool BBWeeAppController::implementsViewHeight() const { return false; }

} // namespace platform
