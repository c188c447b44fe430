// The refresh cycle: when it starts (the 300-second timer tick when the refresh
// rate is due, or the widget's request), the roaming, lock and Do Not Disturb
// rules, and the send step that dials one code and opens its request window.
//
// The queue is `codes` with the position `currentCode`. A step ends in
// moveToNextCode(), called by parseResponse() after every parse attempt, by the
// SMS wait expiry, and by the send step when it skips a code; after the last
// code the cycle ends quietly. Main thread only; no step waits.
#pragma once

#include "platform/notify/NotificationCenter.h"

namespace quorvel::engine {

// Sets `codes` from the codes store, read as the preferences suite so the file
// as last written is seen. A "codes" entry that is not a list is logged and
// reads as none.
void loadCodeConfiguration();

// NO only when the carrier and operator links point at the same destination;
// a missing or unreadable link counts as roaming.
bool isRoaming();

// The send step: reloads the codes and dials the one at `currentCode`. A
// position past the end of the list ends the cycle (logged); a record that is
// not a dictionary or has no code text is logged and skipped, and so is an SMS
// code while Do Not Disturb is observed. Skipping moves on to the next record
// of the same read, so a cycle reads the store once per code it dials. While
// codes follow their SIM, a record whose SIM is not in is skipped too (logged
// "Qvl: skipping CODE: its SIM is not in"), and one whose SIM is in is
// dialled on that SIM.
void sendCurrentCode();

// Dials the next code, or does nothing after the last one.
void moveToNextCode();

// The refresh timer's callback.
void refreshTimerTick();

// Local-centre callback for the widget's refresh request.
void refreshRequestHandler(platform::CFNotificationCenterRef center, void* observer, const std::string& name,
                           const void* object, const platform::Dict* userInfo);

} // namespace quorvel::engine
