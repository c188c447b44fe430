// A virtual-clock device with two processes, current for the test's lifetime.
#pragma once

#include "platform/system/Device.h"
#include "platform/system/Process.h"

#include <memory>

namespace platform::testing {

inline constexpr int64_t kStartMicros = 1'790'000'000'000'000;

struct TwoProcessDevice {
    Device device{std::make_unique<VirtualClock>(Date::fromMicros(kStartMicros))};
    DeviceScope current{device};
    Process springboard{device, "SpringBoard", "com.apple.springboard"};
    Process settings{device, "Preferences", "com.apple.Preferences"};

    static Date at(Micros sinceStart) { return Date::fromMicros(kStartMicros).adding(sinceStart); }
    static Date atSeconds(double s) { return at(toMicros(Seconds(s))); }
    Micros elapsed() const { return device.now().since(Date::fromMicros(kStartMicros)); }
};

} // namespace platform::testing
