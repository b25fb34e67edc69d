// The scope's render: 1000 samples at the form's size (the goal is under 5 ms), then more samples
// and wider plots, to show that the cost grows with width plus samples, not with their product.
// Arguments: samples, plot width in pixels (0 = the form's own scope area).

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "tests/rig/AppRig.h"
#include "trace/CORUSignalTrace.h"

namespace {

void BM_ScopeRender(benchmark::State& state) {
  const int samples = static_cast<int>(state.range(0));
  const int width = static_cast<int>(state.range(1));
  auto app = apprig::BareApp();
  auto view = std::make_unique<CORUSignalTrace>(app->viewContext(), nullptr);
  view->resize(587, 500);
  view->RedrawAxisPanels();
  CORUData& store = app->dataStore;
  store.WithTrace([samples](TraceScope& trace) {
    for (int i = 0; i < samples; ++i) trace.traceSamples().Add(static_cast<int>(40 * std::sin(i / 25.0)));
    trace.currentTrace().scaleIndex = 0;
    trace.currentTrace().spanIndex = 1;
  });
  store.WithData([](DataScope& data) {
    data.sysCfg().value1 = 0.02;
    data.sysCfg().value2 = -0.5;
  });
  app->settings.traceScale = 0;
  app->settings.traceSpan = 1;
  CORUScope& scope = view->Scope();
  if (width > 0) {
    // A wider plot: the area and the time marks stretched by hand, the volt marks kept.
    const QSize area(width, view->ScopeArea()->height());
    scope.Attach(area, view->VoltPanel()->width(), view->ScopeArea()->y());
    const int right = scope.state.Mapper().PixelsToLogicalX(width) - 7;
    scope.state.SetTimeMarks(7, right, 7);
  }
  for (auto _ : state) {
    scope.Render();
    benchmark::DoNotOptimize(scope.Image().constBits());
  }
  state.counters["plot_px"] = scope.Image().width();
}
BENCHMARK(BM_ScopeRender)
    ->Args({1000, 0})
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Args({1000, 2000})
    ->Args({1000, 8000})
    ->Args({100000, 8000})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
