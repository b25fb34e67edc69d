// The VOLT METER tab running on the simulated instrument with steady readings: the application
// in-process and offscreen, the test started by entering the tab, left to settle, then measured
// over QV_IDLE_SECONDS (default 10): meter ticks, readings shown and repaints per second, and the CPU of the
// user-interface thread (getrusage RUSAGE_THREAD) and of the whole process, as shares of one core.
// Arguments: the test tone (0/1) and the instrument's volt meter, measuring as the hardware does
// (0) or answering at once (1).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bench/CpuTime.h"
#include "shell/frame/TabbedFrame.h"
#include "sim/ScenarioParser.h"
#include "tests/rig/AppRig.h"
#include "trace/CORULineTest.h"
#include "trace/RegisterTraceViews.h"

namespace {

// Line 3 with a steady loop voltage, with (argument 1) or without (0) a 1 kHz test tone: the tone's
// peak-to-peak reading varies a little from one 100 ms window to the next, the DC one does not.
constexpr const char* kSteadyLine3 = "scenario steady\ntitle \"steady\"\nlength 60\nrepeat\nat 0 dc 3 -48.0 ramp 0\n";
constexpr const char* kToneLine3 = "at 0 tone 3 custom 1.0 1000\n";

void BM_VoltMeterRunning(benchmark::State& state) {
  apprig::AppRig rig;
  rig.instrumentOptions = sim::InstrumentOptions{};  // the instrument's own clock
  rig.instrumentOptions.prefillMemory = false;
  rig.instrumentOptions.instantVoltMeter = state.range(1) != 0;
  rig.PlugInstrument();
  std::string scenario = kSteadyLine3;
  if (state.range(0) != 0) scenario += kToneLine3;
  rig.instrument().loadScenario(sim::parseScenario(scenario).scenario);
  rig.beforeInit = [](CORUpc144App& app) { RegisterTraceViews(app.viewFactory); };
  if (!rig.Start()) {
    state.SkipWithError("the application did not start");
    return;
  }
  CORUpc144App& app = rig.app();
  double uiCpu = 0.0;
  double processCpu = 0.0;
  double wall = 0.0;
  int ticks = 0;
  int repaints = 0;
  int replies = 0;
  apprig::RunLoopFor(3000);
  auto* meter = dynamic_cast<CORULineTest*>(app.Views().lineTestView.get());
  if (meter == nullptr || app.tabbedFrame == nullptr) {
    state.SkipWithError("no volt meter");
  } else {
    app.tabbedFrame->SelectTab(2);
    apprig::RunLoopFor(3000);  // the bars reach the steady readings
    for (auto _ : state) {
      const int ticks0 = meter->Ticks();
      const int repaints0 = meter->Repaints();
      const int replies0 = meter->Replies();
      const double ui0 = benchcpu::CpuSeconds(RUSAGE_THREAD);
      const double process0 = benchcpu::CpuSeconds(RUSAGE_SELF);
      const auto wall0 = std::chrono::steady_clock::now();
      apprig::RunLoopFor(benchcpu::MeasuredSeconds(10) * 1000);
      uiCpu = benchcpu::CpuSeconds(RUSAGE_THREAD) - ui0;
      processCpu = benchcpu::CpuSeconds(RUSAGE_SELF) - process0;
      wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
      ticks = meter->Ticks() - ticks0;
      repaints = meter->Repaints() - repaints0;
      replies = meter->Replies() - replies0;
      std::fprintf(stderr, "last readings: \"%s\" \"%s\"\n", app.dataStore.dcValueText.Get().c_str(),
                   app.dataStore.acValueText.Get().c_str());
      state.SetIterationTime(wall);
    }
    app.tabbedFrame->SelectTab(0);
    apprig::RunLoopFor(500);
  }
  rig.Exit();
  rig.ShutDown();
  if (wall <= 0.0) return;
  state.counters["ticks_per_second"] = ticks / wall;
  state.counters["repaints_per_second"] = repaints / wall;
  state.counters["readings_shown_per_second"] = replies / wall;
  state.counters["ui_cpu_percent_of_one_core"] = 100.0 * uiCpu / wall;
  state.counters["process_cpu_percent_of_one_core"] = 100.0 * processCpu / wall;
}
BENCHMARK(BM_VoltMeterRunning)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
