#include "platform/nt/Verifier.h"

#include <cstdio>

namespace nt {

std::string pointerText(const void* p) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", p);
  return text;
}

const char* violationName(Violation kind) {
  switch (kind) {
    case Violation::IrpCompletedTwice:
      return "IRP completed twice";
    case Violation::IrpCompletedPending:
      return "IRP completed with STATUS_PENDING";
    case Violation::IrpCompletedWithCancelRoutine:
      return "IRP completed with a cancel routine set";
    case Violation::IrpCompletedWhileCancelling:
      return "IRP completed while its cancel routine was due";
    case Violation::PendingMismatch:
      return "pending mark does not match the dispatch's return";
    case Violation::IrpUnclaimed:
      return "driver-allocated IRP completed past its top";
    case Violation::IrpStackExhausted:
      return "no IRP stack location left";
    case Violation::IrpFreedInUse:
      return "IRP freed while in use";
    case Violation::UnknownIrp:
      return "not an IRP";
    case Violation::IrpOutstandingAtDelete:
      return "IRP outstanding when its device was deleted";
    case Violation::IrpOutstandingAtUnload:
      return "IRP outstanding when its driver unloaded";
    case Violation::IrpOutstandingAtShutdown:
      return "IRP outstanding at shutdown";
    case Violation::IrpToDeletedDevice:
      return "IRP sent to a deleted device";
    case Violation::IrpToDetachedDevice:
      return "IRP sent to a detached device";
    case Violation::UnknownDevice:
      return "not a device object";
    case Violation::DeviceLeftAtUnload:
      return "device object left at driver unload";
    case Violation::DeviceDeletedWhileAttached:
      return "device deleted while still attached";
    case Violation::PoolLeakAtUnload:
      return "pool leaked at driver unload";
    case Violation::PoolLeakAtShutdown:
      return "pool leaked at shutdown";
    case Violation::BadPoolFree:
      return "bad pool free";
    case Violation::WaitAtDispatch:
      return "wait at DISPATCH_LEVEL";
    case Violation::SyncCallAtDispatch:
      return "synchronous call above PASSIVE_LEVEL";
    case Violation::RequestAbovePassive:
      return "bus request above PASSIVE_LEVEL";
    case Violation::IrqlTooHigh:
      return "IRQL too high";
    case Violation::IrqlMismatch:
      return "IRQL not restored";
    case Violation::SpinLockRecursion:
      return "spin lock acquired recursively";
    case Violation::SpinLockNotHeld:
      return "spin lock released but not held";
    case Violation::CancelLockNotReleased:
      return "cancel routine kept the cancel lock";
    case Violation::RemoveLockUnbalanced:
      return "remove lock unbalanced";
    case Violation::WorkItemMisuse:
      return "work item misuse";
    case Violation::MdlMisuse:
      return "MDL misuse";
    case Violation::BufferOverrun:
      return "Information exceeds the buffer";
    case Violation::PowerIrpMisuse:
      return "power IRP misuse";
    case Violation::PnpMisuse:
      return "plug-and-play misuse";
  }
  return "violation";
}

void Verifier::record(Violation kind, std::string text) {
  std::lock_guard lock(mutex_);
  if (echo_) std::fprintf(stderr, "verifier: %s: %s\n", violationName(kind), text.c_str());
  records_.push_back({kind, std::move(text)});
}

std::vector<VerifierRecord> Verifier::records() const {
  std::lock_guard lock(mutex_);
  return records_;
}

bool Verifier::clean() const { return count() == 0; }

std::size_t Verifier::count() const {
  std::lock_guard lock(mutex_);
  return records_.size();
}

std::size_t Verifier::count(Violation kind) const {
  std::lock_guard lock(mutex_);
  std::size_t n = 0;
  for (const auto& r : records_) n += r.kind == kind ? 1 : 0;
  return n;
}

std::string Verifier::report() const {
  std::lock_guard lock(mutex_);
  std::string out;
  for (const auto& r : records_) {
    out += violationName(r.kind);
    out += ": ";
    out += r.text;
    out += '\n';
  }
  return out;
}

void Verifier::clear() {
  std::lock_guard lock(mutex_);
  records_.clear();
}

void Verifier::setEcho(bool echo) {
  std::lock_guard lock(mutex_);
  echo_ = echo;
}

}  // namespace nt
