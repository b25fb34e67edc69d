#pragma once

// Bounded polling for tests: true as soon as `condition` holds, false only after a long limit that
// a working system never reaches (so a failure means a hang, not a slow machine).

#include <chrono>
#include <thread>

namespace win32test {

constexpr unsigned kHangMs = 10000;

template <class Condition>
bool Eventually(Condition condition, unsigned limitMs = kHangMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace win32test
