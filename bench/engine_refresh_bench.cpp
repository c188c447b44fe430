// The engine's CPU time per refreshed code: the send step (store load, dial),
// the reply callback, number extraction, the store re-read and write, and the
// announcement, over a cycle of a 20-code store; beside it, the plain atomic
// write of the same store alone. Goal: at most 300 µs per code beyond the write.
//
// Both run on a virtual-clock device in a fresh folder under /tmp. Compare the
// "per_code" column of the cycle with the time of the write.
#include "common/QuorvelNames.h"
#include "engine/Engine.h"
#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "platform/telephony/CoreTelephony.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using namespace platform;

constexpr int kCodes = 20;
constexpr const char* kReply = "Balance 1 234.50 rub, bonus 120 min, 3.5 GB until 08.12.2026";
constexpr int kNumbersInReply = 5; // "1", "234.50", "120", "3.5", "08.12.2026"

class SilentTelephony final : public TelephonyService {
public:
    void dial(Process&, const std::string&) override { ++dials; }
    int dials = 0;
};

// Built entry by entry: brace-initialised nested values trip a false
// maybe-uninitialized warning of g++ 12.
Dict codesStore()
{
    Array codes;
    for (int i = 0; i < kCodes; ++i) {
        Array fields;
        for (int f = 0; f < 3; ++f) {
            Dict field;
            field[quorvel::kTitleKey] = "Field " + std::to_string(f);
            field[quorvel::kIndexKey] = f;
            field[quorvel::kLastValueKey] = "0";
            fields.emplace_back(std::move(field));
        }
        Dict record;
        record[quorvel::kUssdCodeKey] = "*10" + std::to_string(i) + "#";
        record[quorvel::kExpectedNumbersKey] = kNumbersInReply;
        record[quorvel::kFieldsKey] = std::move(fields);
        codes.emplace_back(std::move(record));
    }
    Dict root;
    root[quorvel::kCodesKey] = std::move(codes);
    return root;
}

// A device folder with the store, the same network on both links, and
// SpringBoard with the engine started in it.
class BenchDevice {
public:
    BenchDevice()
    {
        char folder[] = "/tmp/quorvel-bench-XXXXXX";
        m_root = mkdtemp(folder) ? folder : "";
        setDeviceRoot(m_root);
        createDirectories("/var/mobile/Library/Preferences");
        for (const char* link : {"/var/mobile/Library/Preferences/com.apple.carrier.plist",
                                 "/var/mobile/Library/Preferences/com.apple.operator.plist"})
            std::filesystem::create_symlink("/var/mobile/Library/Carrier Bundles/25001.plist", hostPath(link));
        writeDictionaryAtomically(quorvel::kCodesStorePath, codesStore());
        device.telephony = &telephony;
        quorvel::engine::engineResetForTesting();
        quorvel::engine::engineStart();
    }
    ~BenchDevice()
    {
        quorvel::engine::engineResetForTesting();
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }

    std::string m_root;
    SilentTelephony telephony;
    Device device{std::make_unique<VirtualClock>(Date::fromMicros(int64_t(1796720400) * 1000000))};
    DeviceScope current{device};
    Process springboard{device, "SpringBoard", "com.apple.springboard"};
    ProcessScope in{springboard};
};

class DurableWrites {
public:
    explicit DurableWrites(bool on) { setDurableWrites(on); }
    ~DurableWrites() { setDurableWrites(true); }
};

// Argument: 1 flushes each write to the disk as the phone does, 0 skips the
// flushes as simulated devices do (the engine's own work then stands out more
// clearly from the disk's noise).
void BM_AtomicWriteOfTheCodesStore(benchmark::State& state)
{
    BenchDevice bench;
    DurableWrites durable(state.range(0) != 0);
    const Dict store = codesStore();
    for (auto _ : state)
        benchmark::DoNotOptimize(writeDictionaryAtomically(quorvel::kCodesStorePath, store));
}
BENCHMARK(BM_AtomicWriteOfTheCodesStore)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_EngineRefreshCycle(benchmark::State& state)
{
    BenchDevice bench;
    DurableWrites durable(state.range(0) != 0);
    const Dict reply{{kCTUSSDSessionString, std::string(kReply)}};
    for (auto _ : state) {
        CFNotificationCenterPostNotification(CFNotificationCenterGetLocalCenter(), quorvel::kRefreshRequestNotification,
                                             nullptr, nullptr, true);
        for (int i = 0; i < kCodes; ++i) {
            postTelephonyNotification(bench.device, kCTUSSDSessionStringNotification, &reply);
            bench.device.runPending();
        }
    }
    if (bench.telephony.dials != kCodes * static_cast<int>(state.iterations()))
        state.SkipWithError("the cycle did not dial every code");
    // Seconds of CPU per refreshed code.
    state.counters["per_code"] = benchmark::Counter(kCodes, benchmark::Counter::kIsIterationInvariantRate |
                                                                 benchmark::Counter::kInvert);
}
BENCHMARK(BM_EngineRefreshCycle)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
