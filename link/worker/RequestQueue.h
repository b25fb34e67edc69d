#pragma once

// The worker's side of its message queue. Every take uses the one filter (0..3024) with removal,
// so a request that the running loop does not handle is gone for good. A dropped download request
// is still answered, so that no window waits for a download that never runs, and so is an echo
// (everything before it has been carried out or dropped).

#include "link/protocol/CommTransport.h"
#include "platform/win32/Win32Types.h"

class RequestQueue {
 public:
  explicit RequestQueue(CommTransport& transport) : transport_(transport) {}

  // Removes the oldest message; false when the queue is empty.
  bool Take(MSG& message);

  // A message the running loop does not carry out.
  void Drop(const MSG& message);

 private:
  CommTransport& transport_;
};
