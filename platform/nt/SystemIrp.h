#pragma once

// IRPs the kernel's own managers send (PnP and power): allocated for the top of a stack, freed by
// the I/O manager when their completion reaches the top, where a hook hands the result back.

#include <condition_variable>
#include <functional>
#include <mutex>

#include "platform/nt/Irp.h"

namespace nt {

class Kernel;
struct IrpRecord;

// A one-shot result that a thread can wait for (bounded).
class SystemWaiter {
 public:
  void signal(const IO_STATUS_BLOCK& result);
  // False when `limitMs` passed first.
  bool wait(unsigned limitMs);
  bool isDone() const;
  IO_STATUS_BLOCK result() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  IO_STATUS_BLOCK result_{};
};

// An IRP for the stack whose top is `top`; `atTop` runs when its completion reaches the top (on
// the completing thread), before the IRP is freed. NULL when out of memory.
PIRP allocateSystemIrp(Kernel& kernel, PDEVICE_OBJECT top, std::function<void(PIRP irp)> atTop);
// Sends an IRP from allocateSystemIrp to `top` (its next location set up by the caller).
NTSTATUS callSystemIrp(Kernel& kernel, PDEVICE_OBJECT top, PIRP irp);

// Allocates an IRP, lets `setup` fill it, sends it and waits (PASSIVE_LEVEL) for its completion;
// `result` gets the final status block. STATUS_INSUFFICIENT_RESOURCES when no IRP could be made;
// a wait longer than `limitMs` is recorded as a violation and gives STATUS_IO_TIMEOUT.
NTSTATUS sendSystemIrp(Kernel& kernel, PDEVICE_OBJECT top, const std::function<void(PIRP)>& setup,
                       IO_STATUS_BLOCK* result, unsigned limitMs, const char* what);

}  // namespace nt
