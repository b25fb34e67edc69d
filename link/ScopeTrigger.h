#pragma once

// The scope trigger's abort and the reader of its "tc:" replies. The abort runs at every
// (re)initialisation and on WM_ORU_STOP_TRIGGERED_TRACE.

#include "link/CommTransport.h"

class ScopeTrigger {
 public:
  explicit ScopeTrigger(CommTransport& transport) : transport_(transport) {}

  // Clears the trace flags; without an instrument notifies WM_ORU_STOP_TRIGGERED_TRACE at once,
  // otherwise sends the abort request and "TC:2" and reads its answer (2000 ms).
  void AbortScope();

  // Reads the "tc:" reply in the transport. 1 only for state 0 (armed, waiting).
  int ReadTraceReply();

 private:
  void TakeSamples(std::string_view fields);

  CommTransport& transport_;
};
