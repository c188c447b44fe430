// Runs a swarm's devices on several forked processes and hands their results
// back in device order, so a run prints the same text whatever the number of
// processes.
//
//   runOnWorkers(2, 0, 100, [&](uint64_t device) { return runOne(device); },
//                [&](uint64_t device, const WorkerResult& result) { print(result); });
//
// Each worker is a fork of the calling process made before any device runs in
// it; it takes one device at a time from the caller over a pipe and answers
// with the device's result, so a slow device holds up no one but its worker.
// `work` runs only in the workers, `take` only in the caller, in device order,
// each device exactly once. A worker that dies mid-device (a crash, a signal)
// makes that device's result a failure saying so; its other devices go to the
// workers left. The caller's streams must be flushed before the call: a
// worker leaves with _exit and never flushes what it inherited.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace sim::swarm {

struct WorkerResult {
    uint64_t events = 0;
    // The device's invariant failed (or it could not be set up, or its worker died).
    bool failed = false;
    bool unusable = false;
    // Everything the run prints for the device.
    std::string text;
};

// Caps how many finished results wait for an earlier device, per worker, so
// memory stays bounded when one device runs long.
inline constexpr uint64_t kResultsAheadPerWorker = 64;

void runOnWorkers(unsigned jobs, uint64_t first, uint64_t last, const std::function<WorkerResult(uint64_t)>& work,
                  const std::function<void(uint64_t, const WorkerResult&)>& take);

} // namespace sim::swarm
