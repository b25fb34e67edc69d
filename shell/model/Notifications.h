#pragma once

// The worker's notifications as the windows receive them: one named type per kind of news, decoded
// once from the posted message (NotificationDecoder). Most say only that shared data in the store is
// fresh; the few numbers a notification carries are named here. A number outside its range stays
// out of range (a row, slot, line or index of -1), so the receiver ignores it as before.

#include <cstdint>
#include <variant>

#include "link/protocol/DownloadOutcome.h"

namespace notify {

// 2026: the configuration bytes in sysCfg are fresh.
struct ConfigRead {
  bool operator==(const ConfigRead&) const = default;
};
// 2032: one stored-session header has arrived; `slot` 0..8 is the recall dialog's row - 1.
struct SessionHeader {
  int slot = 0;
  bool operator==(const SessionHeader&) const = default;
};
// 2033: a capture has started, or new capture data is in the store. `row` is passed on to the
// stored-trace recall dialog and the session-recall dialog as the 2065 and 2032 rows are.
struct CaptureStarted {
  int row = 0;
  bool operator==(const CaptureStarted&) const = default;
};
// 2034: a stored session has been downloaded into the store.
struct CaptureDataArrived {
  int row = 0;
  bool operator==(const CaptureDataArrived&) const = default;
};
// 2038: the capture has ended, for any reason; `capture` is its number (RunState::captureNumber),
// -1 for a number the worker cannot have sent.
struct CaptureEnded {
  int capture = 0;
  bool operator==(const CaptureEnded&) const = default;
};
// 2042: one calibration step is measured; `step` as requested, CALIBRATION_STEP_FAILED set when
// the worker could not measure it.
struct CalibrationStepResult {
  int line = 0;
  int step = 0;
  bool operator==(const CalibrationStepResult&) const = default;
};
// 2045: the calibration factors of `line` and `group` (a group's bits, or a step's) were read.
struct CalibrationFactorsRead {
  int line = 0;
  int group = 0;
  bool operator==(const CalibrationFactorsRead&) const = default;
};
// 2048: the device clock was set from the PC clock, or could not be.
struct ClockSetResult {
  bool succeeded = false;
  bool operator==(const ClockSetResult&) const = default;
};
// 2049: a streamed or triggered signal trace has ended.
struct SignalTraceEnded {
  bool operator==(const SignalTraceEnded&) const = default;
};
// 2051: one streamed block is ready in the worker's stream buffer `index` (0 or 1) at `buffer`.
struct TraceBlock {
  const unsigned char* buffer = nullptr;
  int index = 0;
  bool operator==(const TraceBlock&) const = default;
};
// 2053, 2056: the volt-meter loop or the DTMF loop has ended.
struct MeterStopped {
  bool operator==(const MeterStopped&) const = default;
};
// 2054: a new volt-meter reading is in the shared texts.
struct LineTestReading {
  bool operator==(const LineTestReading&) const = default;
};
// 2055: the DTMF decoder runs on `line` (1, 2, or 3 for both).
struct DtmfDecoderStarted {
  int line = 0;
  bool operator==(const DtmfDecoderStarted&) const = default;
};
// 2057: new DTMF digits are in the store.
struct DtmfDigits {
  bool operator==(const DtmfDigits&) const = default;
};
// 2058: the firmware download has ended, with or without success: how, and the file's line
// that outcome names (0: none).
struct DownloadFinished {
  DownloadOutcome outcome = DownloadOutcome::Done;
  int line = 0;
  bool operator==(const DownloadFinished&) const = default;
};
// 2060: `bytesSent` of a file of `fileSize` bytes have gone to the device.
struct DownloadProgress {
  std::uint32_t bytesSent = 0;
  std::uint32_t fileSize = 0;
  bool operator==(const DownloadProgress&) const = default;
};
// 2061: show the About box.
struct AboutRequested {
  bool operator==(const AboutRequested&) const = default;
};
// 2065: one stored-trace header has arrived; `row` 0..2 is the trace recall dialog's row - 1.
struct TraceHeader {
  int row = 0;
  bool operator==(const TraceHeader&) const = default;
};
// 2067, 2069: a stored trace was downloaded, or the triggered trace ended.
struct TraceFinished {
  bool operator==(const TraceFinished&) const = default;
};
// 2070: the scope trigger fired; its samples follow in the store.
struct TraceTriggered {
  bool operator==(const TraceTriggered&) const = default;
};
// 2071: the initialisation after a (re)connection is done.
struct DeviceReady {
  bool operator==(const DeviceReady&) const = default;
};
// 2078, 2079: whether the firmware offers the V.21 standard.
struct V21Offered {
  bool offered = false;
  bool operator==(const V21Offered&) const = default;
};
// 2080, 2081: whether the firmware offers the 60 s trace span.
struct SixtySecondSpanOffered {
  bool offered = false;
  bool operator==(const SixtySecondSpanOffered&) const = default;
};

// std::monostate: a message that is no notification the windows act on (2025, 2072, ...).
using Notification = std::variant<std::monostate, ConfigRead, SessionHeader, CaptureStarted, CaptureDataArrived,
                                  CaptureEnded, CalibrationStepResult, CalibrationFactorsRead, ClockSetResult,
                                  SignalTraceEnded, TraceBlock, MeterStopped, LineTestReading, DtmfDecoderStarted,
                                  DtmfDigits, DownloadFinished, DownloadProgress, AboutRequested, TraceHeader,
                                  TraceFinished, TraceTriggered, DeviceReady, V21Offered, SixtySecondSpanOffered>;

}  // namespace notify
