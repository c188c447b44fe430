// One device of a swarm run: a fresh World with the engine, driven for a
// number of device-days by choices drawn from the device's own stream, its
// invariants checked as it runs (InvariantChecker.h). The run stops at the
// first broken invariant and reports it with the log lines that led to it.
//
//   SwarmDeviceResult result = runSwarmDevice(42, 3, 5);   // seed 42, device 3, 5 days
//   if (result.failure) print(result.failure->violation, result.failure->lastLines);
//
// What a device draws: 1 to 8 codes answered by USSD or SMS (1 to 5 numbers,
// any fields), the settings, the order of alert and reply and the alert's
// delay; for each dial the carrier's reply (delays around the window's edges,
// silences, wrong counts, garbled and non-ASCII texts, notifications without
// text; for SMS codes an acknowledgement and the SMS, late, missing, or after
// one from another sender) and SMS from other senders and network texts
// inside the window; across each day the widget's refreshes, locks and
// unlocks, Do Not Disturb and roaming, settings edits, codes added and deleted
// by Settings (also during a cycle), the wizard's dials, SMS at random
// instants, network texts outside any window and message-database faults.
// Situations whose outcome the engine's rules leave to chance (a cycle
// interrupted while a reply is on its way, a Settings write racing the
// engine's) are not drawn: such an action waits until the device is quiet.
#pragma once

#include "sim/swarm/InvariantChecker.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace sim::swarm {

inline constexpr size_t kFailureContextLines = 40;

struct SwarmFailure {
    Violation violation;
    // The violation's virtual time as log lines are stamped ("09:14:22.500",
    // with the day after the first).
    std::string when;
    // The device's log lines up to the failure, stamped as `quorvel run` stamps them.
    std::vector<std::string> lastLines;
};

struct SwarmDeviceResult {
    uint64_t device = 0;
    int days = 0;
    // Log lines written and swarm actions taken.
    uint64_t events = 0;
    // Of every log line with its time: equal runs have equal digests.
    uint64_t digest = 0;
    std::optional<SwarmFailure> failure;
    // Set up failed (no device folder, no engine): nothing was checked.
    std::string unusable;
};

// `log`, when given, receives every log line of the device as it is written.
SwarmDeviceResult runSwarmDevice(uint64_t seed, uint64_t device, int days, std::ostream* log = nullptr);

} // namespace sim::swarm
