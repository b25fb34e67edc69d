#pragma once

// What the calling thread is doing inside a kernel: which kernel, and which driver and device
// whose routine is running. The kernel sets it whenever it calls into a driver (dispatch,
// completion, cancel, work item, entry and unload), so that routines without an object argument
// (ExAllocatePoolWithTag, IoAllocateIrp, ...) find their kernel, pool blocks are attributed to the
// driver that allocated them, and the device a driver sends from is known.

#include "platform/nt/DeviceObject.h"
#include "platform/nt/Irql.h"

namespace nt {

class Kernel;

struct CallContext {
  Kernel* kernel = nullptr;
  PDRIVER_OBJECT driver = nullptr;
  PDEVICE_OBJECT device = nullptr;
};

const CallContext& currentCall();

// Sets the thread's kernel (only) for its lifetime: for the kernel's own threads and for tests that
// call kernel routines directly.
class KernelScope {
 public:
  explicit KernelScope(Kernel* kernel);
  ~KernelScope();
  KernelScope(const KernelScope&) = delete;
  KernelScope& operator=(const KernelScope&) = delete;

 private:
  Kernel* previous_;
};

// The kernel calling a driver routine. On leaving, a routine that did not restore the IRQL it was
// called at is a verifier violation (not checked for cancel routines, which return at the level
// the cancel lock was taken from).
class DriverCall {
 public:
  DriverCall(Kernel& kernel, PDRIVER_OBJECT driver, PDEVICE_OBJECT device, const char* what, bool checkIrql = true);
  ~DriverCall();
  DriverCall(const DriverCall&) = delete;
  DriverCall& operator=(const DriverCall&) = delete;

 private:
  CallContext saved_;
  KIRQL irql_;
  const char* what_;
  bool checkIrql_;
};

}  // namespace nt
