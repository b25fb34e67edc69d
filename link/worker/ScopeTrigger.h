#pragma once

// The triggered trace: arming (WM_ORU_START_TRIGGERED_TRACE), the idle step's polling, the abort
// (every (re)initialisation and WM_ORU_STOP_TRIGGERED_TRACE) and the reader of the "tc:" replies.

#include "link/protocol/CommTransport.h"

class ScopeTrigger {
 public:
  explicit ScopeTrigger(CommTransport& transport) : transport_(transport) {}

  // Ends the triggered trace's run state; without an instrument notifies WM_ORU_STOP_TRIGGERED_TRACE at once,
  // otherwise sends the abort request and "TC:2" and reads its answer (2000 ms).
  void AbortScope();

  // Arms the trigger and sends "TC:0:line:1000". An armed answer leaves it armed (and polled); any
  // other answer aborts. Without an instrument the trace ends and
  // WM_ORU_STOP_TRIGGERED_TRACE is posted, as an abort without one does.
  void ArmScopeTrigger(int line);

  // One polling session of the idle step: "TC:1" until a reply ends it or the trigger is armed;
  // when the trace is over, "TC:2".
  void PollScope();

  // Reads the "tc:" reply in the transport. 1 only for state 0 (armed, waiting).
  int ReadTraceReply();

 private:
  void TakeSamples(std::string_view fields);

  CommTransport& transport_;
};
