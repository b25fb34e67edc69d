#pragma once

// An object a thread can wait on: a signal state with manual or auto reset and a list of waiting
// threads. All signal states live under one process-wide lock, so a wait on several objects sees
// them consistently and a signal hands an auto-reset object to exactly one waiter.
//
// Events, message queues and (later) device files derive from it; what "signalled" means is up to
// the object, which calls Signal() and Reset().

#include "platform/win32/KernelObject.h"

#include <cstddef>
#include <span>
#include <vector>

namespace win32 {

struct WaitBlock;

class WaitableObject : public KernelObject {
 public:
  enum class ResetMode {
    Manual,  // stays signalled until Reset(): releases every waiter
    Auto,    // a satisfied wait resets it: releases exactly one waiter
  };

  ResetMode Mode() const { return mode_; }
  bool IsSignalled() const;

  // Threads blocked on this object right now (lets tests wait until a waiter is in place).
  std::size_t WaiterCount() const;

  // Sets the signal state and releases waiters: every one for a manual-reset object, at most one
  // (the longest waiting that can be satisfied) for an auto-reset object.
  void Signal();
  void Reset();

 protected:
  WaitableObject(ResetMode mode, bool initiallySignalled);
  ~WaitableObject() override;

 private:
  friend struct Dispatcher;
  const ResetMode mode_;
  bool signalled_;                   // guarded by the dispatcher lock
  std::vector<WaitBlock*> waiters_;  // in order of arrival; guarded by the dispatcher lock
};

// Waits until one object (waitAll false) or all objects at once (waitAll true) are signalled, or
// `milliseconds` pass (0 = test only, INFINITE = no limit). Returns WAIT_OBJECT_0 + index of the
// object that satisfied a wait-any (the lowest when several are), WAIT_OBJECT_0 for a wait-all,
// WAIT_TIMEOUT, or WAIT_FAILED with ERROR_INVALID_PARAMETER when the list is empty, too long, or
// names one object twice in a wait-all. The caller keeps the objects alive during the wait.
DWORD WaitForObjects(std::span<WaitableObject* const> objects, bool waitAll, DWORD milliseconds);

}  // namespace win32
