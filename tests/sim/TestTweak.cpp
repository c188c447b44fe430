// A stand-in tweak: says where it was loaded, and nothing else.
#include "platform/foundation/Log.h"
#include "platform/system/Process.h"

namespace {

__attribute__((constructor)) void testTweakLoaded()
{
    platform::Process* process = platform::Process::currentOrNull();
    QLog("test tweak loaded into %@", process ? process->name() : std::string("no process"));
}

} // namespace
