#include "platform/nt/SystemIrp.h"

#include <chrono>
#include <memory>
#include <string>

#include "platform/nt/IoManager.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/NtStatus.h"

namespace nt {

void SystemWaiter::signal(const IO_STATUS_BLOCK& result) {
  std::lock_guard lock(mutex_);
  result_ = result;
  finished_ = true;
  done_.notify_all();
}

bool SystemWaiter::wait(unsigned limitMs) {
  std::unique_lock lock(mutex_);
  return done_.wait_for(lock, std::chrono::milliseconds(limitMs), [&] { return finished_; });
}

bool SystemWaiter::isDone() const {
  std::lock_guard lock(mutex_);
  return finished_;
}

IO_STATUS_BLOCK SystemWaiter::result() const {
  std::lock_guard lock(mutex_);
  return result_;
}

PIRP allocateSystemIrp(Kernel& kernel, PDEVICE_OBJECT top, std::function<void(PIRP irp)> atTop) {
  IrpRecord* record = kernel.io().allocateIrp(top->StackSize, IrpOrigin::System, nullptr);
  if (!record) return nullptr;
  record->irp->RequestorMode = KernelMode;
  record->atTop = [hook = std::move(atTop)](IrpRecord& r) {
    if (hook) hook(r.irp);
  };
  return record->irp;
}

NTSTATUS callSystemIrp(Kernel& kernel, PDEVICE_OBJECT top, PIRP irp) {
  IrpRecord* record = kernel.io().findIrp(irp);
  return kernel.io().callDriver(top, record, /*fromUser=*/false);
}

NTSTATUS sendSystemIrp(Kernel& kernel, PDEVICE_OBJECT top, const std::function<void(PIRP)>& setup,
                       IO_STATUS_BLOCK* result, unsigned limitMs, const char* what) {
  if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
    kernel.verifier().record(Violation::SyncCallAtDispatch,
                             std::string(what) + " sent and waited for at IRQL " + std::to_string(KeGetCurrentIrql()));
  }
  auto waiter = std::make_shared<SystemWaiter>();
  PIRP irp = allocateSystemIrp(kernel, top, [waiter](PIRP done) { waiter->signal(done->IoStatus); });
  if (!irp) return STATUS_INSUFFICIENT_RESOURCES;
  setup(irp);
  callSystemIrp(kernel, top, irp);
  if (!waiter->wait(limitMs)) {
    kernel.verifier().record(Violation::PnpMisuse, std::string(what) + " sent to " + pointerText(top) +
                                                       " did not complete within " + std::to_string(limitMs) + " ms");
    if (result) *result = IO_STATUS_BLOCK{{STATUS_IO_TIMEOUT}, 0};
    return STATUS_IO_TIMEOUT;
  }
  if (result) *result = waiter->result();
  return STATUS_SUCCESS;
}

}  // namespace nt
