#pragma once

// One simulated kernel: its object namespace and I/O manager, pool, verifier log, cancel lock and
// system worker thread. Several kernels live side by side in one process (tests build many);
// every object knows its kernel, and routines without an object argument use the calling thread's
// kernel (set on the kernel's own threads and whenever it calls a driver; tests may set it with
// KernelScope), or the only kernel alive.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/nt/CallContext.h"
#include "platform/nt/DeviceObject.h"
#include "platform/nt/SpinLock.h"
#include "platform/nt/Verifier.h"

namespace nt {

class IoManager;
class Pool;
class WorkQueue;

struct KernelOptions {
  // False: no worker thread; work items run when the test calls runWorkItems().
  bool workerThread = true;
  // How long cancelling a thread's requests (CancelIo, thread exit) waits for them to complete.
  unsigned cancelWaitMs = 5000;
  // Print each verifier record to stderr as well.
  bool echoViolations = false;
};

class Kernel {
 public:
  explicit Kernel(KernelOptions options = {});
  ~Kernel();
  Kernel(const Kernel&) = delete;
  Kernel& operator=(const Kernel&) = delete;

  // The calling thread's kernel, or the only kernel alive; NULL otherwise.
  static Kernel* current();
  // As current(); a routine that finds no kernel ends the process with a message naming it.
  static Kernel& require(const char* routine);

  const KernelOptions& options() const { return options_; }
  Verifier& verifier() { return verifier_; }
  Pool& pool() { return *pool_; }
  IoManager& io() { return *io_; }
  WorkQueue& workQueue() { return *work_; }
  PKSPIN_LOCK cancelLock() { return &cancelLock_; }

  // Creates "\Driver\<name>" and calls its entry point with the registry path
  // "\Registry\Machine\System\CurrentControlSet\Services\<name>". A failed entry leaves no
  // driver (and its leftovers are checked as at unload).
  NTSTATUS loadDriver(std::u16string_view name, PDRIVER_INITIALIZE entry, PDRIVER_OBJECT* driver = nullptr);
  // Calls the unload routine, then records what the driver left behind: devices, IRPs through
  // its devices, pool blocks.
  void unloadDriver(PDRIVER_OBJECT driver);

  // Runs queued work items on the calling thread (PASSIVE_LEVEL) until none is left, including
  // ones queued meanwhile; returns how many ran.
  std::size_t runWorkItems();
  // With the worker thread: waits until no work item is queued or running. False on time-out.
  bool waitForWorkItems(std::chrono::milliseconds limit);

  // The next `count` mappings of MDLs that may fail do fail.
  void failMappings(unsigned count);
  bool takeMappingFailure();

  // Tests widen a race window with this: it runs inside IoCancelIrp after the IRP's cancel
  // routine was taken and before it is called, with the cancel lock held. Nobody but that
  // routine may complete the IRP meanwhile.
  void setCancelWindowHook(std::function<void(PIRP)> hook);
  void runCancelWindowHook(PIRP irp);

  // Runs what is queued, unloads every driver, stops the worker thread and records IRPs still
  // outstanding and pool still allocated. Idempotent; the destructor calls it.
  void shutdown();
  bool isShutDown() const { return shutDown_; }

 private:
  void checkLeftovers(PDRIVER_OBJECT driver, const std::string& why);
  void drainWork();

  KernelOptions options_;
  Verifier verifier_;
  std::unique_ptr<Pool> pool_;
  std::unique_ptr<IoManager> io_;
  std::unique_ptr<WorkQueue> work_;
  KSPIN_LOCK cancelLock_ = 0;
  std::atomic<unsigned> mappingFailures_{0};
  std::mutex hookMutex_;
  std::function<void(PIRP)> cancelWindowHook_;
  bool shutDown_ = false;
  std::vector<PDRIVER_OBJECT> reportedDrivers_;  // leftovers already checked at unload
};

// Records a violation in the calling thread's kernel (stderr when there is none).
void reportViolation(Violation kind, std::string text);

}  // namespace nt
