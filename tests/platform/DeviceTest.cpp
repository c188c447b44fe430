#include "platform/runloop/RunLoop.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "platform/system/Sysctl.h"

#include "TestDevice.h"

#include <gtest/gtest.h>

#include <vector>

namespace platform {
namespace {

using testing::kStartMicros;
using namespace std::chrono_literals;

TEST(DeviceScope, NestsAndRestoresThePreviousDevice)
{
    Device outer(std::make_unique<VirtualClock>(Date::fromMicros(1)));
    Device inner(std::make_unique<VirtualClock>(Date::fromMicros(2)));
    EXPECT_EQ(Device::currentOrNull(), nullptr);
    {
        DeviceScope a(outer);
        EXPECT_EQ(now(), Date::fromMicros(1));
        {
            DeviceScope b(inner);
            EXPECT_EQ(&Device::current(), &inner);
            EXPECT_EQ(now(), Date::fromMicros(2));
        }
        EXPECT_EQ(&Device::current(), &outer);
    }
    EXPECT_EQ(Device::currentOrNull(), nullptr);
}

TEST(ProcessScope, NestsAndRestoresThePreviousProcess)
{
    testing::TwoProcessDevice world;
    EXPECT_EQ(Process::currentOrNull(), nullptr);
    {
        ProcessScope a(world.springboard);
        {
            ProcessScope b(world.settings);
            EXPECT_EQ(&RunLoop::current(), &world.settings.mainRunLoop());
        }
        EXPECT_EQ(&Process::current(), &world.springboard);
    }
    EXPECT_EQ(Process::currentOrNull(), nullptr);
}

TEST(Device, RunningMakesTheDeviceCurrentForItsWork)
{
    Device device(std::make_unique<VirtualClock>(Date::fromMicros(kStartMicros)));
    Process process(device, "SpringBoard", "com.apple.springboard");
    Device* seen = nullptr;
    Date seenNow;
    process.mainRunLoop().performAfter(Seconds(1.5), [&] {
        seen = Device::currentOrNull();
        seenNow = now();
    });
    device.runFor(Seconds(2));
    EXPECT_EQ(seen, &device);
    EXPECT_EQ(seenNow, Date::fromMicros(kStartMicros).adding(1500ms));
    EXPECT_EQ(device.now(), Date::fromMicros(kStartMicros).adding(2s));
    EXPECT_EQ(Device::currentOrNull(), nullptr);
}

TEST(Device, ClockNeverMovesBackwards)
{
    testing::TwoProcessDevice world;
    world.device.runFor(10s);
    world.device.runUntil(testing::TwoProcessDevice::atSeconds(5));
    EXPECT_EQ(world.elapsed(), 10s);
    world.device.runFor(Micros(-5));
    EXPECT_EQ(world.elapsed(), 10s);
}

TEST(Device, WorkDueAtTheSameInstantAsTheEndOfAnEarlierSpanRunsInThatSpan)
{
    testing::TwoProcessDevice world;
    std::vector<int> ran;
    world.springboard.mainRunLoop().performAfter(Seconds(1), [&] { ran.push_back(1); });
    world.device.runUntil(testing::TwoProcessDevice::atSeconds(1));
    EXPECT_EQ(ran, std::vector<int>{1});
}

TEST(Device, NextDueDateIsTheEarliestPendingWorkAndFollowsCancelsAndTimers)
{
    testing::TwoProcessDevice world;
    EXPECT_FALSE(world.device.nextDueDate());
    uint64_t later = world.springboard.mainRunLoop().performAfter(Seconds(30), [] {});
    uint64_t sooner = world.settings.mainRunLoop().performAfter(Seconds(5), [] {});
    EXPECT_EQ(world.device.nextDueDate(), testing::TwoProcessDevice::atSeconds(5));
    world.settings.mainRunLoop().cancel(sooner);
    EXPECT_EQ(world.device.nextDueDate(), testing::TwoProcessDevice::atSeconds(30));
    world.springboard.mainRunLoop().cancel(later);
    EXPECT_FALSE(world.device.nextDueDate());

    // A repeating timer is always due once more, one interval after its last firing.
    auto timer = RunLoopTimer::create(testing::TwoProcessDevice::atSeconds(300), Seconds(300), [](RunLoopTimer&) {});
    world.springboard.mainRunLoop().addTimer(timer, kCFRunLoopCommonModes);
    world.device.runFor(Seconds(301));
    EXPECT_EQ(world.device.nextDueDate(), testing::TwoProcessDevice::atSeconds(600));
    timer->invalidate();
    EXPECT_FALSE(world.device.nextDueDate());
}

TEST(Sysctl, AnswersTheHardwareModelOfTheCurrentDevice)
{
    testing::TwoProcessDevice world;
    world.device.hardwareModel = "iPad2,1";

    size_t length = 0;
    ASSERT_EQ(sysctlbyname("hw.machine", nullptr, &length, nullptr, 0), 0);
    EXPECT_EQ(length, 8u); // includes the terminating NUL

    std::vector<char> buffer(length, 'x');
    ASSERT_EQ(sysctlbyname("hw.machine", buffer.data(), &length, nullptr, 0), 0);
    EXPECT_STREQ(buffer.data(), "iPad2,1");

    size_t tooShort = 7;
    EXPECT_EQ(sysctlbyname("hw.machine", buffer.data(), &tooShort, nullptr, 0), -1);
    EXPECT_EQ(sysctlbyname("hw.model", nullptr, &length, nullptr, 0), -1);
    EXPECT_EQ(sysctlbyname("hw.machine", nullptr, nullptr, nullptr, 0), -1);
    const char replacement[] = "iPhone9,9";
    EXPECT_EQ(sysctlbyname("hw.machine", nullptr, &length, replacement, sizeof replacement), -1);
    EXPECT_EQ(world.device.hardwareModel, "iPad2,1");
}

} // namespace
} // namespace platform
