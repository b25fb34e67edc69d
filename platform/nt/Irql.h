#pragma once

// Interrupt request level, tracked per thread. Caller threads run at PASSIVE_LEVEL; spin locks and
// the simulated completion context raise to DISPATCH_LEVEL, where no wait is allowed.

#include "platform/nt/BaseTypes.h"

typedef UCHAR KIRQL;
typedef KIRQL* PKIRQL;

constexpr KIRQL PASSIVE_LEVEL = 0;
constexpr KIRQL LOW_LEVEL = 0;
constexpr KIRQL APC_LEVEL = 1;
constexpr KIRQL DISPATCH_LEVEL = 2;
constexpr KIRQL HIGH_LEVEL = 15;

KIRQL KeGetCurrentIrql();
// Raising to a lower level than the current one is a verifier violation (and is ignored).
VOID KeRaiseIrql(KIRQL newIrql, PKIRQL oldIrql);
KIRQL KeRaiseIrqlToDpcLevel();
// Lowering to a higher level than the current one is a verifier violation (and is ignored).
VOID KeLowerIrql(KIRQL newIrql);

namespace nt {
// Sets the level without checks: for the kernel's own threads and for tests that play a
// completion context.
void setCurrentIrql(KIRQL irql);
}  // namespace nt
