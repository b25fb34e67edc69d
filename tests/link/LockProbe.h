#pragma once

// Whether a read of the store waits for its lock: run on a thread of its own while the test holds
// dataMutex, it must not finish; once the lock is let go, it must. A read that does not take the
// lock finishes at once, so the probe fails it well within the bound; one that does is never early.

#include <chrono>
#include <functional>
#include <future>

#include "link/store/OruData.h"

namespace linktest {

inline bool ReadWaitsForTheStoreLock(CORUData& store, const std::function<void()>& read) {
  std::future<void> done;
  {
    auto held = store.HoldData();
    done = std::async(std::launch::async, read);
    if (done.wait_for(std::chrono::milliseconds(200)) == std::future_status::ready) return false;
  }
  return done.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
}

}  // namespace linktest
