// The swarm's source of choices: std::mt19937_64, whose output sequence the
// C++ standard fixes, with mappings onto ranges of our own (the standard's
// distributions differ between libraries), so a seed draws the same on every
// machine. Each device has a stream of its own, seeded from the run's seed
// and the device's index, so one device reruns alone.
//
//   SwarmRandom random(seed, deviceIndex);
//   int codes = random.between(1, 8);
//   if (random.percent(15)) ...
//
// Not thread-safe; cheap to copy.
#pragma once

#include "platform/foundation/Date.h"

#include <cstdint>
#include <random>
#include <vector>

namespace sim::swarm {

// The seed of device `device`'s stream in the run seeded `seed` (SplitMix64
// over both, so neighbouring seeds and indexes give unrelated streams).
uint64_t deviceStreamSeed(uint64_t seed, uint64_t device);

class SwarmRandom {
public:
    SwarmRandom(uint64_t seed, uint64_t device) : m_engine(deviceStreamSeed(seed, device)) {}

    uint64_t next() { return m_engine(); }
    // Uniform in [0, bound); bound must be positive. Rejection keeps it unbiased.
    uint64_t below(uint64_t bound);
    // Uniform in [low, high], both included; low <= high.
    int64_t between(int64_t low, int64_t high);
    // True `chance` times in a hundred.
    bool percent(int chance) { return static_cast<int>(below(100)) < chance; }
    // A span uniform in [low, high], to the microsecond.
    platform::Micros spanBetween(platform::Micros low, platform::Micros high)
    {
        return platform::Micros(between(low.count(), high.count()));
    }
    template <class T>
    const T& pick(const std::vector<T>& choices)
    {
        return choices[below(choices.size())];
    }

private:
    std::mt19937_64 m_engine;
};

} // namespace sim::swarm
