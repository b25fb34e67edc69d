// "1000 times" of the development dialog: one thousand overlapped writes of "VN" from a thread
// other than the worker's, each waited for, through the whole simulated stack. The instrument
// queues (and drops) the replies nobody reads, as the real one does.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "driver/install/OruDriverStore.h"
#include "link/worker/CommThread.h"
#include "link/protocol/InstrumentDevice.h"
#include "link/protocol/WorkerMessages.h"
#include "maintenance/calibration/DevelopActions.h"
#include "platform/machine/Machine.h"
#include "platform/win32/HandleTable.h"
#include "platform/win32/Win32.h"
#include "sim/Instrument.h"

namespace {

constexpr DWORD kHangMs = 60000;

struct CountingOutput final : DevelopOutput {
  void ListLine(const std::string&) override {}
  void BytesWritten(DWORD count) override { written += count; }
  void BytesRead(DWORD) override {}
  DWORD written = 0;
};

void BM_DevelopThousandSends(benchmark::State& state) {
  platform::Machine machine;
  oru::InstallDriver(machine);
  sim::InstrumentOptions options;
  options.clock.mode = sim::TimeMode::PerCommand;
  options.clock.perCommand = sim::millis(1);
  options.prefillMemory = false;
  sim::Instrument instrument(options);
  machine.plug(instrument);
  auto attached = std::make_unique<win32::DeviceSystemAttachment>(machine.kernel());

  CORUData store;
  LinkContext context(store);
  CreateCommExitEvents(context);
  std::unique_ptr<CORUCommThread> worker = CORUCommThread::Start(context);
  worker->WaitForPublishedId(kHangMs);
  context.deviceHandle = OpenInstrument();
  if (context.deviceHandle == INVALID_HANDLE_VALUE) {
    state.SkipWithError("the instrument did not open");
  } else {
    DevelopDeviceIo io(context);
    CountingOutput output;
    DevelopActions actions(io, output);
    for (auto _ : state) {
      output.written = 0;
      if (!actions.Send("VN", true) || output.written != 2 * kDevelopRepeatCount) {
        state.SkipWithError("a write failed");
        break;
      }
    }
    state.counters["writes"] =
        benchmark::Counter(static_cast<double>(kDevelopRepeatCount) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    CloseHandle(context.deviceHandle.exchange(INVALID_HANDLE_VALUE));
  }
  StopCommThread(context);
  worker.reset();
  CloseCommExitEvents(context);
  attached.reset();
  machine.shutdown();
}
BENCHMARK(BM_DevelopThousandSends)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
