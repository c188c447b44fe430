// The engine's load entry and the state it starts on.
//
// SpringBoard loads the library and its two start-up routines run, in order,
// inside the SpringBoard process that the loader makes current. The engine's
// process-wide variables are defined here, above the entry, on purpose: the
// language runs one file's initialisers in the order they are written, so the
// state is in place when the entry runs, whatever order the linker put the
// files in. Nothing else in the library may need code to run at load (names
// are constexpr text, state is constinit), which tests check on the built
// module.
//
// Test programs link this file too; with no simulated device or process at
// their start the entry does nothing, and they start the engine by hand.
#include "engine/Engine.h"
#include "platform/foundation/Log.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"

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
constinit bool codesFollowSim = false;

constinit std::shared_ptr<platform::RunLoopTimer> refreshTimer;

} // namespace quorvel::engine

namespace {

struct LoadEntry {
    LoadEntry()
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
    LoadEntry(const LoadEntry&) = delete;
    LoadEntry& operator=(const LoadEntry&) = delete;
};

const LoadEntry loadEntry;

} // namespace
