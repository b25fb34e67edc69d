#pragma once

// A notification that only says "new data is in the store" (a volt-meter reading): while one is on
// its way to the UI thread, or handled and waiting for the next idle update, further ones are
// dropped. The idle update re-opens the gate and, when some were dropped, handles one more, so the
// last reading is always shown. A meter that answers hundreds of times a second then costs the UI
// thread a few wake-ups per idle interval instead of one per reading.
// Posting threads call Admit; the UI thread calls Reopen.

#include <atomic>

class CoalescedNotice {
 public:
  // True when the notification is to be posted; false when one is already pending (it is dropped).
  bool Admit();
  // Opens the gate again; true when notifications were dropped since it closed.
  bool Reopen();

 private:
  std::atomic<bool> pending_{false};
  std::atomic<bool> dropped_{false};
};
