// The bulletin and badge replacements. Holding back the banner and badge of an
// SMS that answers the engine's own request depends on SMS reply capture; the
// engine does not read SMS replies yet, so every bulletin and every badge
// change goes on to SpringBoard unchanged.
#include "engine/EngineState.h"
#include "engine/Replacements.h"

namespace quorvel::engine {

void publishBulletin(rt::Object* self, rt::SEL cmd, rt::Object* bulletin, unsigned destinations, bool alwaysToLockScreen)
{
    hostMethods().publishBulletin.call<void, rt::Object*, unsigned, bool>(self, cmd, bulletin, destinations,
                                                                          alwaysToLockScreen);
}

void setBadge(rt::Object* self, rt::SEL cmd, int badge)
{
    hostMethods().setBadge.call<void, int>(self, cmd, badge);
}

} // namespace quorvel::engine
