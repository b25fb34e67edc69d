#include "platform/win32/IoRequest.h"

#include "platform/nt/NtStatus.h"
#include "platform/win32/DeviceFile.h"
#include "platform/win32/Event.h"

#include <mutex>
#include <unordered_map>

namespace win32 {

namespace {

struct Owner {
  IoRequest* request;
  std::weak_ptr<IoRequest> reference;
};

struct Records {
  std::mutex lock;
  std::unordered_map<const OVERLAPPED*, Owner> owners;
};

Records& TheRecords() {
  // Never destroyed: completions may arrive on kernel threads while statics go away.
  static Records* records = new Records;
  return *records;
}

}  // namespace

ULONG_PTR StatusToInternal(NTSTATUS status) { return static_cast<ULONG_PTR>(static_cast<ULONG>(status)); }

NTSTATUS InternalToStatus(ULONG_PTR internal) { return static_cast<NTSTATUS>(static_cast<ULONG>(internal)); }

IoRequest::IoRequest(std::shared_ptr<DeviceFile> file, OVERLAPPED* overlapped, std::shared_ptr<Event> event)
    : file_(std::move(file)), overlapped_(overlapped), event_(std::move(event)), status_(STATUS_PENDING) {}

IoRequest::~IoRequest() {
  // A request the kernel dropped without completing it (its kernel went away) lets go of its
  // record.
  if (overlapped_ == nullptr) return;
  std::lock_guard lock(TheRecords().lock);
  if (OwnsRecordLocked()) ReleaseRecordLocked();
}

std::shared_ptr<IoRequest> IoRequest::Start(std::shared_ptr<DeviceFile> file, OVERLAPPED* overlapped,
                                            std::shared_ptr<Event> event) {
  auto request = std::make_shared<IoRequest>(std::move(file), overlapped, std::move(event));
  Records& records = TheRecords();
  std::lock_guard lock(records.lock);
  if (overlapped != nullptr) {
    records.owners[overlapped] = Owner{request.get(), request};
    overlapped->Internal = StatusToInternal(STATUS_PENDING);
    overlapped->InternalHigh = 0;
  }
  // After taking the record over, so that an earlier request's completion cannot signal again.
  if (request->event_) request->event_->Reset();
  request->file_->Reset();
  return request;
}

nt::UserCompletion IoRequest::Completion() {
  return [self = shared_from_this()](NTSTATUS status, ULONG_PTR information) { self->Finish(status, information); };
}

bool IoRequest::OwnsRecordLocked() const {
  Records& records = TheRecords();
  auto found = records.owners.find(overlapped_);
  return found != records.owners.end() && found->second.request == this;
}

void IoRequest::ReleaseRecordLocked() { TheRecords().owners.erase(overlapped_); }

// Records the outcome once, into the record while the request still owns it; `signal` says whether
// the waiters on the event (or the file) learn of it.
bool IoRequest::Settle(NTSTATUS status, ULONG_PTR information, bool signal) {
  std::lock_guard lock(TheRecords().lock);
  if (finished_) return false;
  finished_ = true;
  status_ = status;
  information_ = information;
  const bool owns = overlapped_ != nullptr && OwnsRecordLocked();
  if (owns) {
    overlapped_->InternalHigh = information;
    overlapped_->Internal = StatusToInternal(status);
    ReleaseRecordLocked();
  }
  // An event belongs to the record: once the record was reused, the event is the new request's.
  if (signal && !event_)
    file_->Signal();
  else if (signal && owns)
    event_->Signal();
  finishedChanged_.notify_all();
  return true;
}

void IoRequest::Finish(NTSTATUS status, ULONG_PTR information) { Settle(status, information, true); }

bool IoRequest::Refuse(NTSTATUS status) { return Settle(status, 0, false); }

bool IoRequest::IsFinished() const {
  std::lock_guard lock(TheRecords().lock);
  return finished_;
}

void IoRequest::Wait() {
  std::unique_lock lock(TheRecords().lock);
  finishedChanged_.wait(lock, [this] { return finished_; });
}

NTSTATUS IoRequest::Status() const {
  std::lock_guard lock(TheRecords().lock);
  return status_;
}

ULONG_PTR IoRequest::Information() const {
  std::lock_guard lock(TheRecords().lock);
  return information_;
}

std::shared_ptr<IoRequest> IoRequest::OwnerOf(const OVERLAPPED* overlapped) {
  Records& records = TheRecords();
  std::lock_guard lock(records.lock);
  auto found = records.owners.find(overlapped);
  return found == records.owners.end() ? nullptr : found->second.reference.lock();
}

void IoRequest::ReadRecord(const OVERLAPPED* overlapped, NTSTATUS& status, ULONG_PTR& information) {
  std::lock_guard lock(TheRecords().lock);
  status = InternalToStatus(overlapped->Internal);
  information = overlapped->InternalHigh;
}

}  // namespace win32
