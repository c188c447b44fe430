#include "engine/EngineState.h"

#include "engine/CodesStore.h"

namespace quorvel::engine {

HostMethods& hostMethods()
{
    static HostMethods slots;
    return slots;
}

void engineResetForTesting()
{
    codes.reset();
    code = platform::Value();
    currentCode = 0;
    ussdMessage.reset();
    ussdRequestTime.reset();
    lastRefreshTime.reset();
    updateValuesInFile = false;
    smsSender.reset();
    timerSMSWaiting.reset();
    doNotSuppressThisSMS = false;
    alertDisplay.reset();
    alertStillOpen = false;
    deviceIsUnlocked = false;
    isDnDActive = false;
    menuTransversalQueue.clear();

    autoRefreshRate = 0;
    enableInRoaming = false;
    unlockedAutorefreshAllowed = false;
    maxResponseTime = 0;
    sessionInitTime = 0;
    observeDND = false;
    maxSMSResponseTime = 0;
    codesFollowSim = false;

    refreshTimer.reset();
    hostMethods() = HostMethods{};
    forgetStoredCodes();
}

} // namespace quorvel::engine
