#pragma once

// What is armed and running, as one value: the store holds one and changes it only under
// dataMutex (CORUData::ExchangeRun), so a caller that asks "was it on?" gets the answer from the
// same step that switched it off, and only one thread ever acts on an activity's end.

#include "platform/nt/BaseTypes.h"

enum class CaptureRun : unsigned char { Idle, Armed, Running };

// A triggered trace is polled from the moment it is armed: TriggerArmed counts as running for the
// idle step. The streamed trace uses Running alone.
enum class TraceRun : unsigned char { Idle, TriggerArmed, Running };

// Eight bytes, so that the store's atomic copy of it needs no lock of its own.
struct alignas(8) RunState {
  CaptureRun capture = CaptureRun::Idle;
  TraceRun trace = TraceRun::Idle;
  bool lineTest = false;
  bool dtmf = false;
  bool download = false;
  // Counts the captures: moves on whenever the capture leaves Idle (CORUData::ExchangeRun). The
  // end of a capture is announced with its number, so that an end read late never ends the next.
  USHORT captureNumber = 0;

  bool captureArmed() const { return capture == CaptureRun::Armed; }
  bool captureRunning() const { return capture == CaptureRun::Running; }
  bool captureBusy() const { return capture != CaptureRun::Idle; }
  bool traceTriggerArmed() const { return trace == TraceRun::TriggerArmed; }
  bool traceRunning() const { return trace != TraceRun::Idle; }
  bool lineTestRunning() const { return lineTest; }
  bool dtmfRunning() const { return dtmf; }
  bool downloadRunning() const { return download; }
  bool anyArmedOrRunning() const { return captureBusy() || traceRunning(); }

  bool operator==(const RunState&) const = default;
};

// The steps the worker's replies take. A capture's data flows unless it still waits for its
// trigger; its running flag cleared leaves an armed capture armed.
inline void MarkCaptureRunning(RunState& run) {
  if (run.capture != CaptureRun::Armed) run.capture = CaptureRun::Running;
}
inline void StopCaptureRunning(RunState& run) {
  if (run.capture == CaptureRun::Running) run.capture = CaptureRun::Idle;
}
