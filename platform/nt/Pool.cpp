// The pool routines drivers call; the accounting is nt::Pool (KernelPool.h).

#include "platform/nt/Pool.h"

#include <string>

#include "platform/nt/IoManager.h"
#include "platform/nt/Irql.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/KernelPool.h"
#include "platform/nt/ObjectTable.h"

PVOID ExAllocatePoolWithTag(POOL_TYPE poolType, SIZE_T numberOfBytes, ULONG tag) {
  nt::Kernel& kernel = nt::Kernel::require("ExAllocatePoolWithTag");
  if (poolType == PagedPool && KeGetCurrentIrql() > APC_LEVEL) {
    kernel.verifier().record(nt::Violation::IrqlTooHigh,
                             "paged pool allocated at IRQL " + std::to_string(KeGetCurrentIrql()));
  }
  return kernel.pool().allocate(poolType, numberOfBytes, tag, nt::currentCall().driver);
}

PVOID ExAllocatePool(POOL_TYPE poolType, SIZE_T numberOfBytes) {
  return ExAllocatePoolWithTag(poolType, numberOfBytes, nt::kUntaggedPoolTag);
}

VOID ExFreePool(PVOID block) {
  if (auto owner = nt::ObjectTable::find(block)) {
    if (owner->kernel->pool().free(block)) return;
  }
  if (auto retired = nt::ObjectTable::findRetired(block)) {
    retired->kernel->verifier().record(nt::Violation::BadPoolFree,
                                       "ExFreePool(" + nt::pointerText(block) + "): freed twice");
    return;
  }
  nt::reportViolation(nt::Violation::BadPoolFree, "ExFreePool(" + nt::pointerText(block) + "): not a pool block");
}

VOID ExFreePoolWithTag(PVOID block, ULONG tag) {
  auto owner = nt::ObjectTable::find(block);
  if (owner && owner->tag != tag) {
    owner->kernel->verifier().record(nt::Violation::BadPoolFree,
                                     "ExFreePoolWithTag(" + nt::pointerText(block) + ", '" + nt::Pool::tagText(tag) +
                                         "'): the block has tag '" + nt::Pool::tagText(owner->tag) + "'");
  }
  ExFreePool(block);
}
