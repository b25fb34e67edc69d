#pragma once

// Overlapped requests of the worker with bounded waits. Each request gets a slot: its OVERLAPPED,
// its own auto-reset event and its own buffer. A slot is reused only once its request is known to
// be over; a request that neither completes nor answers its cancel is parked with its slot, so a
// late completion never writes into memory that is in use again or freed.

#include <memory>
#include <vector>

#include "link/protocol/WorkerSignals.h"
#include "platform/win32/Win32Types.h"

struct IoSlot {
  explicit IoSlot(std::size_t bufferSize);
  ~IoSlot();
  IoSlot(const IoSlot&) = delete;
  IoSlot& operator=(const IoSlot&) = delete;

  OVERLAPPED overlapped{};
  HANDLE event = nullptr;
  std::vector<UCHAR> buffer;
  bool inFlight = false;
};

// How one request ended.
struct IoOutcome {
  bool inTime = false;     // the request ended (with or without error) within the time allowed
  bool succeeded = false;  // it ended without error, in time or after its cancel
  DWORD bytes = 0;
};

class OverlappedIo {
 public:
  // Once the exit request is set, a wait runs at most this much longer: enough for a responsive
  // instrument to answer the abort the worker sends on its way out.
  static constexpr DWORD kExitGraceMs = 250;
  // How long a cancelled request may take to come back before its slot is parked.
  static constexpr DWORD kCancelWaitMs = 1000;

  OverlappedIo(WorkerSignals& signals, std::size_t bufferSize);
  ~OverlappedIo();
  OverlappedIo(const OverlappedIo&) = delete;
  OverlappedIo& operator=(const OverlappedIo&) = delete;

  // A slot with no request in flight, its record zeroed and pointing at its event.
  IoSlot& Prepare();

  // Follows up a call that returned FALSE: ERROR_IO_PENDING waits for the request up to
  // `timeoutMs` (watching the exit request); at the time-out the request is cancelled and waited
  // for, and a completion that came after all is taken. Any other error fails at once.
  IoOutcome Finish(HANDLE device, DWORD timeoutMs);
  // The call returned TRUE: the request completed at once.
  IoOutcome Completed(HANDLE device);

  // Slots parked with a request still out (for tests).
  std::size_t ParkedCount() const { return parked_.size(); }

 private:
  enum class Waited { Completed, TimedOut, HandleGone };
  Waited WaitForCompletion(HANDLE device, DWORD timeoutMs);
  IoOutcome Result(HANDLE device);
  IoOutcome CancelAndCollect(HANDLE device);
  void SweepParked();

  WorkerSignals& signals_;
  std::size_t bufferSize_;
  std::unique_ptr<IoSlot> slot_;
  std::vector<std::unique_ptr<IoSlot>> parked_;
};
