#include "platform/nt/CallContext.h"

#include <string>

#include "platform/nt/Kernel.h"

namespace nt {

namespace {
thread_local CallContext t_call;
}

const CallContext& currentCall() { return t_call; }

KernelScope::KernelScope(Kernel* kernel) : previous_(t_call.kernel) { t_call.kernel = kernel; }

KernelScope::~KernelScope() { t_call.kernel = previous_; }

DriverCall::DriverCall(Kernel& kernel, PDRIVER_OBJECT driver, PDEVICE_OBJECT device, const char* what, bool checkIrql)
    : saved_(t_call), irql_(KeGetCurrentIrql()), what_(what), checkIrql_(checkIrql) {
  t_call = CallContext{&kernel, driver, device};
}

DriverCall::~DriverCall() {
  Kernel* kernel = t_call.kernel;
  KIRQL now = KeGetCurrentIrql();
  if (checkIrql_ && now != irql_) {
    kernel->verifier().record(Violation::IrqlMismatch, std::string(what_) + " returned at IRQL " + std::to_string(now) +
                                                           ", called at " + std::to_string(irql_));
    setCurrentIrql(irql_);
  }
  t_call = saved_;
}

}  // namespace nt
