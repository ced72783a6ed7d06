// CPU cost of waiting: an idle one-second WaitUntil on the steady clock should sleep in the
// event loop, so its CPU time is a tiny fraction of its wall time. Run:
//   build/bench/vormina_bench
// and compare the "CPU" column with "Time".
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "bench/measure.h"
#include "core/clock.h"
#include "core/kihon.h"

namespace {

void BM_IdleWaitUntilOneSecond(benchmark::State& state) {
  kihon::SteadyClock clock;
  std::int16_t stop = 0;
  kihon::Waits waits(clock, stop);
  double cpu = 0;
  for (auto _ : state) {
    waits.WaitUntil(-100);
    const double before = ProcessCpuSeconds();
    benchmark::DoNotOptimize(waits.WaitUntil(1000));
    cpu += ProcessCpuSeconds() - before;
  }
  state.counters["cpu_ms_per_wait"] =
      benchmark::Counter(cpu * 1000.0 / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_IdleWaitUntilOneSecond)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// A paced sequence of 100 steps of 10 ms: where each step ends relative to its schedule.
void BM_PacedStepsOf10ms(benchmark::State& state) {
  kihon::SteadyClock clock;
  std::int16_t stop = 0;
  kihon::Waits waits(clock, stop);
  std::int64_t worstLate = 0;
  for (auto _ : state) {
    waits.WaitUntil(-100);
    const std::int64_t start = clock.NowMs();
    for (int i = 1; i <= 100; ++i) {
      waits.WaitUntil(10);
      worstLate = std::max(worstLate, clock.NowMs() - (start + 10 * i));
    }
  }
  state.counters["worst_late_ms"] = benchmark::Counter(static_cast<double>(worstLate));
}
BENCHMARK(BM_PacedStepsOf10ms)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
