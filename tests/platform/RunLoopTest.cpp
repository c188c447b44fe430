#include "platform/runloop/RunLoop.h"

#include "TestDevice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform {
namespace {

using testing::TwoProcessDevice;
using namespace std::chrono_literals;

class RunLoopTest : public ::testing::Test, protected TwoProcessDevice {
protected:
    ProcessScope m_inSpringboard{springboard};
};

TEST_F(RunLoopTest, OneShotTimerFiresExactlyAtItsDueTime)
{
    std::vector<Micros> firedAt;
    auto timer = RunLoopTimer::create(atSeconds(10), Seconds(0), [&](RunLoopTimer&) { firedAt.push_back(elapsed()); });
    RunLoop::current().addTimer(timer, kCFRunLoopCommonModes);

    device.runFor(10s - 1us);
    EXPECT_TRUE(firedAt.empty());
    EXPECT_EQ(elapsed(), 10s - 1us);

    device.runFor(1us);
    ASSERT_EQ(firedAt.size(), 1u);
    EXPECT_EQ(firedAt[0], 10s);
    EXPECT_FALSE(timer->isValid());
    EXPECT_EQ(device.pendingCount(), 0u);

    device.runFor(Seconds(3600));
    EXPECT_EQ(firedAt.size(), 1u);
}

TEST_F(RunLoopTest, RepeatingTimerFiresAtEveryInterval)
{
    std::vector<Micros> firedAt;
    auto timer = RunLoopTimer::create(atSeconds(300), Seconds(300), [&](RunLoopTimer&) { firedAt.push_back(elapsed()); });
    RunLoop::current().addTimer(timer, kCFRunLoopCommonModes);
    EXPECT_EQ(timer->mode(), kCFRunLoopCommonModes);

    device.runFor(Seconds(1000));
    EXPECT_EQ(firedAt, (std::vector<Micros>{300s, 600s, 900s}));
    EXPECT_EQ(elapsed(), 1000s);

    device.runFor(Seconds(200) - Micros(1));
    EXPECT_EQ(firedAt.size(), 3u);
    device.runFor(1us);
    EXPECT_EQ(firedAt.back(), 1200s);
    EXPECT_TRUE(timer->isValid());
    EXPECT_EQ(timer->fireDate(), atSeconds(1500));
}

TEST_F(RunLoopTest, TimerInvalidatedInsideItsCallbackStopsAndReleasesTheCallback)
{
    auto captured = std::make_shared<int>(0);
    int fires = 0;
    auto timer = RunLoopTimer::create(atSeconds(300), Seconds(300), [&fires, captured](RunLoopTimer& t) {
        if (++fires == 2)
            t.invalidate();
    });
    RunLoop::current().addTimer(timer, kCFRunLoopCommonModes);
    EXPECT_EQ(captured.use_count(), 2);

    device.runFor(Seconds(3000));
    EXPECT_EQ(fires, 2);
    EXPECT_FALSE(timer->isValid());
    EXPECT_EQ(device.pendingCount(), 0u);
    // The callback (and what it holds) is let go once the timer is done with it.
    EXPECT_EQ(captured.use_count(), 1);
}

TEST_F(RunLoopTest, TimerInvalidatedFromOutsideNeverFires)
{
    int fires = 0;
    auto timer = RunLoopTimer::create(atSeconds(5), Seconds(1), [&](RunLoopTimer&) { ++fires; });
    RunLoop::current().addTimer(timer, kCFRunLoopCommonModes);
    device.runFor(4s);
    timer->invalidate();
    timer->invalidate(); // a second call changes nothing
    device.runFor(Seconds(60));
    EXPECT_EQ(fires, 0);
    EXPECT_EQ(device.pendingCount(), 0u);

    // An invalid timer cannot be scheduled again.
    RunLoop::current().addTimer(timer, kCFRunLoopCommonModes);
    EXPECT_EQ(device.pendingCount(), 0u);
}

TEST_F(RunLoopTest, RunLoopKeepsAScheduledTimerAlive)
{
    int fires = 0;
    std::weak_ptr<RunLoopTimer> weak;
    {
        auto timer = RunLoopTimer::create(atSeconds(1), Seconds(1), [&](RunLoopTimer& t) {
            if (++fires == 3)
                t.invalidate();
        });
        weak = timer;
        RunLoop::current().addTimer(timer, kCFRunLoopDefaultMode);
    }
    EXPECT_FALSE(weak.expired());
    device.runFor(10s);
    EXPECT_EQ(fires, 3);
    EXPECT_TRUE(weak.expired());
}

TEST_F(RunLoopTest, AddingATimerTwiceSchedulesItOnce)
{
    int fires = 0;
    auto timer = RunLoopTimer::create(atSeconds(1), Seconds(0), [&](RunLoopTimer&) { ++fires; });
    RunLoop::current().addTimer(timer, kCFRunLoopDefaultMode);
    RunLoop::current().addTimer(timer, kCFRunLoopCommonModes);
    settings.mainRunLoop().addTimer(timer, kCFRunLoopCommonModes);
    EXPECT_EQ(device.pendingCount(), 1u);
    device.runFor(2s);
    EXPECT_EQ(fires, 1);
}

TEST_F(RunLoopTest, TimerDueInThePastFiresAtTheNextTurnAndSkipsMissedFirings)
{
    std::vector<Micros> firedAt;
    auto timer = RunLoopTimer::create(atSeconds(-650), Seconds(300), [&](RunLoopTimer&) { firedAt.push_back(elapsed()); });
    RunLoop::current().addTimer(timer, kCFRunLoopCommonModes);
    device.runFor(Seconds(600));
    // Late, then back on the original grid (-650 + 3 * 300 = 250), not a burst of catch-up firings.
    EXPECT_EQ(firedAt, (std::vector<Micros>{0s, 250s, 550s}));
}

TEST_F(RunLoopTest, DelayedCallsRunInOrderOfDueTimeThenOfScheduling)
{
    std::string order;
    RunLoop& loop = RunLoop::current();
    loop.performAfter(Seconds(5), [&] { order += 'a'; });
    loop.performAfter(Seconds(2), [&] { order += 'b'; });
    loop.performAfter(Seconds(5), [&] { order += 'c'; });
    loop.perform([&] { order += 'd'; });
    loop.performAfter(Seconds(-3), [&] { order += 'e'; }); // a negative delay means "now"

    device.runPending();
    EXPECT_EQ(order, "de");
    EXPECT_EQ(elapsed(), 0s);
    device.runFor(5s);
    EXPECT_EQ(order, "debac");
}

TEST_F(RunLoopTest, WorkScheduledWhileRunningRunsInTheSameSpanIfDueByItsEnd)
{
    std::vector<std::pair<char, Micros>> ran;
    RunLoop& loop = RunLoop::current();
    loop.performAfter(Seconds(2), [&] {
        ran.emplace_back('a', elapsed());
        loop.performAfter(Seconds(3), [&] { ran.emplace_back('b', elapsed()); });   // due at 5: the end
        loop.performAfter(Seconds(3) + Micros(1), [&] { ran.emplace_back('c', elapsed()); });
    });
    device.runFor(5s);
    EXPECT_EQ(ran, (std::vector<std::pair<char, Micros>>{{'a', 2s}, {'b', 5s}}));
    device.runFor(1us);
    EXPECT_EQ(ran.back(), (std::pair<char, Micros>{'c', 5s + 1us}));
}

TEST_F(RunLoopTest, CancelledDelayedCallDoesNotRun)
{
    int ran = 0;
    RunLoop& loop = RunLoop::current();
    uint64_t first = loop.performAfter(Seconds(1), [&] { ran += 1; });
    loop.performAfter(Seconds(1), [&] { ran += 10; });
    loop.cancel(first);
    loop.cancel(first);
    EXPECT_EQ(device.pendingCount(), 1u);
    device.runFor(2s);
    EXPECT_EQ(ran, 10);
    loop.cancel(first + 1); // already ran: nothing happens
}

TEST_F(RunLoopTest, WorkOfTwoProcessesInterleavesByDueTimeThenSchedulingEachInItsProcess)
{
    std::vector<std::string> ran;
    auto record = [&](const std::string& tag) {
        return [&ran, tag] { ran.push_back(Process::current().name() + ":" + tag); };
    };
    springboard.mainRunLoop().performAfter(Seconds(3), record("late"));
    settings.mainRunLoop().performAfter(Seconds(1), record("a"));
    springboard.mainRunLoop().performAfter(Seconds(1), record("b"));
    settings.mainRunLoop().performAfter(Seconds(1), record("c"));
    auto timer = RunLoopTimer::create(atSeconds(2), Seconds(0),
                                      [&](RunLoopTimer&) { ran.push_back(Process::current().name() + ":timer"); });
    settings.mainRunLoop().addTimer(timer, kCFRunLoopCommonModes);

    device.runFor(3s);
    EXPECT_EQ(ran, (std::vector<std::string>{"Preferences:a", "SpringBoard:b", "Preferences:c", "Preferences:timer",
                                             "SpringBoard:late"}));
    // Running work does not leave its process current behind it.
    EXPECT_EQ(&Process::current(), &springboard);
}

TEST_F(RunLoopTest, EndingAProcessDropsItsWorkAndInvalidatesItsTimers)
{
    int ran = 0;
    auto gone = std::make_unique<Process>(device, "Preferences2", "com.example.gone");
    auto timer = RunLoopTimer::create(atSeconds(1), Seconds(1), [&](RunLoopTimer&) { ++ran; });
    gone->mainRunLoop().addTimer(timer, kCFRunLoopCommonModes);
    gone->mainRunLoop().performAfter(Seconds(2), [&] { ++ran; });
    springboard.mainRunLoop().performAfter(Seconds(2), [&] { ran += 100; });
    EXPECT_EQ(device.processes().size(), 3u);

    gone.reset();
    EXPECT_EQ(device.processes().size(), 2u);
    EXPECT_EQ(device.pendingCount(), 1u);
    EXPECT_FALSE(timer->isValid());
    timer->invalidate(); // the caller's reference outlives the run loop safely
    device.runFor(10s);
    EXPECT_EQ(ran, 100);
}

TEST_F(RunLoopTest, ADayOfFiveMinuteTicksWithDelayedCallsKeepsExactTimes)
{
    int ticks = 0;
    int calls = 0;
    auto timer = RunLoopTimer::create(atSeconds(300), Seconds(300), [&](RunLoopTimer&) {
        ++ticks;
        EXPECT_EQ(elapsed(), Micros(300s) * ticks);
        RunLoop::current().performAfter(Seconds(4), [&] { ++calls; });
    });
    RunLoop::current().addTimer(timer, kCFRunLoopCommonModes);
    device.runFor(Seconds(24 * 3600));
    EXPECT_EQ(ticks, 288);
    EXPECT_EQ(calls, 287); // the last tick's call is due 4 s after the day ends
    EXPECT_EQ(device.pendingCount(), 2u);
}

} // namespace
} // namespace platform
