#include "link/worker/SignalTraceStream.h"

#include <mutex>
#include <string>

#include "link/protocol/InstrumentDevice.h"
#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"

int SignalTraceStream::StartStream(int line) {
  if (line < 1 || line > 3) return 0;
  if (!transport_.SendCommand("DM:" + std::to_string(line))) return 0;
  if (!transport_.ReadReply(kReplyTimeoutMs)) return 0;
  return transport_.replyText == "dm" ? 1 : 0;
}

int SignalTraceStream::StopStream() {
  HANDLE device = transport_.Context().deviceHandle;
  if (device != INVALID_HANDLE_VALUE) SetPipeMode(device, oru::PIPE_MODE_BULK1);
  // Without an instrument a read "succeeds" at once with nothing: never drain then.
  for (int read = 0; read < kMaxDrainReads && transport_.Context().DeviceOpen(); ++read) {
    if (!transport_.ReadReply(kReplyTimeoutMs) || transport_.replyLength == 0) break;
  }
  if (!transport_.SendCommand("DM:0")) return 0;
  if (!transport_.ReadReply(kReplyTimeoutMs)) return 0;
  return transport_.replyText == "dm" ? 1 : 0;
}

void SignalTraceStream::ReadStreamBlock() {
  CORUData& store = transport_.Store();
  const int index = intakeIndex_;
  UCHAR* buffer = store.StreamBuffer(index);
  int read = 0;
  {
    std::lock_guard guard(store.TraceBufferMutex(index));
    read = transport_.ReadBlock(buffer);
  }
  transport_.Notify(WM_ORU_TRACE_DATA_READY, reinterpret_cast<WPARAM>(buffer), index);
  intakeIndex_ = 1 - index;
  // A block that could not be read is not asked for again at once: the instrument may be gone.
  if (!read) transport_.Signals().WaitForExit(kWorkerIdleWaitMs);
}

void SignalTraceStream::Run(int line) {
  CORUData& store = transport_.Store();
  if (!StartStream(line)) return;
  store.statusText.Set("Signal trace in process");
  store.ExchangeRun([](RunState& run) { run.trace = TraceRun::Running; });
  for (;;) {
    MSG message{};
    if (queue_.Take(message)) {
      if (message.message == WM_ORU_STOP_SIGNAL_TRACE) {
        StopStream();
        store.ExchangeRun([](RunState& run) { run.trace = TraceRun::Idle; });
        return;
      }
      queue_.Drop(message);
      continue;
    }
    if (transport_.Signals().ExitRequested()) {
      // The order every user of these locks keeps: buffer 1, buffer 2, then dataMutex.
      std::lock_guard first(store.TraceBufferMutex(0));
      std::lock_guard second(store.TraceBufferMutex(1));
      std::lock_guard data(LinkFields(store).dataMutex);
      StopStream();
      store.ExchangeRun([](RunState& run) { run.trace = TraceRun::Idle; });
      return;
    }
    if (!transport_.Context().DeviceOpen()) {
      store.ExchangeRun([](RunState& run) { run.trace = TraceRun::Idle; });
      return;
    }
    ReadStreamBlock();
  }
}
