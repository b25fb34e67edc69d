#include "platform/win32/WindowTarget.h"

#include "platform/win32/LastError.h"
#include "platform/win32/RecordingWindowTarget.h"
#include "platform/win32/Win32Errors.h"
#include "tests/platform/win32/Eventually.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

using win32::RecordingWindowTarget;
using win32test::Eventually;
using win32test::kHangMs;

constexpr UINT kNotify = WM_USER + 1009;  // 2033

TEST(WindowTarget, PostReachesTheTargetWithItsFields) {
  RecordingWindowTarget target;
  ASSERT_NE(target.Handle(), nullptr);
  EXPECT_TRUE(IsWindow(target.Handle()));
  char buffer[4];
  ASSERT_TRUE(PostMessage(target.Handle(), kNotify, reinterpret_cast<WPARAM>(buffer), 1));
  ASSERT_TRUE(PostMessage(target.Handle(), kNotify + 5, 0, -1));

  const std::vector<MSG> got = target.Messages();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].hwnd, target.Handle());
  EXPECT_EQ(got[0].message, kNotify);
  EXPECT_EQ(reinterpret_cast<char*>(got[0].wParam), buffer);
  EXPECT_EQ(got[0].lParam, 1);
  EXPECT_EQ(got[1].message, kNotify + 5);
  EXPECT_EQ(got[1].lParam, -1);
  EXPECT_EQ(target.Count(kNotify), 1u);
}

TEST(WindowTarget, EachTargetGetsOnlyItsOwnMessages) {
  RecordingWindowTarget a, b;
  EXPECT_NE(a.Handle(), b.Handle());
  ASSERT_TRUE(PostMessage(a.Handle(), 1, 0, 0));
  ASSERT_TRUE(PostMessage(b.Handle(), 2, 0, 0));
  ASSERT_TRUE(PostMessage(b.Handle(), 3, 0, 0));
  EXPECT_EQ(a.Ids(), std::vector<UINT>{1});
  EXPECT_EQ(b.Ids(), (std::vector<UINT>{2, 3}));
}

TEST(WindowTarget, PostToNullFails) {
  SetLastError(0);
  EXPECT_FALSE(PostMessage(nullptr, kNotify, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(IsWindow(nullptr));
}

TEST(WindowTarget, PostToAStaleHandleFailsWithoutEffect) {
  RecordingWindowTarget target;
  const HWND stale = target.Handle();
  target.Unregister();
  EXPECT_FALSE(IsWindow(stale));
  SetLastError(0);
  EXPECT_FALSE(PostMessage(stale, kNotify, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(target.Count(), 0u);

  // A newer registration never takes the old handle.
  RecordingWindowTarget newer;
  EXPECT_NE(newer.Handle(), stale);
  EXPECT_FALSE(PostMessage(stale, kNotify, 0, 0));
  EXPECT_EQ(newer.Count(), 0u);
  EXPECT_FALSE(win32::UnregisterWindowTarget(stale));
}

// Counts deliveries that arrive after it was told it is unregistered.
class WatchfulTarget : public win32::WindowTarget {
 public:
  void OnPostedMessage(const MSG&) override {
    ++delivered;
    if (closed) ++late;
  }
  std::atomic<bool> closed{false};
  std::atomic<int> delivered{0};
  std::atomic<int> late{0};
};

TEST(WindowTarget, UnregisterWhilePostersRunIsSafe) {
  auto target = std::make_unique<WatchfulTarget>();
  const HWND hwnd = win32::RegisterWindowTarget(*target);
  std::atomic<int> late{0};
  std::atomic<int> wrongErrors{0};
  std::atomic<bool> stop{false};

  std::vector<std::thread> posters;
  for (int i = 0; i < 6; ++i) {
    posters.emplace_back([&] {
      while (!stop) {
        if (!PostMessage(hwnd, kNotify, 0, 0) && GetLastError() != ERROR_INVALID_WINDOW_HANDLE) ++wrongErrors;
      }
    });
  }
  ASSERT_TRUE(Eventually([&] { return target->delivered > 1000; }));
  ASSERT_TRUE(win32::UnregisterWindowTarget(hwnd));
  target->closed = true;
  const int deliveredAtUnregister = target->delivered;
  late = target->late.load();
  target.reset();  // posters still run: a delivery now would touch freed memory
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  stop = true;
  for (auto& t : posters) t.join();

  EXPECT_GT(deliveredAtUnregister, 1000);
  EXPECT_EQ(late, 0);
  EXPECT_EQ(wrongErrors, 0);
}

// Unregisters itself from inside a delivery.
class SelfRemovingTarget : public win32::WindowTarget {
 public:
  void OnPostedMessage(const MSG& message) override {
    removed = win32::UnregisterWindowTarget(message.hwnd);
    postAfterRemoval = PostMessage(message.hwnd, kNotify, 0, 0);
  }
  bool removed = false;
  BOOL postAfterRemoval = TRUE;
};

TEST(WindowTarget, TargetMayUnregisterItselfWhileDelivering) {
  SelfRemovingTarget target;
  const HWND hwnd = win32::RegisterWindowTarget(target);
  ASSERT_TRUE(PostMessage(hwnd, kNotify, 0, 0));
  EXPECT_TRUE(target.removed);
  EXPECT_FALSE(target.postAfterRemoval);
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST(RecordingWindowTarget, WaitsForMessagesFromOtherThreads) {
  RecordingWindowTarget target;
  EXPECT_FALSE(target.WaitForMessage(kNotify, 0));
  EXPECT_FALSE(target.WaitForCount(1, 5));

  std::thread poster([&] {
    for (int i = 0; i < 50; ++i) PostMessage(target.Handle(), kNotify, static_cast<WPARAM>(i), 0);
    PostMessage(target.Handle(), kNotify + 1, 0, 0);
  });
  EXPECT_TRUE(target.WaitForMessage(kNotify + 1, kHangMs));
  EXPECT_TRUE(target.WaitForCount(kNotify, 50, kHangMs));
  poster.join();

  const std::vector<MSG> got = target.Messages();
  ASSERT_EQ(got.size(), 51u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(got[i].wParam, static_cast<WPARAM>(i));
  target.Clear();
  EXPECT_EQ(target.Count(), 0u);
}

}  // namespace
