#pragma once

// A window target that records every posted message, for tests: it registers itself on
// construction, unregisters on destruction, and lets a test wait (bounded) for what it expects.

#include "platform/win32/WindowTarget.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

namespace win32 {

class RecordingWindowTarget final : public WindowTarget {
 public:
  RecordingWindowTarget();
  ~RecordingWindowTarget() override;
  RecordingWindowTarget(const RecordingWindowTarget&) = delete;
  RecordingWindowTarget& operator=(const RecordingWindowTarget&) = delete;

  HWND Handle() const { return hwnd_; }

  // Unregisters early (posts fail from then on); the destructor does it otherwise.
  void Unregister();

  void OnPostedMessage(const MSG& message) override;

  std::vector<MSG> Messages() const;  // in order of arrival
  std::vector<UINT> Ids() const;
  std::size_t Count() const;
  std::size_t Count(UINT id) const;
  void Clear();

  // True once the condition holds; false when `milliseconds` pass first.
  bool WaitForMessage(UINT id, DWORD milliseconds) const { return WaitForCount(id, 1, milliseconds); }
  bool WaitForCount(std::size_t count, DWORD milliseconds) const;
  bool WaitForCount(UINT id, std::size_t count, DWORD milliseconds) const;

 private:
  template <class Predicate>
  bool WaitUntil(Predicate done, DWORD milliseconds) const;
  std::size_t CountLocked(UINT id) const;

  HWND hwnd_ = nullptr;
  mutable std::mutex lock_;
  mutable std::condition_variable arrived_;
  std::vector<MSG> messages_;
};

}  // namespace win32
