#include "platform/nt/Irql.h"

#include <string>

#include "platform/nt/Kernel.h"

namespace {
thread_local KIRQL t_irql = PASSIVE_LEVEL;
}

namespace nt {
void setCurrentIrql(KIRQL irql) { t_irql = irql; }
}  // namespace nt

KIRQL KeGetCurrentIrql() { return t_irql; }

VOID KeRaiseIrql(KIRQL newIrql, PKIRQL oldIrql) {
  *oldIrql = t_irql;
  if (newIrql < t_irql) {
    nt::reportViolation(nt::Violation::IrqlMismatch,
                        "KeRaiseIrql to " + std::to_string(newIrql) + " from " + std::to_string(t_irql));
    return;
  }
  t_irql = newIrql;
}

KIRQL KeRaiseIrqlToDpcLevel() {
  KIRQL old;
  KeRaiseIrql(DISPATCH_LEVEL, &old);
  return old;
}

VOID KeLowerIrql(KIRQL newIrql) {
  if (newIrql > t_irql) {
    nt::reportViolation(nt::Violation::IrqlMismatch,
                        "KeLowerIrql to " + std::to_string(newIrql) + " from " + std::to_string(t_irql));
    return;
  }
  t_irql = newIrql;
}
