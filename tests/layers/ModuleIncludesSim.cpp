// Built only by the layer test, which expects this file not to compile: module
// code sees the platform and the shared names, never the simulator.
#include "sim/world/World.h"

int moduleReachesIntoTheSimulator()
{
    return 0;
}
