#include "shell/model/CoalescedNotice.h"

bool CoalescedNotice::Admit() {
  if (!pending_.exchange(true)) return true;
  dropped_.store(true);
  return false;
}

bool CoalescedNotice::Reopen() {
  // Open first: a notification dropped before this point is seen below; one after it is posted.
  pending_.store(false);
  return dropped_.exchange(false);
}
