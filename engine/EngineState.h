// The engine's process-wide state: one variable per item, all touched only on
// SpringBoard's main thread, so none needs a lock.
//
//   codes = loadedList;            // replaced whole, never patched in place
//   if (ussdRequestTime) ...       // none: no request window is open
//
// Every variable is constant-initialised (zero, none or NO) and defined in
// EngineLoad.cpp above the load entry, so that its value is in place before
// any load-time code of the library runs; engineStart() then
// sets the start-up values. engineResetForTesting() puts everything back to
// those load-time values, including the kept host methods.
#pragma once

#include "platform/foundation/Date.h"
#include "platform/foundation/Value.h"
#include "platform/runloop/RunLoop.h"
#include "platform/runtime/Runtime.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::engine {

// The stored codes as last loaded from the codes store; none when it holds no list.
extern std::optional<platform::Array> codes;
// The record being refreshed (a dictionary), or none.
extern platform::Value code;
// Position in `codes` of the record being refreshed.
extern uint32_t currentCode;
// The last reply text captured inside a request window (USSD text or SMS body).
extern std::optional<std::string> ussdMessage;
// Start of the open request window; none when no window is open.
extern std::optional<platform::Date> ussdRequestTime;
// When the engine last dialled a code of a refresh cycle.
extern std::optional<platform::Date> lastRefreshTime;
// YES while the open request is the engine's own; NO while it is the Settings wizard's.
extern bool updateValuesInFile;
// The expected SMS sender of the code being refreshed; none for a USSD-answered code.
extern std::optional<std::string> smsSender;
// The one-shot timer that ends an SMS wait.
extern std::shared_ptr<platform::RunLoopTimer> timerSMSWaiting;
// YES once an SMS from another sender arrived during an SMS wait.
extern bool doNotSuppressThisSMS;
// The USSD alert display created last (strong reference).
extern rt::id alertDisplay;
// An engine-owned alert is showing and its automatic close is pending.
extern bool alertStillOpen;
extern bool deviceIsUnlocked;
extern bool isDnDActive;
// Menu choices to answer USSD menus with, first entry first. Emptied before
// every dial of a refresh cycle and filled from the record's "menuChoices".
extern std::vector<std::string> menuTransversalQueue;

// The settings, as loadSettings() last read them.
extern int32_t autoRefreshRate;
extern bool enableInRoaming;
extern bool unlockedAutorefreshAllowed;
extern float maxResponseTime;
extern float sessionInitTime;
extern bool observeDND;
extern float maxSMSResponseTime;
// Codes carrying a simId are dialled only while that SIM is in (SimBinding.h).
extern bool codesFollowSim;

// The repeating refresh timer started by engineStart(); lives as long as SpringBoard.
extern std::shared_ptr<platform::RunLoopTimer> refreshTimer;

// SpringBoard's own implementations of the replaced methods, one slot per
// selector, filled by installHooks(). Empty for a method that was not replaced.
struct HostMethods {
    rt::IMP setStatusBarItem;
    rt::IMP publishBulletin;
    rt::IMP setBadge;
    rt::IMP initWithFrame;
    rt::IMP alertDisplayBecameVisible;
    rt::IMP replyClicked;
    rt::IMP okayClicked;
    rt::IMP textChanged;
    rt::IMP shouldInsertText;
    rt::IMP setAllowsResponse;
    rt::IMP setupResponseBar;
    rt::IMP cancelClicked;
    rt::IMP updateCharsRemaining;
    rt::IMP allowsResponse;
    rt::IMP alertStringAvailable;
    rt::IMP displayString;
    rt::IMP notifyView;
};
// Created on first use, so it is valid whatever order load-time code runs in.
HostMethods& hostMethods();

// Puts every variable above back to its load-time value (zero, none, NO),
// empties the host slots and forgets the codes store last seen. Drops references only: it stops no timer and removes
// no observer, because the device they belonged to may already be gone.
void engineResetForTesting();

} // namespace quorvel::engine
