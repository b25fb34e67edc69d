#pragma once

// The worker's view of the exit request: every loop and every wait of the worker looks at it, so
// that the program's exit is never held up by a slow or silent instrument.

#include "link/protocol/LinkContext.h"

// The worker's wait between idle steps while it has nothing to poll, and its rest after a
// command that could not reach the instrument: it never retries a dead device faster.
constexpr DWORD kWorkerIdleWaitMs = 50;

class WorkerSignals {
 public:
  explicit WorkerSignals(LinkContext& context) : context_(context) {}

  // The exit request is set. Before the application has made its events, never.
  bool ExitRequested() const;

  // Waits up to `milliseconds` for the exit request; true when it is set. Without the event it
  // sleeps for the whole time.
  bool WaitForExit(DWORD milliseconds) const;

  enum class Woken { TimedOut, Exit, Message };
  // Waits up to `milliseconds` for the exit request or a message in this thread's queue.
  Woken WaitForExitOrMessage(DWORD milliseconds) const;

  HANDLE ExitRequest() const { return context_.commExitRequest.load(); }

 private:
  LinkContext& context_;
};
