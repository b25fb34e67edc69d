// The whole program idle with the instrument attached: the application in-process and offscreen
// (main frame, every window folder's views, tabs, timers, worker, driver, bus and simulated
// instrument), left to settle on one tab (the argument: 0 CAPTURE DATA, 1 SIGNAL TRACE), then the
// process's CPU (getrusage) over 30 s of its event loop, as a share of one core.
// QV_IDLE_SECONDS shortens or lengthens the measured span.

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "bench/CpuTime.h"
#include "display/RegisterDisplayViews.h"
#include "maintenance/RegisterMaintenanceViews.h"
#include "shell/frame/TabbedFrame.h"
#include "tests/rig/AppRig.h"
#include "trace/RegisterTraceViews.h"

namespace {

// CPU seconds of each thread of the process, by thread id, with its name.
std::map<int, std::pair<std::string, double>> ThreadCpu() {
  std::map<int, std::pair<std::string, double>> threads;
  DIR* dir = opendir("/proc/self/task");
  if (dir == nullptr) return threads;
  const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
  while (dirent* entry = readdir(dir)) {
    const int tid = std::atoi(entry->d_name);
    if (tid <= 0) continue;
    std::ifstream stat("/proc/self/task/" + std::string(entry->d_name) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto open = line.find('(');
    const auto close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    double utime = 0;
    double stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
      if (i == 14) utime = std::atof(field.c_str());
      if (i == 15) stime = std::atof(field.c_str());
    }
    threads[tid] = {line.substr(open + 1, close - open - 1), (utime + stime) / tick};
  }
  closedir(dir);
  return threads;
}

void BM_AppIdleWithInstrument(benchmark::State& state) {
  apprig::AppRig rig;  // the quiet instrument: idle lines, an empty memory
  rig.beforeInit = [](CORUpc144App& app) {
    RegisterDisplayViews(app.viewFactory);
    RegisterTraceViews(app.viewFactory);
    RegisterMaintenanceViews(app.viewFactory);
  };
  if (!rig.Start()) {
    state.SkipWithError("the application did not start");
    return;
  }
  CORUpc144App& app = rig.app();
  apprig::RunLoopFor(3000);  // start-up initialisation and the first idle updates
  if (app.tabbedFrame != nullptr) app.tabbedFrame->SelectTab(static_cast<int>(state.range(0)));
  apprig::RunLoopFor(1000);
  double cpu = 0.0;
  double wall = 0.0;
  for (auto _ : state) {
    const auto threads0 = ThreadCpu();
    const double cpu0 = benchcpu::CpuSeconds(RUSAGE_SELF);
    const auto wall0 = std::chrono::steady_clock::now();
    apprig::RunLoopFor(benchcpu::MeasuredSeconds(30) * 1000);
    cpu = benchcpu::CpuSeconds(RUSAGE_SELF) - cpu0;
    wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    // Where the time went, per thread (for finding what an idle program still does).
    for (const auto& [tid, entry] : ThreadCpu()) {
      const auto before = threads0.find(tid);
      const double used = entry.second - (before != threads0.end() ? before->second.second : 0.0);
      if (used > 0.0) std::fprintf(stderr, "thread %d %-16s %.3f s\n", tid, entry.first.c_str(), used);
    }
    state.SetIterationTime(wall);
  }
  rig.Exit();
  rig.ShutDown();
  state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / wall;
  state.counters["cpu_seconds"] = cpu;
}
BENCHMARK(BM_AppIdleWithInstrument)->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
