// The cost of one system-log line: formatting a typical engine line and
// writing it to the device's capture sink, as on a simulated device (the
// host machine's system log is off).
//
//   build/bin/log_line_bench
#include "platform/foundation/Log.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>

namespace {

void BM_WriteLogLine(benchmark::State& state)
{
    size_t captured = 0;
    platform::setLogSink([&captured](const std::string& line) { captured += line.size(); });
    unsigned position = 0;
    for (auto _ : state) {
        QLog("Qvl: moving to the next code, %u of %u", ++position % 7 + 1, 7u);
    }
    platform::setLogSink(nullptr);
    benchmark::DoNotOptimize(captured);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WriteLogLine);

} // namespace

BENCHMARK_MAIN();
