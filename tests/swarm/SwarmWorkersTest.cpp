#include "sim/swarm/SwarmWorkers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

namespace sim::swarm {
namespace {

struct Taken {
    uint64_t device;
    WorkerResult result;
};

std::vector<Taken> runAll(unsigned jobs, uint64_t first, uint64_t last, const std::function<WorkerResult(uint64_t)>& work)
{
    std::vector<Taken> taken;
    runOnWorkers(jobs, first, last, work, [&](uint64_t device, const WorkerResult& result) { taken.push_back({device, result}); });
    return taken;
}

// The first devices send the longest texts (more than a pipe holds), so later
// ones tend to be ready first; each answer says which process it ran in.
size_t textLength(uint64_t device)
{
    return (12 - device) * 20000;
}

WorkerResult bigFirstDevices(uint64_t device)
{
    WorkerResult result;
    result.events = device * 10;
    result.failed = device % 4 == 1;
    result.text = "device " + std::to_string(device) + " in " + std::to_string(::getpid()) + "\n" + std::string(textLength(device), 'x');
    return result;
}

TEST(SwarmWorkers, HandsEveryResultBackOnceInDeviceOrderWhateverFinishesFirst)
{
    for (unsigned jobs : {1u, 2u, 3u, 16u}) {
        SCOPED_TRACE(jobs);
        const std::vector<Taken> taken = runAll(jobs, 2, 12, bigFirstDevices);
        ASSERT_EQ(taken.size(), 10u);
        for (uint64_t i = 0; i < taken.size(); ++i) {
            const uint64_t device = i + 2;
            EXPECT_EQ(taken[i].device, device);
            EXPECT_EQ(taken[i].result.events, device * 10);
            EXPECT_EQ(taken[i].result.failed, device % 4 == 1);
            EXPECT_EQ(taken[i].result.text.rfind("device " + std::to_string(device) + " in ", 0), 0u);
            EXPECT_EQ(taken[i].result.text.size(), taken[i].result.text.find('\n') + 1 + textLength(device)) << "whole text";
        }
        const bool ranHere = taken[0].result.text.find(" in " + std::to_string(::getpid()) + "\n") != std::string::npos;
        EXPECT_EQ(ranHere, jobs == 1) << "devices run in worker processes only when there are several";
    }
}

TEST(SwarmWorkers, ADeviceWhoseWorkerDiesFailsSayingSoAndTheOthersStillRun)
{
    const std::vector<Taken> taken = runAll(2, 0, 8, [](uint64_t device) {
        if (device == 3)
            std::abort();
        WorkerResult result;
        result.events = 1;
        result.text = "ok " + std::to_string(device) + "\n";
        return result;
    });
    ASSERT_EQ(taken.size(), 8u);
    for (uint64_t device = 0; device < 8; ++device) {
        SCOPED_TRACE(device);
        EXPECT_EQ(taken[device].device, device);
        if (device == 3) {
            EXPECT_TRUE(taken[device].result.failed);
            EXPECT_NE(taken[device].result.text.find("FAIL device 3: its worker process was killed by signal 6"), std::string::npos)
                << taken[device].result.text;
        } else {
            EXPECT_FALSE(taken[device].result.failed);
            EXPECT_EQ(taken[device].result.text, "ok " + std::to_string(device) + "\n");
        }
    }
}

TEST(SwarmWorkers, DevicesLeftWhenEveryWorkerIsGoneFailRatherThanHang)
{
    const std::vector<Taken> taken = runAll(2, 0, 5, [](uint64_t) -> WorkerResult { ::_exit(7); });
    ASSERT_EQ(taken.size(), 5u);
    for (const Taken& t : taken) {
        SCOPED_TRACE(t.device);
        EXPECT_TRUE(t.result.failed);
        EXPECT_TRUE(t.result.unusable);
    }
    EXPECT_NE(taken[0].result.text.find("exited with status 7"), std::string::npos) << taken[0].result.text;
    EXPECT_NE(taken[4].result.text.find("no worker process left"), std::string::npos) << taken[4].result.text;
}

} // namespace
} // namespace sim::swarm
