#include "link/worker/CommThread.h"

#include <pthread.h>
#include <time.h>

#include "link/protocol/CalibrationCommands.h"
#include "link/worker/CalibrationStep.h"
#include "link/worker/CaptureSession.h"
#include "link/protocol/ClockCommands.h"
#include "link/protocol/CommTransport.h"
#include "link/worker/DtmfLoop.h"
#include "link/protocol/ConfigCommands.h"
#include "link/worker/DeviceLoss.h"
#include "link/worker/FirmwareDownload.h"
#include "link/protocol/FirmwareVersion.h"
#include "link/protocol/InstrumentDevice.h"
#include "link/worker/RequestQueue.h"
#include "link/worker/ScopeTrigger.h"
#include "link/worker/SignalTraceStream.h"
#include "link/protocol/StoredDirectory.h"
#include "link/protocol/StoredDownload.h"
#include "link/worker/VoltMeterLoop.h"
#include "link/protocol/WorkerMessages.h"
#include "link/protocol/WorkerSignals.h"
#include "link/store/LinkAccess.h"
#include "platform/win32/DeviceIo.h"
#include "platform/win32/Event.h"
#include "platform/win32/HandleTable.h"
#include "platform/win32/ThreadMessages.h"
#include "platform/win32/Wait.h"

// Everything the worker talks to the instrument with; made on the worker thread when it starts and
// gone before it signals its end.
struct WorkerParts {
  WorkerParts(LinkContext& context, const WorkerClock& clock, WorkerLoad& load)
      : signals(context),
        transport(context, signals, &load),
        queue(transport),
        config(transport),
        scope(transport),
        version(transport),
        capture(transport, queue, config, clock),
        download(transport, queue),
        stream(transport, queue),
        calibration(transport),
        calibrationStep(transport, calibration),
        meterLoop{transport, queue, config, download} {}

  WorkerSignals signals;
  CommTransport transport;
  RequestQueue queue;
  ConfigCommands config;
  ScopeTrigger scope;
  FirmwareVersion version;
  CaptureSession capture;
  FirmwareDownload download;
  SignalTraceStream stream;
  CalibrationCommands calibration;
  CalibrationStep calibrationStep;
  MeterLoopParts meterLoop;
};

namespace {

constexpr DWORD kPollingWaitMs = 1;

// How long the loop waits for a request before the next idle step: short while a capture or a
// scope trigger is polled on an open instrument, the idle wait otherwise (with no instrument
// there is nothing to poll). A request or the exit request ends either wait at once.
DWORD IdleWaitMs(const LinkContext& context) {
  const CORUData& store = context.dataStore;
  const RunState run = store.Run();
  const bool polling = run.captureBusy() || run.traceRunning();
  return polling && context.DeviceOpen() ? kPollingWaitMs : kWorkerIdleWaitMs;
}

}  // namespace

std::unique_ptr<CORUCommThread> CORUCommThread::Start(LinkContext& context, WorkerClock clock) {
  std::unique_ptr<CORUCommThread> worker(new CORUCommThread(context, std::move(clock)));
  worker->thread_ = std::thread([raw = worker.get()] { raw->ThreadMain(); });
  return worker;
}

CORUCommThread::CORUCommThread(LinkContext& context, WorkerClock clock) : context_(context), clock_(std::move(clock)) {}

CORUCommThread::~CORUCommThread() { Join(); }

void CORUCommThread::Join() {
  if (thread_.joinable()) thread_.join();
}

bool CORUCommThread::WaitForPublishedId(DWORD milliseconds) {
  std::unique_lock lock(publishLock_);
  return published_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return idPublished_; });
}

std::chrono::nanoseconds CORUCommThread::CpuTime() {
  clockid_t clock{};
  timespec used{};
  if (!thread_.joinable() || pthread_getcpuclockid(thread_.native_handle(), &clock) != 0 ||
      clock_gettime(clock, &used) != 0)
    return std::chrono::nanoseconds(0);
  return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
}

void CORUCommThread::ThreadMain() {
  parts_ = std::make_unique<WorkerParts>(context_, clock_, load_);
  Run();
  parts_.reset();
  // The last act: from here on the application may free everything the worker used.
  if (HANDLE exitEvent = context_.commExitEvent) SetEvent(exitEvent);
}

int CORUCommThread::Run() {
  // The queue exists from the thread's first call on; the id goes out before any command.
  context_.commThreadId = GetCurrentThreadId();
  {
    std::lock_guard lock(publishLock_);
    idPublished_ = true;
  }
  published_.notify_all();

  if (!context_.DeviceOpen()) {
    OpenAtStart();
    Initialise();
  }

  WorkerParts& parts = *parts_;
  for (;;) {
    MSG message{};
    if (parts.queue.Take(message)) {
      if (IsWorkerRequest(message.message)) {
        Dispatch(message);
      } else {
        parts.queue.Drop(message);
      }
      continue;
    }
    const auto woken = parts.signals.WaitForExitOrMessage(IdleWaitMs(context_));
    if (woken == WorkerSignals::Woken::Exit) break;
    if (woken == WorkerSignals::Woken::TimedOut) OnIdle(0);
  }

  StopArmedAtExit();
  context_.commThreadId = 0;
  if (HANDLE device = context_.deviceHandle; device != INVALID_HANDLE_VALUE) {
    CancelIo(device);
    parts.transport.CloseDevice();
  }
  return 0;
}

void CORUCommThread::StopArmedAtExit() {
  if (!context_.DeviceOpen()) return;
  WorkerParts& parts = *parts_;
  const RunState run = context_.dataStore.Run();
  // The streamed trace ends inside its own loop; a trace still on here is the triggered one.
  if (run.captureBusy()) parts.capture.AbortCapture();
  if (run.traceRunning()) parts.scope.AbortScope();
}

void CORUCommThread::OpenAtStart() {
  HANDLE device = OpenInstrument();
  if (device == INVALID_HANDLE_VALUE) return;
  HANDLE none = INVALID_HANDLE_VALUE;
  // The main frame may have opened it meanwhile on an arrival; keep the one handle.
  if (!context_.deviceHandle.compare_exchange_strong(none, device)) CloseHandle(device);
}

void CORUCommThread::Initialise() {
  WorkerParts& parts = *parts_;
  // A replug quicker than the idle step leaves the old instrument's capture or trace behind.
  EndLostActivities(parts.transport);
  context_.dataStore.replyLines.Clear();
  parts.scope.AbortScope();
  parts.capture.StopCapture(0);
  parts.config.ReadMeasuredValues();
  parts.config.SendInitialSettings();
  parts.version.ReadVersion();
}

void CORUCommThread::Reconnect() {
  WorkerParts& parts = *parts_;
  SetPipeMode(context_.deviceHandle, oru::PIPE_MODE_BULK1);
  parts.capture.StopCapture(0);
  parts.config.ReadMeasuredValues();
  parts.config.SendInitialSettings();
  parts.version.ReadVersion();
}

int CORUCommThread::OnIdle(LONG) {
  ++load_.idleSteps;
  WorkerParts& parts = *parts_;
  CORUData& store = context_.dataStore;
  // Nothing is polled on a handle known to be closed.
  if (context_.DeviceOpen()) {
    const RunState run = store.Run();
    if (run.captureBusy()) {
      parts.capture.PollCapture();
    } else if (run.traceRunning()) {
      parts.scope.PollScope();
    }
  }

  if (!context_.DeviceOpen()) {
    EndLostActivities(parts.transport);
    if (context_.DeviceOpen()) Reconnect();
  }
  return 0;
}

void CORUCommThread::Dispatch(const MSG& message) {
  WorkerParts& parts = *parts_;
  CommTransport& transport = parts.transport;
  CORUData& store = context_.dataStore;
  switch (message.message) {
    case WM_ORU_SET_CONFIG:
      parts.config.ApplySettings(static_cast<ULONG>(message.wParam));
      parts.config.ReadConfiguration();
      transport.Notify(WM_ORU_SET_CONFIG);
      break;
    case WM_ORU_GET_CONFIG:
      parts.config.ReadConfiguration();
      break;
    case WM_ORU_START_CAPTURE:
      parts.capture.StartCapture();
      break;
    case WM_ORU_ABORT_CAPTURE:
      if (store.Run().captureBusy()) {
        parts.capture.AbortCapture();
      } else {
        parts.capture.StopCapture(1);
      }
      break;
    case WM_ORU_SET_NOTIFY_WINDOW:
      transport.notifyWindow = reinterpret_cast<HWND>(message.wParam);
      parts.version.NotifyFeatures();
      break;
    case WM_ORU_SET_DEVELOP_WINDOW:
      // Accepted and ignored: the development dialog talks to the instrument itself.
      break;
    case WM_ORU_DOWNLOAD_FIRMWARE:
      parts.download.RunAndReport();
      break;
    case WM_ORU_START_TRIGGERED_TRACE:
      parts.config.ReadMeasuredValues();
      parts.scope.ArmScopeTrigger(static_cast<int>(message.wParam));
      break;
    case WM_ORU_START_SIGNAL_TRACE:
      parts.stream.Run(static_cast<int>(message.wParam));
      transport.Notify(WM_ORU_START_SIGNAL_TRACE);
      break;
    case WM_ORU_STOP_TRIGGERED_TRACE:
      parts.scope.AbortScope();
      break;
    case WM_ORU_DEVICE_CONNECTED:
      Initialise();
      transport.Notify(WM_ORU_DEVICE_CONNECTED);
      break;
    case WM_ORU_DEVICE_DISCONNECTED:
      transport.Notify(WM_ORU_DEVICE_DISCONNECTED);
      break;
    case WM_ORU_GET_SESSION_HEADER:
      ReadCaptureHeaders(transport, static_cast<int>(message.wParam));
      break;
    case WM_ORU_GET_TRACE_HEADER:
      ReadTraceHeaders(transport, static_cast<int>(message.wParam));
      break;
    case WM_ORU_GET_CAPTURE_DATA:
      DownloadCapture(transport, static_cast<int>(message.wParam));
      break;
    case WM_ORU_RECALL_TRACE:
      parts.config.ReadMeasuredValues();
      DownloadTrace(transport, static_cast<int>(message.wParam));
      break;
    case WM_ORU_SET_TRIGGER_STRING:
      SetTriggerText(transport);
      break;
    case WM_ORU_CALIBRATE_LINE:
      parts.calibrationStep.Run(static_cast<int>(message.wParam), static_cast<int>(message.lParam));
      break;
    case WM_ORU_SET_CAL_FACTORS:
      parts.calibration.SendFactors(static_cast<int>(message.wParam), static_cast<int>(message.lParam));
      break;
    case WM_ORU_GET_CAL_FACTORS: {
      std::lock_guard guard(LinkFields(store).dataMutex);
      parts.calibration.ReadFactors(static_cast<int>(message.wParam), static_cast<int>(message.lParam));
      transport.Notify(WM_ORU_GET_CAL_FACTORS, message.wParam, message.lParam);
      break;
    }
    case WM_ORU_STORE_CAL_FACTORS:
      parts.calibration.StoreFactors();
      break;
    case WM_ORU_SET_CLOCK_FROM_PC: {
      // wParam 1 when the instrument answered "sr", so the frame tells failure from success.
      const bool set = SetInstrumentClock(transport, clock_.localTime()) == 1;
      transport.Notify(WM_ORU_SET_CLOCK_FROM_PC, set ? 1 : 0);
      break;
    }
    case WM_ORU_SET_CLOCK:
      SetInstrumentClock(transport, context_.enteredClock.Get());
      break;
    case WM_ORU_START_LINE_TEST:
      RunVoltMeter(parts.meterLoop);
      break;
    case WM_ORU_START_DTMF_DECODER:
      RunDtmfDecoder(parts.meterLoop);
      break;
    default:
      // Taken only inside their loops (2050, 2053, 2056, 2059), or carried out by the stored-data,
      // trace, meter and calibration handlers.
      break;
  }
}

bool StopCommThread(LinkContext& context, DWORD timeoutMs) {
  HANDLE exitEvent = context.commExitEvent;
  if (exitEvent != nullptr && WaitForSingleObject(exitEvent, 1) == WAIT_OBJECT_0) return true;
  if (HANDLE request = context.commExitRequest) SetEvent(request);
  return exitEvent != nullptr && WaitForSingleObject(exitEvent, timeoutMs) == WAIT_OBJECT_0;
}

void CreateCommExitEvents(LinkContext& context) {
  context.commExitEvent = CreateEvent(nullptr, TRUE, FALSE, kCommExitEventName);
  context.commExitRequest = CreateEvent(nullptr, TRUE, FALSE, kCommExitRequestName);
  // A name still open from an earlier run in this process keeps its state: start clear.
  ResetEvent(context.commExitEvent);
  ResetEvent(context.commExitRequest);
}

void CloseCommExitEvents(LinkContext& context) {
  if (HANDLE event = context.commExitEvent.exchange(nullptr)) CloseHandle(event);
  if (HANDLE request = context.commExitRequest.exchange(nullptr)) CloseHandle(request);
}
