#include "sim/swarm/SwarmRandom.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace sim::swarm {
namespace {

std::vector<int64_t> draws(uint64_t seed, uint64_t device, int count)
{
    SwarmRandom random(seed, device);
    std::vector<int64_t> out;
    for (int i = 0; i < count; ++i)
        out.push_back(random.between(1, 8));
    return out;
}

TEST(SwarmRandom, SameSeedAndDeviceDrawTheSameAndOthersDiffer)
{
    EXPECT_EQ(draws(42, 3, 50), draws(42, 3, 50));
    EXPECT_NE(draws(42, 3, 50), draws(42, 4, 50));
    EXPECT_NE(draws(42, 3, 50), draws(43, 3, 50));
    // Device 1 of seed 0 is not device 0 of seed 1.
    EXPECT_NE(draws(0, 1, 50), draws(1, 0, 50));
}

// The mapping is our own over the standard's fixed generator: these are the
// draws on every standard library, and a change to the mapping shows here
// (it would change what every recorded seed reproduces).
TEST(SwarmRandom, DrawsArePinnedAcrossLibraries)
{
    EXPECT_EQ(draws(1, 0, 12), (std::vector<int64_t>{3, 7, 2, 5, 1, 3, 8, 5, 1, 3, 1, 4}));
}

TEST(SwarmRandom, RangesAreInclusiveAndEveryValueComes)
{
    SwarmRandom random(7, 0);
    std::set<int64_t> seen;
    for (int i = 0; i < 2000; ++i) {
        const int64_t v = random.between(-2, 2);
        ASSERT_GE(v, -2);
        ASSERT_LE(v, 2);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_EQ(random.between(5, 5), 5);
    int hits = 0;
    for (int i = 0; i < 10000; ++i)
        hits += random.percent(30) ? 1 : 0;
    EXPECT_NEAR(hits, 3000, 300);
    EXPECT_FALSE(random.percent(0));
    EXPECT_TRUE(random.percent(100));
}

} // namespace
} // namespace sim::swarm
