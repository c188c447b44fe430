// The Do Not Disturb hook: SpringBoard reports every status-bar item change
// here, and item 1 is Do Not Disturb.
#include "engine/EngineState.h"
#include "engine/Replacements.h"
#include "platform/foundation/Log.h"

namespace quorvel::engine {

namespace {

constexpr int kDoNotDisturbItem = 1;

} // namespace

bool setStatusBarItemEnabled(rt::Object* self, rt::SEL cmd, int item, bool enabled)
{
    if (item == kDoNotDisturbItem) {
        QLog("Qvl: DnD state changed to %@", enabled ? "y" : "n");
        isDnDActive = enabled;
    }
    return hostMethods().setStatusBarItem.call<bool, int, bool>(self, cmd, item, enabled);
}

} // namespace quorvel::engine
