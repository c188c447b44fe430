// The loadable module's entry: SpringBoard loads the library and its two
// start-up routines run, in order, inside the SpringBoard process that the
// loader makes current. Only the module compiles this file, so tests that link
// the engine's objects start it by hand instead.
#include "engine/Engine.h"
#include "platform/foundation/Log.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"

namespace {

__attribute__((constructor)) void quorvelTweakLoaded()
{
    // A stray load (no simulated device or process to run in) must not start
    // anything: every start-up step needs the current process's centres and run loop.
    if (!platform::Device::currentOrNull() || !platform::Process::currentOrNull()) {
        QLog("Qvl: loaded outside a running process, not starting the engine");
        return;
    }
    quorvel::engine::engineStart();
    quorvel::engine::installHooks();
}

} // namespace
