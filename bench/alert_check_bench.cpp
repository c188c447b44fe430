// The alerts' cost after each refresh: the history module's check of three
// alerts (below, falling, stale) on each of five fields, reading the rules
// file, the codes store, what has fired and three days of each field's
// numbers, on a year of five codes refreshed every fifteen minutes (thinned
// as the module thins it).
//
//   build/bin/alert_check_bench
//
// Goal: well under the 1 ms an append of the same refresh may take, so the
// alerts never make a refresh's history noticeably slower.
#include "common/QuorvelNames.h"
#include "history/AlertRules.h"
#include "history/AlertWatcher.h"
#include "history/HistoryDatabase.h"
#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/PropertyList.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using quorvel::history::HistorySample;

constexpr int64_t kSecond = 1000000;
constexpr int64_t kStart = int64_t(1796720400) * kSecond;
constexpr int64_t kQuarter = 15 * 60 * kSecond;
constexpr int kDays = 365;
const char* const kCodeNames[] = {"*100#", "*102#", "*105#", "*111#", "*121#"};

void checkFiveFieldsOnAYear(benchmark::State& state)
{
    // The benchmark library calls this several times to size the loop: the
    // year is built once per call, outside the timed loop.
    std::string pattern = (fs::temp_directory_path() / "quorvel-alert-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        state.SkipWithError("no temporary folder");
        return;
    }
    platform::setDeviceRoot(pattern);
    const int64_t end = kStart + int64_t(kDays) * 96 * kQuarter;
    platform::Device device(std::make_unique<platform::VirtualClock>(platform::Date::fromMicros(end)));
    platform::DeviceScope current(device);
    platform::Process process(device, "SpringBoard", "com.apple.springboard");
    platform::ProcessScope in(process);
    {
        quorvel::history::HistoryDatabase db;
        for (int day = 0; day < kDays; ++day) {
            std::vector<HistorySample> rows;
            for (int q = 0; q < 96; ++q) {
                const int n = day * 96 + q;
                for (int c = 0; c < 5; ++c)
                    rows.push_back(HistorySample{kCodeNames[c], 0, "Balance", "1", 1000.0 - 0.07 * n - c,
                                                 platform::Date::fromMicros(kStart + n * kQuarter)});
            }
            db.append(rows);
            db.thin(platform::Date::fromMicros(kStart + int64_t(day + 1) * 96 * kQuarter));
        }
    }
    platform::Array codes;
    for (const char* code : kCodeNames) {
        platform::Dict field{{quorvel::kIndexKey, 0}, {quorvel::kTitleKey, "Balance"}, {quorvel::kLastValueKey, "12.50"}};
        codes.emplace_back(platform::Dict{{quorvel::kUssdCodeKey, code}, {quorvel::kExpectedNumbersKey, 1},
                                          {quorvel::kRefreshedAtKey, platform::Date::fromMicros(end - kQuarter)},
                                          {quorvel::kFieldsKey, platform::Array{platform::Value(field)}}});
        quorvel::history::setAlertRule({code, 0, 5.0, 50.0, 24});
    }
    platform::writeDictionaryAtomically(quorvel::kCodesStorePath, platform::Dict{{quorvel::kCodesKey, codes}});

    quorvel::history::HistoryDatabase db;
    quorvel::history::AlertWatcher watcher(db);
    for (auto _ : state)
        watcher.check();
    std::error_code ignored;
    fs::remove_all(pattern, ignored);
}
BENCHMARK(checkFiveFieldsOnAYear)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
