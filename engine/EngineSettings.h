// The engine's settings, read from the settings store.
#pragma once

namespace quorvel::engine {

// Reads the settings store afresh and sets autoRefreshRate, enableInRoaming,
// unlockedAutorefreshAllowed, maxResponseTime, sessionInitTime, observeDND,
// maxSMSResponseTime and codesFollowSim. An absent store or key gives the
// default silently; a value that cannot be read as its type (or a negative
// rate or span) is logged and gives the default. A stored maxSMSResponseTime below maxResponseTime + 1
// is raised to that, with one log line. Called at start-up, at every timer tick
// and at every refresh request.
void loadSettings();

} // namespace quorvel::engine
