#include "platform/win32/ThreadMessages.h"

#include "platform/win32/Event.h"
#include "platform/win32/HandleTable.h"
#include "platform/win32/LastError.h"
#include "platform/win32/ThreadState.h"
#include "platform/win32/Time.h"
#include "platform/win32/Wait.h"
#include "platform/win32/Win32Errors.h"
#include "tests/platform/win32/Eventually.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using win32test::Eventually;
using win32test::kHangMs;

constexpr UINT kRequest = WM_USER + 1001;  // 2025

// Takes every queued message of the calling thread, oldest first.
std::vector<MSG> Drain() {
  std::vector<MSG> all;
  MSG msg{};
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) all.push_back(msg);
  return all;
}

TEST(ThreadIdentity, IdIsNonZeroStableAndDistinctPerLiveThread) {
  const DWORD mine = GetCurrentThreadId();
  EXPECT_NE(mine, 0u);
  EXPECT_EQ(GetCurrentThreadId(), mine);

  DWORD other = 0;
  std::thread t([&] { other = GetCurrentThreadId(); });
  t.join();
  EXPECT_NE(other, 0u);
  EXPECT_NE(other, mine);
}

TEST(PostThreadMessage, UnknownIdAndZeroFailWithoutEffect) {
  Drain();
  SetLastError(0);
  EXPECT_FALSE(PostThreadMessage(0, kRequest, 1, 2));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);

  SetLastError(0);
  EXPECT_FALSE(PostThreadMessage(0x7FFFFFF0, kRequest, 1, 2));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);

  MSG msg{};
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST(PostThreadMessage, CarriesPointerWideParametersAndPostTime) {
  Drain();
  int target = 0;
  const DWORD before = GetTickCount();
  ASSERT_TRUE(PostThreadMessage(GetCurrentThreadId(), kRequest, reinterpret_cast<WPARAM>(&target), -5));
  const DWORD after = GetTickCount();

  MSG msg{};
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(msg.message, kRequest);
  EXPECT_EQ(reinterpret_cast<int*>(msg.wParam), &target);
  EXPECT_EQ(msg.lParam, -5);
  EXPECT_LE(msg.time - before, after - before);
}

TEST(PeekMessage, FilterLeavesOtherMessagesQueuedInOrder) {
  Drain();
  const DWORD self = GetCurrentThreadId();
  ASSERT_TRUE(PostThreadMessage(self, 1500, 1, 0));
  ASSERT_TRUE(PostThreadMessage(self, 2030, 2, 0));
  ASSERT_TRUE(PostThreadMessage(self, 3000, 3, 0));
  ASSERT_TRUE(PostThreadMessage(self, 2040, 4, 0));

  MSG msg{};
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 2000, 2100, PM_REMOVE));
  EXPECT_EQ(msg.message, 2030u);
  EXPECT_EQ(msg.wParam, 2u);

  EXPECT_FALSE(PeekMessage(&msg, nullptr, 3001, 3024, PM_REMOVE));

  const std::vector<MSG> rest = Drain();
  ASSERT_EQ(rest.size(), 3u);
  EXPECT_EQ(rest[0].message, 1500u);
  EXPECT_EQ(rest[1].message, 3000u);
  EXPECT_EQ(rest[2].message, 2040u);
}

TEST(PeekMessage, FilterBoundsAreInclusive) {
  Drain();
  const DWORD self = GetCurrentThreadId();
  ASSERT_TRUE(PostThreadMessage(self, 3024, 0, 0));
  ASSERT_TRUE(PostThreadMessage(self, 3025, 0, 0));
  MSG msg{};
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 3024, PM_REMOVE));
  EXPECT_EQ(msg.message, 3024u);
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 3024, PM_REMOVE));
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 3025, 3025, PM_REMOVE));
}

TEST(PeekMessage, NoRemoveLeavesTheMessageForTheNextPeek) {
  Drain();
  ASSERT_TRUE(PostThreadMessage(GetCurrentThreadId(), kRequest, 7, 8));
  MSG first{}, second{}, third{};
  ASSERT_TRUE(PeekMessage(&first, nullptr, 0, 0, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessage(&second, nullptr, 0, 0, PM_NOREMOVE | PM_NOYIELD));
  EXPECT_EQ(first.wParam, 7u);
  EXPECT_EQ(second.wParam, 7u);
  ASSERT_TRUE(PeekMessage(&third, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(third.lParam, 8);
  EXPECT_FALSE(PeekMessage(&third, nullptr, 0, 0, PM_REMOVE));
}

TEST(PeekMessage, WindowFilterAndNullRecord) {
  Drain();
  ASSERT_TRUE(PostThreadMessage(GetCurrentThreadId(), kRequest, 0, 0));
  MSG msg{};
  // Thread messages belong to no window.
  EXPECT_FALSE(PeekMessage(&msg, reinterpret_cast<HWND>(0x10002), 0, 0, PM_REMOVE));
  SetLastError(0);
  EXPECT_FALSE(PeekMessage(nullptr, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(PeekMessage(&msg, reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)), 0, 0, PM_REMOVE));
}

TEST(PostThreadMessage, FullQueueRefusesFurtherPosts) {
  Drain();
  const DWORD self = GetCurrentThreadId();
  for (std::size_t i = 0; i < win32::MessageQueue::kLimit; ++i) ASSERT_TRUE(PostThreadMessage(self, kRequest, i, 0));
  SetLastError(0);
  EXPECT_FALSE(PostThreadMessage(self, kRequest, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_QUOTA);

  MSG msg{};
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 0u);
  EXPECT_TRUE(PostThreadMessage(self, kRequest, 99, 0));
  EXPECT_EQ(Drain().size(), win32::MessageQueue::kLimit);
}

TEST(PostThreadMessage, ManySendersLoseNothingAndKeepEachSendersOrder) {
  constexpr int kSenders = 8;
  constexpr int kEach = 1000;
  std::atomic<DWORD> receiverId{0};
  std::vector<std::vector<LPARAM>> seen(kSenders);
  int received = 0;

  std::thread receiver([&] {
    receiverId = GetCurrentThreadId();
    MSG msg{};
    while (received < kSenders * kEach) {
      if (PeekMessage(&msg, nullptr, 0, 3024, PM_REMOVE)) {
        seen.at(msg.wParam).push_back(msg.lParam);
        ++received;
      } else if (MsgWaitForMultipleObjects(0, nullptr, FALSE, kHangMs, QS_ALLPOSTMESSAGE) == WAIT_TIMEOUT) {
        return;  // a hang: the check below fails
      }
    }
  });
  ASSERT_TRUE(Eventually([&] { return receiverId != 0; }));

  std::vector<std::thread> senders;
  std::atomic<int> failures{0};
  for (int s = 0; s < kSenders; ++s) {
    senders.emplace_back([&, s] {
      for (int i = 0; i < kEach; ++i)
        if (!PostThreadMessage(receiverId, kRequest, static_cast<WPARAM>(s), i)) ++failures;
    });
  }
  for (auto& t : senders) t.join();
  receiver.join();

  EXPECT_EQ(failures, 0);
  ASSERT_EQ(received, kSenders * kEach);
  for (int s = 0; s < kSenders; ++s) {
    ASSERT_EQ(seen[s].size(), static_cast<std::size_t>(kEach));
    for (int i = 0; i < kEach; ++i) ASSERT_EQ(seen[s][i], i) << "sender " << s;
  }
}

TEST(ThreadQueue, GoesAwayWhenItsThreadEnds) {
  const std::size_t liveBefore = win32::ThreadState::LiveCount();
  HANDLE done = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  std::atomic<DWORD> id{0};
  std::atomic<bool> exitCallbackSawId{false};

  std::thread t([&] {
    win32::ThreadState& state = win32::ThreadState::Current();
    id = state.Id();
    state.AtExit([&] { exitCallbackSawId = GetCurrentThreadId() == id; });
    WaitForSingleObject(done, kHangMs);
  });
  ASSERT_TRUE(Eventually([&] { return id != 0; }));
  EXPECT_EQ(win32::ThreadState::LiveCount(), liveBefore + 1);
  EXPECT_TRUE(PostThreadMessage(id, kRequest, 0, 0));  // the thread is alive: its queue takes it

  SetEvent(done);
  t.join();
  EXPECT_TRUE(exitCallbackSawId);
  EXPECT_EQ(win32::ThreadState::LiveCount(), liveBefore);
  SetLastError(0);
  EXPECT_FALSE(PostThreadMessage(id, kRequest, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
  CloseHandle(done);
}

TEST(ThreadQueue, ThreadIdsAreNotReusedAfterAThreadEnds) {
  DWORD first = 0, second = 0;
  std::thread([&] { first = GetCurrentThreadId(); }).join();
  std::thread([&] { second = GetCurrentThreadId(); }).join();
  EXPECT_NE(first, second);
}

TEST(MsgWait, ReturnsAtOnceForAQueuedMessageAndTimesOutOnAnEmptyQueue) {
  Drain();
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT), WAIT_TIMEOUT);
  const DWORD start = GetTickCount();
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT), WAIT_TIMEOUT);
  EXPECT_GE(GetTickCount() - start, 20u);

  ASSERT_TRUE(PostThreadMessage(GetCurrentThreadId(), kRequest, 0, 0));
  HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 0, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
  // A message that a filtered peek passed over still counts.
  MSG msg{};
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 1, 2, PM_REMOVE));
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 0, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
  // Without posted messages in the wake mask only the handles count.
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 0, QS_KEY), WAIT_TIMEOUT);
  SetEvent(event);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 0, QS_ALLINPUT), WAIT_OBJECT_0);
  Drain();
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, TRUE, 0, QS_ALLINPUT), WAIT_TIMEOUT);
  CloseHandle(event);

  SetLastError(0);
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(MsgWait, WakesWhenAnotherThreadPosts) {
  std::atomic<DWORD> id{0};
  DWORD result = WAIT_FAILED;
  MSG msg{};
  std::thread t([&] {
    id = GetCurrentThreadId();
    result = MsgWaitForMultipleObjects(0, nullptr, FALSE, kHangMs, QS_POSTMESSAGE);
    PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE);
  });
  // Post only once the thread is blocked in its wait.
  EXPECT_TRUE(Eventually([&] {
    auto queue = win32::ThreadState::FindQueue(id);
    return queue && queue->WaiterCount() == 1;
  }));
  EXPECT_TRUE(PostThreadMessage(id, kRequest, 42, 0));
  t.join();
  EXPECT_EQ(result, WAIT_OBJECT_0);
  EXPECT_EQ(msg.wParam, 42u);
}

}  // namespace
