// A swarm run: devices 0 to D-1 (or one of them), each for K device-days,
// on one process or several, every failure printed in device order, then a
// summary line.
//
//   SwarmOptions options{.seed = 42, .devices = 100, .days = 10};
//   SwarmSummary summary = runSwarm(options, std::cout);
//   return summary.failures == 0 ? 0 : 1;
//
// What it prints: first the seed and the run's shape, then for each failed
// device its seed, device, virtual time, invariant, what broke, the last 40
// log lines and the command that reruns it alone; last the summary (devices,
// device-days, virtual events, wall time, device-days per minute, failures).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>

namespace sim::swarm {

struct SwarmOptions {
    uint64_t seed = 1;
    uint64_t devices = 1;
    int days = 1;
    // Only this device of the run (its stream is the same as in the full run).
    std::optional<uint64_t> device;
    // Also print every log line of each device (for a rerun of one device).
    bool log = false;
    // Processes the devices run on (SwarmWorkers.h); the output and the
    // result are the same whatever the number, only the wall time differs.
    unsigned jobs = 1;
};

struct SwarmSummary {
    uint64_t devices = 0;
    uint64_t deviceDays = 0;
    uint64_t events = 0;
    double wallSeconds = 0;
    uint64_t failures = 0;
    // Devices that could not be set up (counted as failures too).
    uint64_t unusable = 0;
};

SwarmSummary runSwarm(const SwarmOptions& options, std::ostream& out);

} // namespace sim::swarm
