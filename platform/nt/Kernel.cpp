#include "platform/nt/Kernel.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/nt/IoManager.h"
#include "platform/nt/KernelPool.h"
#include "platform/nt/NtStatus.h"
#include "platform/nt/ObjectTable.h"
#include "platform/nt/WorkQueue.h"

namespace nt {

namespace {

constexpr auto kDrainLimit = std::chrono::seconds(30);

struct LiveKernels {
  std::mutex mutex;
  std::vector<Kernel*> kernels;
};

LiveKernels& liveKernels() {
  static LiveKernels* live = new LiveKernels;  // lives through static destruction
  return *live;
}

}  // namespace

Kernel::Kernel(KernelOptions options)
    : options_(options),
      pool_(std::make_unique<Pool>(*this)),
      io_(std::make_unique<IoManager>(*this)),
      work_(std::make_unique<WorkQueue>(*this, options.workerThread)) {
  verifier_.setEcho(options.echoViolations);
  LiveKernels& live = liveKernels();
  std::lock_guard lock(live.mutex);
  live.kernels.push_back(this);
}

Kernel::~Kernel() {
  shutdown();
  {
    LiveKernels& live = liveKernels();
    std::lock_guard lock(live.mutex);
    std::erase(live.kernels, this);
  }
  work_.reset();
  io_->detachFromThreads();  // requests issued after shutdown
  io_.reset();
  pool_.reset();
  ObjectTable::releaseKernel(this);
}

Kernel* Kernel::current() {
  if (Kernel* kernel = currentCall().kernel) return kernel;
  LiveKernels& live = liveKernels();
  std::lock_guard lock(live.mutex);
  return live.kernels.size() == 1 ? live.kernels.front() : nullptr;
}

Kernel& Kernel::require(const char* routine) {
  if (Kernel* kernel = current()) return *kernel;
  std::fprintf(stderr, "%s: no kernel for the calling thread (several or none alive; use nt::KernelScope)\n", routine);
  std::abort();
}

NTSTATUS Kernel::loadDriver(std::u16string_view name, PDRIVER_INITIALIZE entry, PDRIVER_OBJECT* driver) {
  if (driver) *driver = nullptr;
  DriverRecord* record = io_->newDriver(name);
  if (!record) return STATUS_OBJECT_NAME_COLLISION;
  PDRIVER_OBJECT object = &record->object;
  object->DriverInit = entry;
  NTSTATUS status;
  {
    DriverCall call(*this, object, nullptr, "DriverEntry");
    status = entry(object, &record->registryPathString);
  }
  if (!NT_SUCCESS(status)) {
    checkLeftovers(object, "DriverEntry of " + narrow(name) + " failed");
    return status;
  }
  record->loaded = true;
  // Devices made by the entry point are ready once it returns.
  for (PDEVICE_OBJECT device : io_->devicesOf(object)) device->Flags &= ~DO_DEVICE_INITIALIZING;
  if (driver) *driver = object;
  return status;
}

void Kernel::unloadDriver(PDRIVER_OBJECT driver) {
  DriverRecord* record = io_->findDriver(driver);
  if (!record || !record->loaded) return;
  drainWork();
  if (driver->DriverUnload) {
    DriverCall call(*this, driver, nullptr, "DriverUnload");
    driver->DriverUnload(driver);
  }
  record->loaded = false;
  checkLeftovers(driver, "driver " + narrow(record->serviceName) + " unloaded");
}

void Kernel::checkLeftovers(PDRIVER_OBJECT driver, const std::string& why) {
  for (PDEVICE_OBJECT device : io_->devicesOf(driver)) {
    DeviceRecord* record = io_->findDevice(device);
    verifier_.record(Violation::DeviceLeftAtUnload,
                     why + ": device " + pointerText(device) + " " + narrow(record->name) + " still exists");
  }
  io_->checkOutstanding(io_->devicesOf(driver, /*includeDeleted=*/true), Violation::IrpOutstandingAtUnload, why);
  // Devices left are reported above, not again as pool.
  std::vector<Pool::Block> leaked = pool_->liveBlocks(driver);
  std::erase_if(leaked, [](const Pool::Block& b) { return b.tag == kDeviceObjectTag; });
  if (!leaked.empty()) verifier_.record(Violation::PoolLeakAtUnload, why + ": " + Pool::describe(leaked));
  reportedDrivers_.push_back(driver);
}

void Kernel::drainWork() {
  if (options_.workerThread) {
    work_->waitIdle(kDrainLimit);
  } else {
    work_->runPending();
  }
}

std::size_t Kernel::runWorkItems() { return work_->runPending(); }

bool Kernel::waitForWorkItems(std::chrono::milliseconds limit) { return work_->waitIdle(limit); }

void Kernel::failMappings(unsigned count) { mappingFailures_ += count; }

void Kernel::setCancelWindowHook(std::function<void(PIRP)> hook) {
  std::lock_guard lock(hookMutex_);
  cancelWindowHook_ = std::move(hook);
}

void Kernel::runCancelWindowHook(PIRP irp) {
  std::function<void(PIRP)> hook;
  {
    std::lock_guard lock(hookMutex_);
    hook = cancelWindowHook_;
  }
  if (hook) hook(irp);
}

bool Kernel::takeMappingFailure() {
  unsigned n = mappingFailures_.load();
  while (n > 0) {
    if (mappingFailures_.compare_exchange_weak(n, n - 1)) return true;
  }
  return false;
}

void Kernel::shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  KernelScope scope(this);
  drainWork();
  std::vector<PDRIVER_OBJECT> drivers = io_->loadedDrivers();
  for (auto it = drivers.rbegin(); it != drivers.rend(); ++it) unloadDriver(*it);
  work_->stop();
  work_->runPending();
  io_->checkOutstanding({}, Violation::IrpOutstandingAtShutdown, "shutdown", /*all=*/true);
  io_->detachFromThreads();
  std::vector<Pool::Block> leaked;
  for (const Pool::Block& block : pool_->liveBlocks(nullptr, /*all=*/true)) {
    bool reported = std::find(reportedDrivers_.begin(), reportedDrivers_.end(), block.owner) != reportedDrivers_.end();
    if (!reported) leaked.push_back(block);
  }
  if (!leaked.empty()) verifier_.record(Violation::PoolLeakAtShutdown, "shutdown: " + Pool::describe(leaked));
}

void reportViolation(Violation kind, std::string text) {
  if (Kernel* kernel = Kernel::current()) {
    kernel->verifier().record(kind, std::move(text));
    return;
  }
  std::fprintf(stderr, "verifier (no kernel): %s: %s\n", violationName(kind), text.c_str());
}

}  // namespace nt
