#include "engine/EngineState.h"

#include "engine/CodesStore.h"

namespace quorvel::engine {

// constinit: each value is in place before any load-time code of the library
// runs, whatever order the loader runs the initialisers in.
constinit std::optional<platform::Array> codes;
constinit platform::Value code;
constinit uint32_t currentCode = 0;
constinit std::optional<std::string> ussdMessage;
constinit std::optional<platform::Date> ussdRequestTime;
constinit std::optional<platform::Date> lastRefreshTime;
constinit bool updateValuesInFile = false;
constinit std::optional<std::string> smsSender;
constinit std::shared_ptr<platform::RunLoopTimer> timerSMSWaiting;
constinit bool doNotSuppressThisSMS = false;
constinit rt::id alertDisplay;
constinit bool alertStillOpen = false;
constinit bool deviceIsUnlocked = false;
constinit bool isDnDActive = false;
constinit std::vector<std::string> menuTransversalQueue;

constinit int32_t autoRefreshRate = 0;
constinit bool enableInRoaming = false;
constinit bool unlockedAutorefreshAllowed = false;
constinit float maxResponseTime = 0;
constinit float sessionInitTime = 0;
constinit bool observeDND = false;
constinit float maxSMSResponseTime = 0;

constinit std::shared_ptr<platform::RunLoopTimer> refreshTimer;

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

    refreshTimer.reset();
    hostMethods() = HostMethods{};
    forgetStoredCodes();
}

} // namespace quorvel::engine
