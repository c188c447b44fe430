#include "sim/swarm/SwarmRandom.h"

#include <cassert>
#include <limits>

namespace sim::swarm {

namespace {

uint64_t splitMix64(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

} // namespace

uint64_t deviceStreamSeed(uint64_t seed, uint64_t device)
{
    return splitMix64(splitMix64(seed) ^ splitMix64(device + 0x5157A2Dull));
}

uint64_t SwarmRandom::below(uint64_t bound)
{
    assert(bound > 0);
    // Draws past the last whole multiple of `bound` are thrown away.
    const uint64_t limit = std::numeric_limits<uint64_t>::max() - std::numeric_limits<uint64_t>::max() % bound;
    uint64_t draw;
    do {
        draw = m_engine();
    } while (draw >= limit);
    return draw % bound;
}

int64_t SwarmRandom::between(int64_t low, int64_t high)
{
    assert(low <= high);
    const uint64_t width = static_cast<uint64_t>(high) - static_cast<uint64_t>(low);
    if (width == std::numeric_limits<uint64_t>::max())
        return static_cast<int64_t>(m_engine());
    return static_cast<int64_t>(static_cast<uint64_t>(low) + below(width + 1));
}

} // namespace sim::swarm
