#pragma once

// The streamed trace (WM_ORU_START_SIGNAL_TRACE): "DM:line" starts the instrument's stream, then
// 2560-byte blocks go alternately into the store's two intake buffers, each written under its own
// lock and announced with WM_ORU_TRACE_DATA_READY (address, index), until
// WM_ORU_STOP_SIGNAL_TRACE, the exit request or the loss of the instrument.

#include "link/protocol/CommTransport.h"
#include "link/worker/RequestQueue.h"

class SignalTraceStream {
 public:
  // Replies read at most while draining after a stop: an instrument that keeps talking cannot
  // hold the worker.
  static constexpr int kMaxDrainReads = 64;

  SignalTraceStream(CommTransport& transport, RequestQueue& queue) : transport_(transport), queue_(queue) {}

  // The whole streamed trace; the caller notifies WM_ORU_START_SIGNAL_TRACE afterwards.
  void Run(int line);

  // "DM:1".."DM:3"; 1 when the answer is exactly "dm".
  int StartStream(int line);
  // Back to the command pipes, drain, "DM:0"; 1 when the answer is exactly "dm".
  int StopStream();
  // One block into the intake buffer in turn, then its notification (posted even when the read
  // failed; the buffer then keeps what the read left in it).
  void ReadStreamBlock();

 private:
  CommTransport& transport_;
  RequestQueue& queue_;
  int intakeIndex_ = 0;
};
