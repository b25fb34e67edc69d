#pragma once

// The kernel's verifier log. Faults that a real system would stop on are recorded here with a
// readable text and the kernel carries on as safely as it can; tests of correct drivers expect the
// log to stay empty, tests of deliberately wrong drivers look for the violation they provoke.

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace nt {

enum class Violation {
  IrpCompletedTwice,              // completed after it reached its requester, or after it was freed
  IrpCompletedPending,            // completed with STATUS_PENDING
  IrpCompletedWithCancelRoutine,  // completed while a cancel routine was still set
  IrpCompletedWhileCancelling,    // completed by another path after IoCancelIrp took its cancel routine
  PendingMismatch,                // a location's pending mark and its dispatch routine's return disagree
  IrpUnclaimed,                   // a driver-allocated IRP completed past its top location
  IrpStackExhausted,              // sent on with no stack location left
  IrpFreedInUse,                  // IoFreeIrp on an IRP that a driver below or the I/O manager still owns
  UnknownIrp,                     // not an IRP of this kernel
  IrpOutstandingAtDelete,         // an IRP still passes through a device that is being deleted
  IrpOutstandingAtUnload,         // an IRP still passes through a device of a driver that unloads
  IrpOutstandingAtShutdown,
  IrpToDeletedDevice,
  IrpToDetachedDevice,
  UnknownDevice,
  DeviceLeftAtUnload,
  DeviceDeletedWhileAttached,  // IoDeleteDevice before IoDetachDevice
  PoolLeakAtUnload,
  PoolLeakAtShutdown,
  BadPoolFree,  // not a pool block, or freed twice
  WaitAtDispatch,
  SyncCallAtDispatch,   // a routine that waits, called above PASSIVE_LEVEL
  RequestAbovePassive,  // a bus request that must be sent at PASSIVE_LEVEL arrived above it
  IrqlTooHigh,          // a routine called above the highest level it allows
  IrqlMismatch,         // a driver routine returned at another level than it was called at
  SpinLockRecursion,
  SpinLockNotHeld,
  CancelLockNotReleased,
  RemoveLockUnbalanced,
  WorkItemMisuse,
  MdlMisuse,
  BufferOverrun,   // Information larger than the requester's buffer
  PowerIrpMisuse,  // PoStartNextPowerIrp missing or repeated, a power IRP sent without PoCallDriver
  PnpMisuse,       // a PnP or power IRP that never completed, a PDO the PnP manager does not know
};

const char* violationName(Violation kind);

// A pointer as the messages show it.
std::string pointerText(const void* p);

struct VerifierRecord {
  Violation kind;
  std::string text;
};

class Verifier {
 public:
  void record(Violation kind, std::string text);
  std::vector<VerifierRecord> records() const;
  bool clean() const;
  std::size_t count() const;
  std::size_t count(Violation kind) const;
  // One line per record: "<name>: <text>".
  std::string report() const;
  void clear();
  // Also print each record to stderr as it happens.
  void setEcho(bool echo);

 private:
  mutable std::mutex mutex_;
  std::vector<VerifierRecord> records_;
  bool echo_ = false;
};

}  // namespace nt
