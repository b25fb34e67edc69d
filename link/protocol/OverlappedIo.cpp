#include "link/protocol/OverlappedIo.h"

#include <algorithm>

#include "platform/win32/DeviceIo.h"
#include "platform/win32/Event.h"
#include "platform/win32/HandleTable.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Time.h"
#include "platform/win32/Wait.h"
#include "platform/win32/Win32Errors.h"

IoSlot::IoSlot(std::size_t bufferSize) : event(CreateEvent(nullptr, FALSE, FALSE, nullptr)), buffer(bufferSize) {}

IoSlot::~IoSlot() {
  if (event != nullptr) CloseHandle(event);
}

OverlappedIo::OverlappedIo(WorkerSignals& signals, std::size_t bufferSize)
    : signals_(signals), bufferSize_(bufferSize), slot_(std::make_unique<IoSlot>(bufferSize)) {}

OverlappedIo::~OverlappedIo() {
  if (slot_ && slot_->inFlight) parked_.push_back(std::move(slot_));
  for (auto& slot : parked_) {
    if (WaitForSingleObject(slot->event, kCancelWaitMs) != WAIT_OBJECT_0) {
      // Still out after all this time: its memory stays with the request rather than be freed
      // under it.
      (void)slot.release();
    }
  }
}

IoSlot& OverlappedIo::Prepare() {
  SweepParked();
  if (slot_->inFlight) {
    parked_.push_back(std::move(slot_));
    slot_ = std::make_unique<IoSlot>(bufferSize_);
  }
  slot_->overlapped = OVERLAPPED{};
  slot_->overlapped.hEvent = slot_->event;
  return *slot_;
}

IoOutcome OverlappedIo::Completed(HANDLE device) {
  slot_->inFlight = false;
  IoOutcome outcome = Result(device);
  outcome.inTime = true;
  return outcome;
}

IoOutcome OverlappedIo::Finish(HANDLE device, DWORD timeoutMs) {
  if (GetLastError() != ERROR_IO_PENDING) return IoOutcome{true, false, 0};
  slot_->inFlight = true;
  if (WaitForCompletion(device, timeoutMs) == Waited::Completed) {
    slot_->inFlight = false;
    IoOutcome outcome = Result(device);
    outcome.inTime = true;
    return outcome;
  }
  return CancelAndCollect(device);
}

OverlappedIo::Waited OverlappedIo::WaitForCompletion(HANDLE device, DWORD timeoutMs) {
  ULONGLONG deadline = GetTickCount64() + timeoutMs;
  bool exitSeen = false;
  bool eventSeen = false;  // the request signalled its end
  for (;;) {
    DWORD bytes = 0;
    if (GetOverlappedResult(device, &slot_->overlapped, &bytes, FALSE)) return Waited::Completed;
    const DWORD error = GetLastError();
    if (error == ERROR_INVALID_HANDLE) return eventSeen ? Waited::Completed : Waited::HandleGone;
    if (error != ERROR_IO_INCOMPLETE) return Waited::Completed;
    const ULONGLONG now = GetTickCount64();
    if (!exitSeen && signals_.ExitRequested()) {
      exitSeen = true;
      deadline = std::min(deadline, now + kExitGraceMs);
    }
    if (now >= deadline) return Waited::TimedOut;
    HANDLE objects[2] = {slot_->event, signals_.ExitRequest()};
    const DWORD count = (exitSeen || objects[1] == nullptr) ? 1 : 2;
    const DWORD result = WaitForMultipleObjects(count, objects, FALSE, static_cast<DWORD>(deadline - now));
    if (result == WAIT_OBJECT_0) eventSeen = true;
    if (result == WAIT_FAILED) return Waited::TimedOut;
  }
}

IoOutcome OverlappedIo::Result(HANDLE device) {
  IoOutcome outcome;
  DWORD bytes = 0;
  outcome.succeeded = GetOverlappedResult(device, &slot_->overlapped, &bytes, FALSE) != FALSE;
  outcome.bytes = outcome.succeeded ? bytes : 0;
  return outcome;
}

IoOutcome OverlappedIo::CancelAndCollect(HANDLE device) {
  CancelIo(device);
  DWORD bytes = 0;
  const bool over = GetOverlappedResult(device, &slot_->overlapped, &bytes, FALSE) ||
                    (GetLastError() != ERROR_IO_INCOMPLETE && GetLastError() != ERROR_INVALID_HANDLE);
  if (over || WaitForSingleObject(slot_->event, kCancelWaitMs) == WAIT_OBJECT_0) {
    slot_->inFlight = false;
    return Result(device);  // a completion that beat the cancel keeps its data
  }
  return IoOutcome{};  // still out: Prepare() parks the slot before the next request
}

void OverlappedIo::SweepParked() {
  std::erase_if(parked_, [](const std::unique_ptr<IoSlot>& slot) {
    return WaitForSingleObject(slot->event, 0) == WAIT_OBJECT_0;
  });
}
