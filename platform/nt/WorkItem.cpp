#include "platform/nt/WorkItem.h"

#include <atomic>
#include <new>
#include <string>

#include "platform/nt/IoManager.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/KernelPool.h"
#include "platform/nt/ObjectTable.h"
#include "platform/nt/WorkQueue.h"

// 0: idle, 1: queued, 2: queued and freed by its driver (freed after it ran).
struct _IO_WORKITEM {
  PDEVICE_OBJECT device;
  nt::Kernel* kernel;
  std::atomic<int> state;
};

namespace {

constexpr ULONG kWorkItemTag = nt::poolTag("IoWk");
constexpr int kIdle = 0;
constexpr int kQueued = 1;
constexpr int kFreedWhileQueued = 2;

void destroy(PIO_WORKITEM item) {
  nt::Kernel* kernel = item->kernel;
  item->~_IO_WORKITEM();
  kernel->pool().free(item);
}

bool liveItem(PIO_WORKITEM item, const char* routine) {
  auto owner = nt::ObjectTable::find(item);
  if (owner && owner->tag == kWorkItemTag) return true;
  std::string text = std::string(routine) + "(" + nt::pointerText(item) + "): ";
  if (auto retired = nt::ObjectTable::findRetired(item)) {
    retired->kernel->verifier().record(nt::Violation::WorkItemMisuse, text + "the item was freed");
  } else {
    nt::reportViolation(nt::Violation::WorkItemMisuse, text + "not a work item");
  }
  return false;
}

}  // namespace

PIO_WORKITEM IoAllocateWorkItem(PDEVICE_OBJECT deviceObject) {
  auto owner = nt::ObjectTable::find(deviceObject);
  nt::Kernel& kernel = owner ? *owner->kernel : nt::Kernel::require("IoAllocateWorkItem");
  void* memory = kernel.pool().allocate(NonPagedPool, sizeof(_IO_WORKITEM), kWorkItemTag, nt::currentCall().driver);
  if (!memory) return nullptr;
  return new (memory) _IO_WORKITEM{deviceObject, &kernel, {kIdle}};
}

VOID IoQueueWorkItem(PIO_WORKITEM item, PIO_WORKITEM_ROUTINE routine, WORK_QUEUE_TYPE queueType, PVOID context) {
  (void)queueType;
  if (!liveItem(item, "IoQueueWorkItem")) return;
  nt::Kernel& kernel = *item->kernel;
  int expected = kIdle;
  if (!item->state.compare_exchange_strong(expected, kQueued)) {
    kernel.verifier().record(nt::Violation::WorkItemMisuse,
                             "IoQueueWorkItem(" + nt::pointerText(item) + "): the item is queued already");
    return;
  }
  PDEVICE_OBJECT device = item->device;
  kernel.io().reference(device);
  kernel.workQueue().push([item, routine, context, device, &kernel] {
    // The routine may free or requeue its item: it is not touched after the call.
    bool freedWhileQueued = item->state.exchange(kIdle) == kFreedWhileQueued;
    {
      nt::DriverCall call(kernel, device->DriverObject, device, "work item");
      routine(device, context);
    }
    if (freedWhileQueued) destroy(item);
    kernel.io().dereference(device);
  });
}

VOID IoFreeWorkItem(PIO_WORKITEM item) {
  if (!liveItem(item, "IoFreeWorkItem")) return;
  int expected = kQueued;
  if (item->state.compare_exchange_strong(expected, kFreedWhileQueued)) {
    item->kernel->verifier().record(nt::Violation::WorkItemMisuse,
                                    "IoFreeWorkItem(" + nt::pointerText(item) + ") while it is queued");
    return;
  }
  if (expected == kFreedWhileQueued) {
    item->kernel->verifier().record(nt::Violation::WorkItemMisuse,
                                    "IoFreeWorkItem(" + nt::pointerText(item) + ") twice");
    return;
  }
  destroy(item);
}
