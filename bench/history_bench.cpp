// The history's figures: appending one refresh of five fields, printing a year
// of five codes refreshed every fifteen minutes as `quorvel history` does, and
// the database's size for that year, thinned as the module thins it (one row a
// day per field past 90 days) and, for comparison, unthinned.
//
//   build/bin/history_bench
//
// Goals: an append under 1 ms, the year printed under 200 ms, the file under
// 10 MB. The database lives in a temporary device root on the build machine's
// disk (WAL, synchronous=NORMAL, as on the device).
#include "history/HistoryDatabase.h"
#include "host/common/history/HistoryExport.h"
#include "history/HistoryReader.h"
#include "history/HistorySummary.h"
#include "platform/foundation/DevicePaths.h"
#include "platform/system/Device.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using quorvel::history::HistoryDatabase;
using quorvel::history::HistorySample;

constexpr int64_t kSecond = 1000000;
constexpr int64_t kStart = int64_t(1796720400) * kSecond;
constexpr int64_t kQuarter = 15 * 60 * kSecond;
constexpr int kCodes = 5;
constexpr int kRefreshesPerYear = 96 * 365;

struct BenchDevice {
    std::string root;
    std::unique_ptr<platform::Device> device;
    std::unique_ptr<platform::DeviceScope> scope;

    explicit BenchDevice(int64_t now)
    {
        std::string pattern = (fs::temp_directory_path() / "quorvel-history-bench-XXXXXX").string();
        root = mkdtemp(pattern.data()) ? pattern : "";
        platform::setDeviceRoot(root);
        device = std::make_unique<platform::Device>(std::make_unique<platform::VirtualClock>(platform::Date::fromMicros(now)));
        scope = std::make_unique<platform::DeviceScope>(*device);
    }
    ~BenchDevice()
    {
        scope.reset();
        device.reset();
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    std::string file() const { return platform::hostPath(quorvel::history::kHistoryDatabasePath); }
    uintmax_t bytes() const
    {
        uintmax_t total = 0;
        std::error_code error;
        for (const char* suffix : {"", "-wal", "-shm"})
            if (fs::exists(file() + suffix, error))
                total += fs::file_size(file() + suffix, error);
        return total;
    }
};

// One refresh of the five codes: a balance falling by a few kopecks a time.
std::vector<HistorySample> refreshAt(int64_t when, int n)
{
    static const char* const kCodeNames[] = {"*100#", "*102#", "*105#", "*111#", "*121#"};
    std::vector<HistorySample> rows;
    for (int c = 0; c < kCodes; ++c) {
        const double value = 1000.0 - 0.07 * n - c;
        std::string text = std::to_string(value);
        text = text.substr(0, text.find('.') + 3);
        rows.push_back(HistorySample{kCodeNames[c], 0, "Balance", text, value, platform::Date::fromMicros(when)});
    }
    return rows;
}

// A year of refreshes, appended a day at a time (the file is the same as with
// one append per refresh), thinned daily as the module does when `thin`.
void fillYear(HistoryDatabase& db, bool thin)
{
    for (int day = 0; day < 365; ++day) {
        std::vector<HistorySample> rows;
        for (int q = 0; q < 96; ++q) {
            const int n = day * 96 + q;
            auto refresh = refreshAt(kStart + n * kQuarter, n);
            rows.insert(rows.end(), refresh.begin(), refresh.end());
        }
        db.append(rows);
        if (thin)
            db.thin(platform::Date::fromMicros(kStart + (day + 1) * 96 * kQuarter));
    }
}

void appendOneRefreshOfFiveFields(benchmark::State& state)
{
    BenchDevice device(kStart);
    HistoryDatabase db;
    int n = 0;
    for (auto _ : state) {
        if (db.append(refreshAt(kStart + n * kQuarter, n)) != quorvel::history::AppendResult::written)
            state.SkipWithError("append failed");
        ++n;
    }
}
BENCHMARK(appendOneRefreshOfFiveFields)->Unit(benchmark::kMicrosecond);

void printYearOfFiveCodes(benchmark::State& state)
{
    const bool thinned = state.range(0) != 0;
    BenchDevice device(kStart + int64_t(kRefreshesPerYear) * kQuarter);
    {
        HistoryDatabase db;
        fillYear(db, thinned);
    }
    size_t rows = 0;
    size_t printed = 0;
    for (auto _ : state) {
        std::string out = quorvel::history::csvHeader();
        rows = 0;
        quorvel::history::readHistory(device.file(), {}, [&](const HistorySample& row) {
            out += quorvel::history::csvLine(row);
            ++rows;
        });
        printed = out.size();
        benchmark::DoNotOptimize(out);
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["csv_MB"] = static_cast<double>(printed) / 1e6;
    state.counters["db_MB"] = static_cast<double>(device.bytes()) / 1e6;
}
BENCHMARK(printYearOfFiveCodes)->ArgName("thinned")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(5);

// What a screen reads beside the figures of a year of five codes (thinned as
// the module keeps it): every field's change since its previous value, and
// one field's last 30 days for its chart.
void changesAndChartOfAYear(benchmark::State& state)
{
    const platform::Date now = platform::Date::fromMicros(kStart + int64_t(kRefreshesPerYear) * kQuarter);
    BenchDevice device(now.micros());
    {
        HistoryDatabase db;
        fillYear(db, true);
    }
    const bool chart = state.range(0) != 0;
    size_t found = 0;
    for (auto _ : state) {
        if (chart) {
            std::vector<quorvel::history::HistoryPoint> points;
            quorvel::history::readPoints(device.file(), "*100#", 0, now.addingSeconds(-30 * 86400.0), &points);
            found = points.size();
        } else {
            std::vector<quorvel::history::FieldChange> changes;
            quorvel::history::readChanges(device.file(), std::nullopt, &changes);
            found = changes.size();
        }
    }
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(changesAndChartOfAYear)->ArgName("chart")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
