// What handling a USSD reply costs the daemon's thread: CPU time from the
// reply's arrival to the codes store written and the widget published (PNG,
// texts, Refreshed), logged once per reply:
//
//   quorveld: reply handled in 1.84 ms of CPU
//
// The daemon runs on one thread, so the thread's CPU clock counts only this work
// (and whatever else ran in between, which for one reply is nothing).
#pragma once

namespace linuxhost {

void markReplyArrival();
// Logs the cost since the last arrival, once; does nothing without one.
void reportReplyCost();

} // namespace linuxhost
