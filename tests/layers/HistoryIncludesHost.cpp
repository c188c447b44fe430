// Built only by the layer test, which expects this file not to compile: the
// history module's code sees the platform, common/ and its own folder, never
// the code its hosts share (nor the simulator).
#include "history/HistoryDatabase.h"
#include "host/common/loader/ModuleLoader.h"

int historyReachesIntoTheHosts()
{
    return 0;
}
