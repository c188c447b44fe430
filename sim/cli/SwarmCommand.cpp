// quorvel swarm: many simulated devices, each driven by seeded random choices
// while the engine's invariants are checked.
#include "sim/cli/Commands.h"
#include "sim/swarm/SwarmRun.h"

#include <iostream>

namespace quorvel::cli {

int swarmCommand(const SwarmCommandOptions& options)
{
    if (options.device && *options.device >= options.devices) {
        std::cerr << "quorvel: swarm: --device " << *options.device << " is not a device of the run (0 to "
                  << options.devices - 1 << "; give --devices to match the run)\n";
        return kUsageExitStatus;
    }
    sim::swarm::SwarmOptions swarm;
    swarm.seed = options.seed;
    swarm.devices = options.devices;
    swarm.days = options.days;
    swarm.device = options.device;
    swarm.log = options.log;
    swarm.jobs = options.jobs;
    const sim::swarm::SwarmSummary summary = sim::swarm::runSwarm(swarm, std::cout);
    return summary.failures == 0 ? 0 : 1;
}

} // namespace quorvel::cli
