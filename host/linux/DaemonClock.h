// quorveld's clock: the machine's wall clock (the engine stores and shows
// its dates), which goes on counting while the phone sleeps.
//
//   auto clock = std::make_unique<DaemonClock>();
//   clock->slept();        // on resume: nothing, unless a test asked for more
//
// A test cannot suspend the machine, so for tests only the environment
// variable QUORVEL_TEST_SLEEP_SECONDS=N makes every resume from sleep move
// this clock N seconds on, as N seconds asleep would have moved the wall
// clock. Nothing else reads it.
#pragma once

#include "platform/system/Device.h"

#include <optional>
#include <string>

namespace linuxhost {

inline constexpr const char* kTestSleepVariable = "QUORVEL_TEST_SLEEP_SECONDS";

class DaemonClock final : public platform::Clock {
public:
    // `testSleepSeconds`: what each resume adds (0 on a real phone).
    explicit DaemonClock(double testSleepSeconds = 0) : m_testSleep(testSleepSeconds) {}

    platform::Date now() const override;
    void advanceTo(platform::Date t) override; // sleeps until t

    // The phone has woken: adds the test's sleep, if any.
    void slept();

private:
    platform::RealClock m_real;
    double m_testSleep;
    int64_t m_offsetMicros = 0;
};

// The seconds QUORVEL_TEST_SLEEP_SECONDS asks for: 0 when unset; nullopt for a
// value that is not a number of seconds from 0 to 10 years (`problem` says why).
std::optional<double> testSleepSeconds(const char* value, std::string* problem);

} // namespace linuxhost
