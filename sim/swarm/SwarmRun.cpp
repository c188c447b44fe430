#include "sim/swarm/SwarmRun.h"

#include "sim/swarm/SwarmDevice.h"
#include "sim/swarm/SwarmWorkers.h"

#include <chrono>
#include <cstdio>
#include <ostream>
#include <sstream>

namespace sim::swarm {

namespace {

std::string rerunCommand(const SwarmOptions& options, uint64_t device)
{
    return "quorvel swarm --seed " + std::to_string(options.seed) + " --devices " + std::to_string(options.devices) +
           " --days " + std::to_string(options.days) + " --device " + std::to_string(device);
}

void printFailure(const SwarmOptions& options, const SwarmDeviceResult& result, std::ostream& out)
{
    const SwarmFailure& failure = *result.failure;
    out << "FAIL seed " << options.seed << " device " << result.device << " at " << failure.when << " [" << failure.violation.invariant
        << "] " << failure.violation.what << "\n";
    out << "  the last " << failure.lastLines.size() << " log lines:\n";
    for (const std::string& line : failure.lastLines)
        out << "    " << line << "\n";
    out << "  rerun: " << rerunCommand(options, result.device) << "\n";
}

// Runs one device and prints what the run shows of it (its log with --log,
// its failure) to `out`; the text is left empty.
WorkerResult runOneDevice(const SwarmOptions& options, uint64_t device, std::ostream& out)
{
    if (options.log)
        out << "swarm: device " << device << "\n";
    const SwarmDeviceResult result = runSwarmDevice(options.seed, device, options.days, options.log ? &out : nullptr);
    WorkerResult outcome;
    outcome.events = result.events;
    if (!result.unusable.empty()) {
        outcome.unusable = true;
        outcome.failed = true;
        out << "FAIL seed " << options.seed << " device " << device << ": " << result.unusable << "\n";
    } else if (result.failure) {
        outcome.failed = true;
        printFailure(options, result, out);
    }
    return outcome;
}

} // namespace

SwarmSummary runSwarm(const SwarmOptions& options, std::ostream& out)
{
    SwarmSummary summary;
    out << "swarm: seed " << options.seed << ", " << options.devices << " device" << (options.devices == 1 ? "" : "s")
        << ", " << options.days << " device-day" << (options.days == 1 ? "" : "s") << " each";
    if (options.device)
        out << ", device " << *options.device << " only";
    out << "\n";
    out.flush();

    const auto began = std::chrono::steady_clock::now();
    const uint64_t first = options.device.value_or(0);
    const uint64_t last = options.device ? *options.device + 1 : options.devices;
    auto tally = [&](const WorkerResult& result) {
        ++summary.devices;
        summary.deviceDays += static_cast<uint64_t>(options.days);
        summary.events += result.events;
        if (result.unusable)
            ++summary.unusable;
        if (result.failed)
            ++summary.failures;
    };
    if (options.jobs <= 1 || last - first == 1) {
        // In this process, each device's log printed as it is written.
        for (uint64_t device = first; device < last; ++device) {
            tally(runOneDevice(options, device, out));
            out.flush();
        }
    } else {
        runOnWorkers(
            options.jobs, first, last,
            [&](uint64_t device) {
                std::ostringstream text;
                WorkerResult result = runOneDevice(options, device, text);
                result.text = std::move(text).str();
                return result;
            },
            [&](uint64_t, const WorkerResult& result) {
                out << result.text;
                out.flush();
                tally(result);
            });
    }
    summary.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();

    char rate[64];
    std::snprintf(rate, sizeof rate, "%.0f", summary.wallSeconds > 0 ? summary.deviceDays * 60.0 / summary.wallSeconds : 0.0);
    char wall[32];
    std::snprintf(wall, sizeof wall, "%.2f", summary.wallSeconds);
    out << "swarm: " << summary.devices << " device" << (summary.devices == 1 ? "" : "s") << ", " << summary.deviceDays
        << " device-days, " << summary.events << " virtual events, " << wall << " s wall, " << rate
        << " device-days per minute, " << summary.failures << " failure" << (summary.failures == 1 ? "" : "s") << "\n";
    return summary;
}

} // namespace sim::swarm
