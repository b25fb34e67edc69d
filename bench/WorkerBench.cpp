// The worker's cost: CPU while it idles (with and without an instrument), and a binary capture at
// the simulated instrument's fastest pace through the whole stack (worker, transport, user-mode
// I/O, driver, bus, instrument), as records per second and CPU use. CPU is the whole process's
// (getrusage) over the wall time of the run; with an instrument that includes the bus thread.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <memory>
#include <thread>

#include "driver/install/OruDriverStore.h"
#include "link/worker/CommThread.h"
#include "link/protocol/InstrumentDevice.h"
#include "link/protocol/WorkerMessages.h"
#include "platform/machine/Machine.h"
#include "platform/win32/RecordingWindowTarget.h"
#include "platform/win32/Win32.h"
#include "sim/CallRenderer.h"
#include "sim/Instrument.h"
#include "sim/ScenarioParser.h"

namespace {

constexpr DWORD kHangMs = 60000;

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A machine with the driver and one instrument (clock moving per command: no firmware thread).
struct Stack {
  Stack() {
    oru::InstallDriver(machine);
    sim::InstrumentOptions options;
    options.clock.mode = sim::TimeMode::PerCommand;
    options.clock.perCommand = sim::millis(500);
    options.prefillMemory = false;
    instrument = std::make_unique<sim::Instrument>(options);
    machine.plug(*instrument);
  }
  ~Stack() {
    attached.reset();
    machine.shutdown();
  }
  platform::Machine machine;
  std::unique_ptr<win32::DeviceSystemAttachment> attached =
      std::make_unique<win32::DeviceSystemAttachment>(machine.kernel());
  std::unique_ptr<sim::Instrument> instrument;
};

struct Worker {
  explicit Worker(CORUData& store) : context(store) {
    CreateCommExitEvents(context);
    thread = CORUCommThread::Start(context);
    thread->WaitForPublishedId(kHangMs);
    PostThreadMessage(context.commThreadId, WM_ORU_SET_NOTIFY_WINDOW, reinterpret_cast<WPARAM>(notes.Handle()), 0);
    notes.WaitForCount(2, kHangMs);
  }
  ~Worker() {
    StopCommThread(context);
    thread.reset();
    CloseCommExitEvents(context);
  }
  LinkContext context;
  win32::RecordingWindowTarget notes;
  std::unique_ptr<CORUCommThread> thread;
};

void MeasureIdle(benchmark::State& state, bool withInstrument) {
  std::unique_ptr<Stack> stack = withInstrument ? std::make_unique<Stack>() : nullptr;
  CORUData store;
  Worker worker(store);
  for (auto _ : state) {
    const double cpu0 = ProcessCpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    state.counters["cpu_percent_of_one_core"] = 100.0 * (ProcessCpuSeconds() - cpu0) / wall;
  }
}

void BM_WorkerIdleWithoutInstrument(benchmark::State& state) { MeasureIdle(state, false); }
void BM_WorkerIdleWithInstrument(benchmark::State& state) { MeasureIdle(state, true); }

void BM_BinaryCapture(benchmark::State& state) {
  // 30 000 bytes, far more each poll than a line holds: every line is full (15 records).
  const sim::ParsedScenario parsed = sim::parseScenario(R"(
scenario bench-binary
at 0.0 dc 1 -8.0
call 1.0 "CONNECT 14400"
  rate 14400
  hex +0.1 answer 00 11 22 33 44 55 66 77 88 99 every 0.1 count 3000
  end +400.0 code 9
endcall
length 1000
)");
  const std::size_t expected = sim::renderCall(parsed.scenario.calls[0]).bytes.size();
  Stack stack;
  CORUData store;
  Worker worker(store);
  for (auto _ : state) {
    worker.notes.Clear();
    store.WithCapture([](CaptureScope& capture) {
      capture.captureBuffer().RemoveAll();
      capture.captureHeaders().RemoveAll();
    });
    stack.instrument->loadScenario(parsed.scenario);
    const double cpu0 = ProcessCpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    PostThreadMessage(worker.context.commThreadId, WM_ORU_START_CAPTURE, 0, 0);
    if (!worker.notes.WaitForMessage(WM_ORU_ABORT_CAPTURE, kHangMs)) state.SkipWithError("capture did not end");
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    const int records =
        store.WithCapture([](const CaptureScope& capture) { return capture.captureBuffer().GetSize(); });
    if (static_cast<std::size_t>(records) != expected) state.SkipWithError("records were lost");
    state.counters["records"] = records;
    state.counters["records_per_second"] = records / wall;
    state.counters["cpu_percent_of_one_core"] = 100.0 * (ProcessCpuSeconds() - cpu0) / wall;
  }
}

BENCHMARK(BM_WorkerIdleWithoutInstrument)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorkerIdleWithInstrument)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BinaryCapture)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
