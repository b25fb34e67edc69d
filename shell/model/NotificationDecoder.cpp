#include "shell/model/NotificationDecoder.h"

#include <algorithm>
#include <limits>

#include "link/protocol/WorkerMessages.h"

namespace notify {
namespace {

constexpr int kOutOfRange = -1;

// A row, slot, line or index: one that does not fit an int must not wrap onto a valid one.
int SmallNumber(WPARAM value) {
  return value <= static_cast<WPARAM>(std::numeric_limits<int>::max()) ? static_cast<int>(value) : kOutOfRange;
}
int SmallNumber(LPARAM value) {
  return value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max() ? static_cast<int>(value)
                                                                                              : kOutOfRange;
}
// A byte count: one past 32 bits reads as the largest, never as a small one.
std::uint32_t ByteCount(unsigned long long value) {
  return value <= std::numeric_limits<std::uint32_t>::max() ? static_cast<std::uint32_t>(value)
                                                            : std::numeric_limits<std::uint32_t>::max();
}

// A negative size is no size the worker sends; it reads as the largest, as a wrapped one did.
std::uint32_t FileSize(LPARAM value) {
  return value < 0 ? std::numeric_limits<std::uint32_t>::max() : ByteCount(static_cast<unsigned long long>(value));
}

}  // namespace

Notification DecodeNotification(UINT id, WPARAM w, LPARAM l) {
  switch (id) {
    case WM_ORU_GET_CONFIG:
      return ConfigRead{};
    case WM_ORU_GET_SESSION_HEADER:
      return SessionHeader{SmallNumber(w)};
    case WM_ORU_START_CAPTURE:
      return CaptureStarted{SmallNumber(w)};
    case WM_ORU_GET_CAPTURE_DATA:
      return CaptureDataArrived{SmallNumber(w)};
    case WM_ORU_ABORT_CAPTURE:
      return CaptureEnded{w <= std::numeric_limits<std::uint16_t>::max() ? static_cast<int>(w) : kOutOfRange};
    case WM_ORU_CALIBRATION_STEP_DONE:
      return CalibrationStepResult{SmallNumber(w), SmallNumber(l)};
    case WM_ORU_GET_CAL_FACTORS:
      return CalibrationFactorsRead{SmallNumber(w), SmallNumber(l)};
    case WM_ORU_SET_CLOCK_FROM_PC:
      return ClockSetResult{w != 0};
    case WM_ORU_START_SIGNAL_TRACE:
      return SignalTraceEnded{};
    case WM_ORU_TRACE_DATA_READY:
      return TraceBlock{reinterpret_cast<const unsigned char*>(w), SmallNumber(l)};
    case WM_ORU_STOP_LINE_TEST:
    case WM_ORU_STOP_DTMF_DECODER:
      return MeterStopped{};
    case WM_ORU_LINE_TEST_DATA:
      return LineTestReading{};
    case WM_ORU_START_DTMF_DECODER:
      return DtmfDecoderStarted{SmallNumber(w)};
    case WM_ORU_DTMF_DATA:
      return DtmfDigits{};
    case WM_ORU_DOWNLOAD_FIRMWARE:
      // An outcome this build does not know reports nothing, as a 2058 without one did.
      return w <= static_cast<WPARAM>(DownloadOutcome::Aborted)
                 ? DownloadFinished{static_cast<DownloadOutcome>(w), std::max(SmallNumber(l), 0)}
                 : DownloadFinished{};
    case WM_ORU_DOWNLOAD_PROGRESS:
      return DownloadProgress{ByteCount(w), FileSize(l)};
    case WM_ORU_SHOW_ABOUT:
      return AboutRequested{};
    case WM_ORU_GET_TRACE_HEADER:
      return TraceHeader{SmallNumber(w)};
    case WM_ORU_TRACE_RECALL_DONE:
    case WM_ORU_STOP_TRIGGERED_TRACE:
      return TraceFinished{};
    case WM_ORU_TRACE_TRIGGERED:
      return TraceTriggered{};
    case WM_ORU_DEVICE_CONNECTED:
      return DeviceReady{};
    case WM_ORU_ENABLE_V21:
    case WM_ORU_DISABLE_V21:
      return V21Offered{id == WM_ORU_ENABLE_V21};
    case WM_ORU_ENABLE_60S_SPAN:
    case WM_ORU_DISABLE_60S_SPAN:
      return SixtySecondSpanOffered{id == WM_ORU_ENABLE_60S_SPAN};
    default:
      return std::monostate{};
  }
}

}  // namespace notify
