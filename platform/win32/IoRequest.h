#pragma once

// One read, write or device-control request from its issue to its completion, and the OVERLAPPED
// records that requests in flight report into.
//
// A request owns its OVERLAPPED from Start() until it completes or is refused. Every write into a
// caller's record happens under one lock and only while the request owns it; starting a new
// request with the same record takes the record over. So once a caller has seen a request finish
// (or has reused its record, e.g. after CancelIo), no late completion writes into the record or
// signals its event.

#include "platform/nt/UserCompletion.h"
#include "platform/win32/Win32Types.h"

#include <condition_variable>
#include <memory>

namespace win32 {

class DeviceFile;
class Event;

class IoRequest : public std::enable_shared_from_this<IoRequest> {
 public:
  // A request on `file` that reports into `overlapped` (may be null) and signals `event` when
  // it completes, or the file itself when `event` is null. The record gets Internal =
  // STATUS_PENDING and InternalHigh = 0; the event and the file are reset.
  static std::shared_ptr<IoRequest> Start(std::shared_ptr<DeviceFile> file, OVERLAPPED* overlapped,
                                          std::shared_ptr<Event> event);

  IoRequest(std::shared_ptr<DeviceFile> file, OVERLAPPED* overlapped, std::shared_ptr<Event> event);
  ~IoRequest();
  IoRequest(const IoRequest&) = delete;
  IoRequest& operator=(const IoRequest&) = delete;

  // What the kernel calls when the completion reaches the requester.
  nt::UserCompletion Completion();

  // The request never reached a driver, or its dispatch failed without completing it: the record
  // gets `status` (nothing is signalled) and a completion that still comes changes nothing.
  // False, changing nothing, when the request has completed already.
  bool Refuse(NTSTATUS status);

  bool IsFinished() const;
  // Blocks until the request completed or was refused.
  void Wait();
  NTSTATUS Status() const;
  ULONG_PTR Information() const;

  // The request that owns `overlapped` right now, or null.
  static std::shared_ptr<IoRequest> OwnerOf(const OVERLAPPED* overlapped);
  // Internal (as an NTSTATUS) and InternalHigh, read consistently with completions.
  static void ReadRecord(const OVERLAPPED* overlapped, NTSTATUS& status, ULONG_PTR& information);

 private:
  void Finish(NTSTATUS status, ULONG_PTR information);
  bool Settle(NTSTATUS status, ULONG_PTR information, bool signal);
  bool OwnsRecordLocked() const;
  void ReleaseRecordLocked();

  const std::shared_ptr<DeviceFile> file_;
  OVERLAPPED* const overlapped_;
  const std::shared_ptr<Event> event_;
  // Guarded by the records' lock.
  bool finished_ = false;
  NTSTATUS status_;
  ULONG_PTR information_ = 0;
  std::condition_variable finishedChanged_;
};

// The NTSTATUS as the Internal field holds it, and back.
ULONG_PTR StatusToInternal(NTSTATUS status);
NTSTATUS InternalToStatus(ULONG_PTR internal);

}  // namespace win32
