// A day of device time on the virtual clock: the engine's five-minute refresh
// timer, each tick dialling a handful of codes with alert closes, reply waits
// and cancelled SMS timeouts, plus Darwin traffic between two processes. The
// goal is well under a second per simulated day.
#include "platform/notify/NotificationCenter.h"
#include "platform/runloop/RunLoop.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace platform;

void onDarwin(CFNotificationCenterRef, void* observer, const std::string&, const void*, const Dict*)
{
    ++*static_cast<int*>(observer);
}

void BM_DayOfRefreshCycles(benchmark::State& state)
{
    const int codesPerTick = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Device device(std::make_unique<VirtualClock>(Date::fromMicros(1'790'000'000'000'000)));
        DeviceScope on(device);
        Process springboard(device, "SpringBoard", "com.apple.springboard");
        Process settings(device, "Preferences", "com.apple.Preferences");
        int heard = 0;
        {
            ProcessScope in(springboard);
            CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), &heard, onDarwin, "tick",
                                            nullptr, CFNotificationSuspensionBehaviorDeliverImmediately);
        }
        ProcessScope in(settings);
        auto timer = RunLoopTimer::create(now().addingSeconds(300), Seconds(300), [&](RunLoopTimer&) {
            RunLoop& loop = RunLoop::current();
            for (int i = 0; i < codesPerTick; ++i) {
                loop.performAfter(Seconds(i * 5 + 4), [] {});
                uint64_t timeout = loop.performAfter(Seconds(60), [] {});
                loop.performAfter(Seconds(i * 5 + 2), [&loop, timeout] { loop.cancel(timeout); });
            }
            CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(), "tick", nullptr, nullptr,
                                                 true);
        });
        RunLoop::current().addTimer(timer, kCFRunLoopCommonModes);
        device.runFor(Seconds(24 * 3600));
        benchmark::DoNotOptimize(heard);
    }
    state.SetItemsProcessed(state.iterations() * 288 * (3 * codesPerTick + 2));
}
BENCHMARK(BM_DayOfRefreshCycles)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
