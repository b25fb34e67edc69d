#pragma once

// CORUCommThread: the one thread that talks to the instrument. It takes requests from its message
// queue, runs each as a command/reply exchange, writes the results into the data store and
// notifies the main frame; between requests it polls a running capture and watches for the loss
// of the instrument. It publishes its thread id before anything else and ends on the exit request,
// setting the exit event as its last act.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "link/protocol/LinkContext.h"
#include "link/protocol/WorkerClock.h"
#include "link/protocol/WorkerLoad.h"

struct WorkerParts;

class CORUCommThread {
 public:
  // Starts the thread. The application waits for the published id (WaitForPublishedId) before it
  // posts WM_ORU_SET_NOTIFY_WINDOW.
  static std::unique_ptr<CORUCommThread> Start(LinkContext& context, WorkerClock clock = WorkerClock::System());

  // Joins the thread; call StopCommThread first so that it is ending.
  ~CORUCommThread();
  CORUCommThread(const CORUCommThread&) = delete;
  CORUCommThread& operator=(const CORUCommThread&) = delete;

  // True once the thread has published its id in commThreadId (false after `milliseconds`).
  bool WaitForPublishedId(DWORD milliseconds);
  // Waits for the thread to end.
  void Join();

  // Idle steps and commands tried so far, and the processor time the thread has used (zero once
  // it has ended): what tests and benchmarks check the worker's rest against.
  const WorkerLoad& Load() const { return load_; }
  std::chrono::nanoseconds CpuTime();

 private:
  CORUCommThread(LinkContext& context, WorkerClock clock);

  void ThreadMain();
  int Run();
  int OnIdle(LONG count);
  // The start-up and WM_ORU_DEVICE_CONNECTED sequence.
  void Initialise();
  // The sequence after the idle step saw the instrument come back.
  void Reconnect();
  void Dispatch(const MSG& message);
  // At the exit request: a capture or scope trigger still armed or running is stopped on the
  // instrument (CA:2, TC:2), so that it does not go on without the program.
  void StopArmedAtExit();
  void OpenAtStart();

  LinkContext& context_;
  WorkerClock clock_;
  std::unique_ptr<WorkerParts> parts_;  // exists while the thread runs
  WorkerLoad load_;

  std::mutex publishLock_;
  std::condition_variable published_;
  bool idPublished_ = false;
  std::thread thread_;
};

// The application's side of the stop handshake: unless the exit event is already set (1 ms), sets
// the exit request and waits at most `timeoutMs` for the exit event. True when the worker ended.
bool StopCommThread(LinkContext& context, DWORD timeoutMs = 3000);

// Makes the two named manual-reset exit events of the context (not signalled), and closes them.
void CreateCommExitEvents(LinkContext& context);
void CloseCommExitEvents(LinkContext& context);
