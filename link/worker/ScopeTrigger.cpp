#include "link/worker/ScopeTrigger.h"

#include <charconv>
#include <mutex>
#include <string>

#include "link/worker/DeviceLoss.h"
#include "link/store/DocumentType.h"
#include "link/protocol/InstrumentDevice.h"
#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"

namespace {

constexpr DWORD kAfterAbortRequestMs = 200;
constexpr DWORD kAfterTriggerMs = 100;
constexpr DWORD kBeforeEndMs = 200;
constexpr int kTraceSampleCount = 1000;
constexpr int kStateEnded = 2;
constexpr int kStateAborted = 3;

// The decimal state after "tc:", or -1.
int ReplyState(std::string_view reply) {
  if (!reply.starts_with("tc:") || reply.size() < 4) return -1;
  int state = -1;
  const char* first = reply.data() + 3;
  auto [end, error] = std::from_chars(first, reply.data() + reply.size(), state);
  if (error != std::errc() || end == first) return -1;
  return state;
}

}  // namespace

void ScopeTrigger::AbortScope() {
  CORUData& store = transport_.Store();
  const bool wasOn = TakeTrace(store);
  HANDLE device = transport_.Context().deviceHandle;
  if (device == INVALID_HANDLE_VALUE) {
    transport_.Notify(WM_ORU_STOP_TRIGGERED_TRACE);
    return;
  }
  SendAbortRequest(device);
  transport_.Signals().WaitForExit(kAfterAbortRequestMs);
  const int sent = transport_.SendCommand("TC:2");
  store.statusText.Set("Aborting signal trace");
  if (sent && transport_.ReadReply(kAbortTimeoutMs)) {
    const int state = ReplyState(transport_.replyText);
    ReadTraceReply();
    if (state == kStateEnded || state == kStateAborted) return;  // announced by the reply
  }
  // The instrument did not confirm the end (it went, or answered otherwise): a trace that was on
  // ends here, or the trace control would wait for an end that never comes.
  if (wasOn) transport_.Notify(WM_ORU_STOP_TRIGGERED_TRACE);
}

void ScopeTrigger::ArmScopeTrigger(int line) {
  CORUData& store = transport_.Store();
  if (!transport_.Context().DeviceOpen()) {
    AbortScope();
    return;
  }
  // The text comes first: a window that sees the trigger armed reads why the line waits.
  store.statusText.Set("Waiting for scope trigger");
  store.ExchangeRun([](RunState& run) { run.trace = TraceRun::TriggerArmed; });
  const int sent = transport_.SendCommand("TC:0:" + std::to_string(line) + ":" + std::to_string(kTraceSampleCount));
  if (!sent) {
    // Nothing polls a trigger that was never armed: it ends at once.
    AbortScope();
    return;
  }
  if (!transport_.ReadReply(kArmTimeoutMs)) transport_.replyText.clear();
  // An armed answer leaves the trigger armed and polled; anything else ends it here, a trace
  // that fired meanwhile included.
  if (ReadTraceReply()) return;
  store.ExchangeRun([](RunState& run) {
    if (run.trace == TraceRun::Running) run.trace = TraceRun::Idle;
  });
  AbortScope();
}

void ScopeTrigger::PollScope() {
  CORUData& store = transport_.Store();
  for (;;) {
    if (!transport_.SendCommand("TC:1")) {
      // The poll did not reach the instrument: rest as the idle program does before the next
      // try; the idle step ends the trace once the instrument is known to be gone.
      transport_.Signals().WaitForExit(kWorkerIdleWaitMs);
      return;
    }
    if (!transport_.ReadReply(kTracePollTimeoutMs)) transport_.replyText.clear();
    if (ReadTraceReply() == 0 || store.Run().traceTriggerArmed()) break;
  }
  if (store.Run().traceRunning()) return;
  transport_.Signals().WaitForExit(kBeforeEndMs);
  if (transport_.SendCommand("TC:2")) transport_.ReadReply(kTraceEndTimeoutMs);
}

int ScopeTrigger::ReadTraceReply() {
  CORUData& store = transport_.Store();
  const std::string& reply = transport_.replyText;
  switch (ReplyState(reply)) {
    case 0:
      store.endOfCaptureCode = 0;
      store.ExchangeRun([](RunState& run) { run.trace = TraceRun::TriggerArmed; });
      return 1;
    case 1: {
      bool triggered = false;
      {
        auto& fields = LinkFields(store);
        std::lock_guard guard(fields.dataMutex);
        if (store.Run().traceTriggerArmed()) {
          store.ClearTrace(TraceKind::Triggered);
          fields.currentTrace.spanIndex = fields.sysCfg.traceSpan;
          fields.currentTrace.scaleIndex = fields.sysCfg.traceScale;
          fields.currentTrace.voltageLevel = fields.sysCfg.traceLevel;
          store.ExchangeRun([](RunState& run) { run.trace = TraceRun::Running; });
          triggered = true;
        }
      }
      if (triggered) {
        transport_.Notify(WM_ORU_TRACE_TRIGGERED);
        transport_.Signals().WaitForExit(kAfterTriggerMs);
      }
      store.statusText.Set("Capture in process");
      if (reply.size() >= 6) TakeSamples(std::string_view(reply).substr(4));
      return 0;
    }
    case kStateEnded:
      store.ExchangeRun([](RunState& run) { run.trace = TraceRun::Idle; });
      transport_.Notify(WM_ORU_START_SIGNAL_TRACE);
      transport_.Notify(WM_ORU_STOP_TRIGGERED_TRACE);
      return 0;
    case kStateAborted:
      store.ExchangeRun([](RunState& run) { run.trace = TraceRun::Idle; });
      transport_.Notify(WM_ORU_START_SIGNAL_TRACE);
      transport_.Notify(WM_ORU_STOP_TRIGGERED_TRACE);
      return 0;
    default:
      return 0;
  }
}

// `fields` starts at the colon after the state; each field closed by a colon is one sample.
void ScopeTrigger::TakeSamples(std::string_view fields) {
  CORUData& store = transport_.Store();
  for (;;) {
    if (fields.empty() || fields.front() != ':') break;
    fields.remove_prefix(1);
    const auto close = fields.find(':');
    if (close == std::string_view::npos) break;  // a last field without its colon is not taken
    int sample = 0;
    std::from_chars(fields.data(), fields.data() + close, sample);
    {
      auto& storeFields = LinkFields(store);
      std::lock_guard guard(storeFields.dataMutex);
      storeFields.traceSamples.Add(sample);
    }
    fields.remove_prefix(close);
  }
  DocumentState* document = transport_.Context().document;
  if (document != nullptr && document->IsDocumentOpen()) document->SetTypeModified(true, DocumentType::Trace);
}
