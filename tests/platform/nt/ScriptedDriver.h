#pragma once

// A test driver whose dispatch routines are C++ handlers chosen per device by each test, plus the
// fixture and helpers the kernel tests share.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/nt/IoManager.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/KernelPool.h"
#include "platform/nt/UserRequests.h"
#include "platform/nt/Wdm.h"

namespace scripted {

using Handler = std::function<NTSTATUS(PDEVICE_OBJECT device, PIRP irp)>;

struct Script {
  Handler handlers[IRP_MJ_MAXIMUM_FUNCTION + 1];
  Handler& operator[](UCHAR major) { return handlers[major]; }
};

struct Extension {
  Script* script;
  PDEVICE_OBJECT lower;  // what attach() put the device on
};

// Sets every major function to a routine that runs the device's handler; without one, create and
// close succeed and anything else is refused as the platform's default does. Its unload detaches
// and deletes the devices left.
DRIVER_INITIALIZE DriverEntry;

// A completion routine whose context is a CompletionHandler*.
using CompletionHandler = std::function<NTSTATUS(PDEVICE_OBJECT device, PIRP irp)>;
IO_COMPLETION_ROUTINE RunCompletionHandler;
// A cancel routine that runs the handler stored in the IRP's DriverContext[0] (a CancelHandler*).
using CancelHandler = std::function<void(PDEVICE_OBJECT device, PIRP irp)>;
DRIVER_CANCEL RunCancelHandler;

NTSTATUS completeIrp(PIRP irp, NTSTATUS status, ULONG_PTR information = 0);

// What a user request's completion callback saw.
class Completion {
 public:
  nt::UserCompletion callback();
  // Waits (bounded, fails only on a hang) until the callback ran.
  bool wait(std::chrono::milliseconds limit = std::chrono::seconds(10));
  int calls() const;
  NTSTATUS status() const;
  ULONG_PTR information() const;
  std::thread::id thread() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  int calls_ = 0;
  NTSTATUS status_ = STATUS_PENDING;
  ULONG_PTR information_ = 0;
  std::thread::id thread_;
};

// One kernel with the scripted driver loaded; the test thread works in that kernel. By default no
// worker thread: tests pump work items. Tear-down shuts the kernel down and expects a clean log
// unless the test says which violations it provoked.
class KernelTest : public ::testing::Test {
 protected:
  explicit KernelTest(nt::KernelOptions options = deterministic());
  ~KernelTest() override;
  void TearDown() override;

  static nt::KernelOptions deterministic();

  // A device of the scripted driver, with DO_DEVICE_INITIALIZING cleared.
  PDEVICE_OBJECT createDevice(Script& script, const char16_t* name = nullptr, ULONG flags = 0);
  // A named device reachable as "\\.\<link>".
  PDEVICE_OBJECT createNamedDevice(Script& script, const char16_t* name, const char16_t* link, ULONG flags = 0);
  PFILE_OBJECT open(const char* path);
  // IoAttachDeviceToDeviceStack, remembered so that unload detaches first.
  PDEVICE_OBJECT attach(PDEVICE_OBJECT upper, PDEVICE_OBJECT lower);
  // The test provoked exactly these violations (checked at tear-down, in any order).
  void expectViolations(std::vector<nt::Violation> kinds);
  std::size_t violations(nt::Violation kind) { return kernel.verifier().count(kind); }

  std::unique_ptr<nt::Kernel> owned;
  nt::Kernel& kernel;
  std::unique_ptr<nt::KernelScope> scope;
  PDRIVER_OBJECT driver = nullptr;
  std::vector<nt::Violation> expected;
  bool expectationsSet = false;
};

}  // namespace scripted
