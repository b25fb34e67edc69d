// The power manager: system sleep and wake, driver-requested device power IRPs, and the checks
// on PoCallDriver and PoStartNextPowerIrp.

#include "platform/nt/PowerManager.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "platform/nt/IoManager.h"
#include "platform/nt/IoRoutines.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/NtStatus.h"
#include "platform/nt/ObjectTable.h"
#include "platform/nt/PnpManager.h"
#include "platform/nt/SystemIrp.h"

namespace nt {

namespace {

struct Registry {
  std::mutex mutex;
  std::map<Kernel*, PowerManager*> managers;
};

Registry& registry() {
  static Registry* r = new Registry;  // lives through static destruction
  return *r;
}

PowerManager* managerOf(const void* object, const char* routine) {
  Kernel* kernel = nullptr;
  if (auto owner = ObjectTable::find(object)) kernel = owner->kernel;
  if (!kernel) kernel = Kernel::current();
  PowerManager* manager = kernel ? PowerManager::of(*kernel) : nullptr;
  if (!manager) reportViolation(Violation::PowerIrpMisuse, std::string(routine) + ": this kernel has no power manager");
  return manager;
}

}  // namespace

PowerManager::PowerManager(Kernel& kernel, PnpManager& pnp, bool threaded, unsigned waitLimitMs)
    : kernel_(kernel), pnp_(pnp), threaded_(threaded), waitLimitMs_(waitLimitMs), queue_(kernel, threaded) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.managers[&kernel] = this;
}

PowerManager::~PowerManager() {
  stop();
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.managers.erase(&kernel_);
}

PowerManager* PowerManager::of(Kernel& kernel) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.managers.find(&kernel);
  return it == r.managers.end() ? nullptr : it->second;
}

SYSTEM_POWER_STATE PowerManager::systemState() const {
  std::lock_guard lock(mutex_);
  return system_;
}

std::vector<PowerIrpRecord> PowerManager::history() const {
  std::lock_guard lock(mutex_);
  return history_;
}

void PowerManager::clearHistory() {
  std::lock_guard lock(mutex_);
  history_.clear();
  for (auto& [irp, t] : tracked_) t.historyIndex = SIZE_MAX;
}

DEVICE_POWER_STATE PowerManager::reportedState(PDEVICE_OBJECT device) const {
  std::lock_guard lock(mutex_);
  auto it = reported_.find(device);
  return it == reported_.end() ? PowerDeviceD0 : it->second;
}

std::size_t PowerManager::runPending() { return queue_.runPending(); }

void PowerManager::stop() { queue_.stop(); }

bool PowerManager::waitIdle() {
  auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitLimitMs_);
  std::unique_lock lock(mutex_);
  while (!tracked_.empty()) {
    if (!threaded_) {
      lock.unlock();
      std::size_t ran = queue_.runPending();
      lock.lock();
      if (ran > 0) continue;
    }
    if (idle_.wait_until(lock, std::min(limit, std::chrono::steady_clock::now() + std::chrono::milliseconds(1)),
                         [&] { return tracked_.empty(); })) {
      break;
    }
    if (std::chrono::steady_clock::now() >= limit) return false;
  }
  return true;
}

bool PowerManager::waitFor(SystemWaiter& waiter) {
  if (threaded_) return waiter.wait(waitLimitMs_);
  auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitLimitMs_);
  while (!waiter.isDone()) {
    if (queue_.runPending() > 0) continue;
    if (std::chrono::steady_clock::now() >= limit) return false;
    waiter.wait(1);
  }
  return true;
}

// ---- tracked IRPs ----------------------------------------------------------------------------

PIRP PowerManager::allocate(PDEVICE_OBJECT top, UCHAR minor, POWER_STATE_TYPE type, POWER_STATE state, bool requested,
                            std::function<void(PIRP)> atTop) {
  PIRP irp = allocateSystemIrp(kernel_, top, [this, hook = std::move(atTop)](PIRP done) {
    finished(done);
    if (hook) hook(done);
    idle_.notify_all();
  });
  if (!irp) return nullptr;
  irp->IoStatus.Status = STATUS_NOT_SUPPORTED;
  PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
  next->MajorFunction = IRP_MJ_POWER;
  next->MinorFunction = minor;
  next->Parameters.Power.Type = type;
  next->Parameters.Power.State = state;
  next->Parameters.Power.ShutdownType =
      type == SystemPowerState && state.SystemState == PowerSystemShutdown  ? PowerActionShutdown
      : type == SystemPowerState && state.SystemState != PowerSystemWorking ? PowerActionSleep
                                                                            : PowerActionNone;
  std::lock_guard lock(mutex_);
  history_.push_back({top, minor, type, state, requested, STATUS_PENDING});
  tracked_[irp] = Tracking{history_.size() - 1, {}, {}};
  return irp;
}

// At the top of a tracked IRP: every device it reached started the next power IRP exactly once.
void PowerManager::finished(PIRP irp) {
  Tracking t;
  {
    std::lock_guard lock(mutex_);
    auto it = tracked_.find(irp);
    if (it == tracked_.end()) return;
    t = std::move(it->second);
    tracked_.erase(it);
    if (t.historyIndex < history_.size()) history_[t.historyIndex].status = irp->IoStatus.Status;
  }
  for (PDEVICE_OBJECT device : t.visited) {
    auto n = std::count(t.started.begin(), t.started.end(), device);
    if (n != 1) {
      kernel_.verifier().record(Violation::PowerIrpMisuse, "power IRP " + pointerText(irp) + ": device " +
                                                               pointerText(device) + " called PoStartNextPowerIrp " +
                                                               std::to_string(n) + " times");
    }
  }
  for (PDEVICE_OBJECT device : t.started) {
    if (std::find(t.visited.begin(), t.visited.end(), device) == t.visited.end()) {
      kernel_.verifier().record(Violation::PowerIrpMisuse, "power IRP " + pointerText(irp) + " reached device " +
                                                               pointerText(device) + " without PoCallDriver");
    }
  }
}

NTSTATUS PowerManager::callDriver(PDEVICE_OBJECT device, PIRP irp) {
  {
    std::lock_guard lock(mutex_);
    auto it = tracked_.find(irp);
    if (it != tracked_.end()) it->second.visited.push_back(device);
  }
  return IoCallDriver(device, irp);
}

void PowerManager::startNext(PIRP irp) {
  PDEVICE_OBJECT device =
      irp->CurrentLocation <= irp->StackCount ? IoGetCurrentIrpStackLocation(irp)->DeviceObject : nullptr;
  std::lock_guard lock(mutex_);
  auto it = tracked_.find(irp);
  if (it == tracked_.end()) {
    kernel_.verifier().record(Violation::PowerIrpMisuse,
                              "PoStartNextPowerIrp(" + pointerText(irp) + "): not an outstanding power IRP");
    return;
  }
  it->second.started.push_back(device);
}

POWER_STATE PowerManager::setPowerState(PDEVICE_OBJECT device, POWER_STATE_TYPE type, POWER_STATE state) {
  POWER_STATE previous{};
  std::lock_guard lock(mutex_);
  if (type == DevicePowerState) {
    auto it = reported_.find(device);
    previous.DeviceState = it == reported_.end() ? PowerDeviceD0 : it->second;
    reported_[device] = state.DeviceState;
  } else {
    previous.SystemState = system_;
  }
  return previous;
}

NTSTATUS PowerManager::requestPowerIrp(PDEVICE_OBJECT pdo, UCHAR minor, POWER_STATE state, PREQUEST_POWER_COMPLETE done,
                                       PVOID context, PIRP* irpOut) {
  if (irpOut) *irpOut = nullptr;
  if (minor != IRP_MN_SET_POWER && minor != IRP_MN_QUERY_POWER && minor != IRP_MN_WAIT_WAKE) {
    return STATUS_INVALID_PARAMETER;
  }
  PDEVICE_OBJECT top = kernel_.io().topOfStack(pdo);
  PDRIVER_OBJECT requester = currentCall().driver;
  Kernel* kernel = &kernel_;
  POWER_STATE_TYPE type = minor == IRP_MN_WAIT_WAKE ? SystemPowerState : DevicePowerState;
  PIRP irp = allocate(top, minor, type, state, true, [=](PIRP finishedIrp) {
    if (!done) return;
    IO_STATUS_BLOCK iosb = finishedIrp->IoStatus;
    DriverCall call(*kernel, requester, nullptr, "power completion function");
    done(pdo, minor, state, context, &iosb);
  });
  if (!irp) return STATUS_INSUFFICIENT_RESOURCES;
  if (minor == IRP_MN_WAIT_WAKE) IoGetNextIrpStackLocation(irp)->Parameters.WaitWake.PowerState = state.SystemState;
  if (irpOut) *irpOut = irp;
  queue_.push([this, top, irp] { callDriver(top, irp); });
  return STATUS_PENDING;
}

// ---- system changes --------------------------------------------------------------------------

NTSTATUS PowerManager::sendSystem(PDEVICE_OBJECT top, UCHAR minor, SYSTEM_POWER_STATE state) {
  auto waiter = std::make_shared<SystemWaiter>();
  POWER_STATE s{};
  s.SystemState = state;
  PIRP irp = allocate(top, minor, SystemPowerState, s, false, [waiter](PIRP done) { waiter->signal(done->IoStatus); });
  if (!irp) return STATUS_INSUFFICIENT_RESOURCES;
  callDriver(top, irp);
  if (!waitFor(*waiter)) {
    kernel_.verifier().record(
        Violation::PowerIrpMisuse,
        "system power IRP to " + pointerText(top) + " did not complete within " + std::to_string(waitLimitMs_) + " ms");
    return STATUS_IO_TIMEOUT;
  }
  return waiter->result().Status;
}

bool PowerManager::sleep(SYSTEM_POWER_STATE state) {
  KernelScope scope(&kernel_);
  std::vector<PDEVICE_OBJECT> tops;
  for (const DevNodeInfo& node : pnp_.nodes()) {
    if (node.state == DevNodeState::Started) tops.push_back(kernel_.io().topOfStack(node.pdo));
  }
  std::vector<PDEVICE_OBJECT> agreed;
  bool refused = false;
  for (PDEVICE_OBJECT top : tops) {
    if (!NT_SUCCESS(sendSystem(top, IRP_MN_QUERY_POWER, state))) {
      refused = true;
      break;
    }
    agreed.push_back(top);
  }
  if (refused) {
    for (PDEVICE_OBJECT top : agreed) sendSystem(top, IRP_MN_SET_POWER, PowerSystemWorking);
    waitIdle();
    return false;
  }
  {
    std::lock_guard lock(mutex_);
    system_ = state;
  }
  for (PDEVICE_OBJECT top : tops) sendSystem(top, IRP_MN_SET_POWER, state);
  waitIdle();
  return true;
}

void PowerManager::wake() {
  KernelScope scope(&kernel_);
  {
    std::lock_guard lock(mutex_);
    system_ = PowerSystemWorking;
  }
  for (const DevNodeInfo& node : pnp_.nodes()) {
    if (node.state == DevNodeState::Started)
      sendSystem(kernel_.io().topOfStack(node.pdo), IRP_MN_SET_POWER, PowerSystemWorking);
  }
  waitIdle();
}

}  // namespace nt

// ---- the driver-facing routines ----------------------------------------------------------------

NTSTATUS PoCallDriver(PDEVICE_OBJECT deviceObject, PIRP irp) {
  nt::PowerManager* manager = nt::managerOf(deviceObject, "PoCallDriver");
  return manager ? manager->callDriver(deviceObject, irp) : IoCallDriver(deviceObject, irp);
}

VOID PoStartNextPowerIrp(PIRP irp) {
  if (nt::PowerManager* manager = nt::managerOf(irp, "PoStartNextPowerIrp")) manager->startNext(irp);
}

POWER_STATE PoSetPowerState(PDEVICE_OBJECT deviceObject, POWER_STATE_TYPE type, POWER_STATE state) {
  nt::PowerManager* manager = nt::managerOf(deviceObject, "PoSetPowerState");
  return manager ? manager->setPowerState(deviceObject, type, state) : state;
}

NTSTATUS PoRequestPowerIrp(PDEVICE_OBJECT deviceObject, UCHAR minorFunction, POWER_STATE powerState,
                           PREQUEST_POWER_COMPLETE completionFunction, PVOID context, PIRP* irp) {
  nt::PowerManager* manager = nt::managerOf(deviceObject, "PoRequestPowerIrp");
  if (!manager) return STATUS_INVALID_DEVICE_REQUEST;
  return manager->requestPowerIrp(deviceObject, minorFunction, powerState, completionFunction, context, irp);
}
