#include "sim/swarm/SwarmDevice.h"

#include <gtest/gtest.h>

namespace sim::swarm {
namespace {

TEST(SwarmDevice, TheSameSeedAndDeviceRunTheSameDay)
{
    const SwarmDeviceResult first = runSwarmDevice(11, 2, 1);
    const SwarmDeviceResult again = runSwarmDevice(11, 2, 1);
    ASSERT_TRUE(first.unusable.empty()) << first.unusable;
    EXPECT_FALSE(first.failure) << first.failure->violation.what;
    EXPECT_GT(first.events, 1000u);
    EXPECT_EQ(first.digest, again.digest);
    EXPECT_EQ(first.events, again.events);
    EXPECT_NE(runSwarmDevice(11, 3, 1).digest, first.digest);
}

} // namespace
} // namespace sim::swarm
