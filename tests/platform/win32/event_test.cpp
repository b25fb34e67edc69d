#include "platform/win32/Event.h"

#include "platform/win32/HandleTable.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Time.h"
#include "platform/win32/Wait.h"
#include "platform/win32/Win32Errors.h"
#include "tests/platform/win32/Eventually.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace {

using win32test::Eventually;
using win32test::kHangMs;

std::shared_ptr<win32::WaitableObject> ObjectOf(HANDLE h) {
  return win32::ReferenceObjectByHandle<win32::WaitableObject>(h);
}

// Threads that each wait once on `event` and count their wake-ups.
struct Waiters {
  Waiters(HANDLE event, int count) {
    for (int i = 0; i < count; ++i)
      threads.emplace_back([this, event] {
        if (WaitForSingleObject(event, kHangMs) == WAIT_OBJECT_0) ++released;
      });
  }
  ~Waiters() { Join(); }
  void Join() {
    for (auto& t : threads)
      if (t.joinable()) t.join();
  }
  std::vector<std::thread> threads;
  std::atomic<int> released{0};
};

// One thread blocked in `wait`; built once `watched` shows it waiting.
class BlockedWaiter {
 public:
  BlockedWaiter(std::function<DWORD()> wait, const std::shared_ptr<win32::WaitableObject>& watched)
      : thread_([this, wait] { result_ = wait(); }) {
    EXPECT_TRUE(Eventually([&] { return watched->WaiterCount() == 1; }));
  }
  ~BlockedWaiter() {
    if (thread_.joinable()) thread_.join();
  }
  DWORD Result() {
    thread_.join();
    return result_;
  }

 private:
  DWORD result_ = WAIT_FAILED;
  std::thread thread_;
};

TEST(CreateEvent, InitialStateAndResetModes) {
  HANDLE manualSet = CreateEvent(nullptr, TRUE, TRUE, nullptr);
  HANDLE autoSet = CreateEvent(nullptr, FALSE, TRUE, nullptr);
  HANDLE clear = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(manualSet, nullptr);
  ASSERT_NE(autoSet, nullptr);
  ASSERT_NE(clear, nullptr);

  EXPECT_EQ(WaitForSingleObject(manualSet, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(manualSet, 0), WAIT_OBJECT_0);  // a manual-reset event stays set
  EXPECT_EQ(WaitForSingleObject(autoSet, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(autoSet, 0), WAIT_TIMEOUT);  // the satisfied wait reset it
  EXPECT_EQ(WaitForSingleObject(clear, 0), WAIT_TIMEOUT);

  EXPECT_TRUE(SetEvent(clear));
  EXPECT_EQ(WaitForSingleObject(clear, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ResetEvent(clear));
  EXPECT_EQ(WaitForSingleObject(clear, 0), WAIT_TIMEOUT);

  for (HANDLE h : {manualSet, autoSet, clear}) EXPECT_TRUE(CloseHandle(h));
}

TEST(CreateEvent, SameNameOpensTheSameEvent) {
  SetLastError(1234);
  HANDLE first = CreateEvent(nullptr, TRUE, FALSE, "EventTest.Shared");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);

  // The second create keeps the first one's mode and state.
  HANDLE second = CreateEvent(nullptr, FALSE, TRUE, "EventTest.Shared");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_NE(first, second);
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_TIMEOUT);

  HANDLE opened = OpenEvent(EVENT_ALL_ACCESS, FALSE, "EventTest.Shared");
  ASSERT_NE(opened, nullptr);

  EXPECT_TRUE(SetEvent(first));
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(opened, 0), WAIT_OBJECT_0);  // manual reset: still set
  EXPECT_TRUE(ResetEvent(opened));
  EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_TIMEOUT);

  // Names are case-sensitive: another case is another event.
  HANDLE other = CreateEvent(nullptr, TRUE, TRUE, "eventtest.shared");
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_TIMEOUT);

  for (HANDLE h : {first, second, opened, other}) EXPECT_TRUE(CloseHandle(h));
}

TEST(CreateEvent, NameDiesWithItsLastHandle) {
  HANDLE a = CreateEvent(nullptr, TRUE, TRUE, "EventTest.Transient");
  HANDLE b = OpenEvent(SYNCHRONIZE, FALSE, "EventTest.Transient");
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(CloseHandle(a));
  // One handle is still open: the name still leads to the set event.
  HANDLE c = OpenEvent(SYNCHRONIZE, FALSE, "EventTest.Transient");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(WaitForSingleObject(c, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(CloseHandle(b));
  EXPECT_TRUE(CloseHandle(c));

  SetLastError(0);
  EXPECT_EQ(OpenEvent(SYNCHRONIZE, FALSE, "EventTest.Transient"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  HANDLE fresh = CreateEvent(nullptr, TRUE, FALSE, "EventTest.Transient");
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(WaitForSingleObject(fresh, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(CloseHandle(fresh));
}

TEST(OpenEvent, RefusesMissingAndEmptyNames) {
  SetLastError(0);
  EXPECT_EQ(OpenEvent(EVENT_ALL_ACCESS, FALSE, "EventTest.NeverMade"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(OpenEvent(EVENT_ALL_ACCESS, FALSE, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  // An empty name makes an unnamed event, which nothing can open.
  HANDLE unnamed = CreateEvent(nullptr, TRUE, FALSE, "");
  ASSERT_NE(unnamed, nullptr);
  EXPECT_EQ(OpenEvent(EVENT_ALL_ACCESS, FALSE, ""), nullptr);
  EXPECT_TRUE(CloseHandle(unnamed));
}

TEST(AutoResetEvent, ReleasesExactlyOneWaiterPerSet) {
  constexpr int kWaiters = 5;
  HANDLE event = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  auto object = ObjectOf(event);
  Waiters waiters(event, kWaiters);
  ASSERT_TRUE(Eventually([&] { return object->WaiterCount() == kWaiters; }));

  for (int set = 1; set <= kWaiters; ++set) {
    ASSERT_TRUE(SetEvent(event));
    // The set hands the event to one waiter at once and leaves it reset.
    EXPECT_EQ(object->WaiterCount(), static_cast<std::size_t>(kWaiters - set));
    EXPECT_FALSE(object->IsSignalled());
    EXPECT_TRUE(Eventually([&] { return waiters.released == set; }));
  }
  waiters.Join();
  EXPECT_EQ(waiters.released, kWaiters);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  CloseHandle(event);
}

TEST(AutoResetEvent, SetWithNoWaiterStaysSetForOneWait) {
  HANDLE event = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  SetEvent(event);
  SetEvent(event);  // not counted: an event is not a semaphore
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  CloseHandle(event);
}

TEST(ManualResetEvent, ReleasesEveryWaiter) {
  constexpr int kWaiters = 5;
  HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  auto object = ObjectOf(event);
  Waiters waiters(event, kWaiters);
  ASSERT_TRUE(Eventually([&] { return object->WaiterCount() == kWaiters; }));

  ASSERT_TRUE(SetEvent(event));
  EXPECT_EQ(object->WaiterCount(), 0u);
  waiters.Join();
  EXPECT_EQ(waiters.released, kWaiters);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  CloseHandle(event);
}

TEST(WaitForSingleObject, TimesOut) {
  HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(WaitForSingleObject(event, 1), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(event, 30), WAIT_TIMEOUT);
  EXPECT_GE(GetTickCount64() - start, 31u);
  EXPECT_EQ(ObjectOf(event)->WaiterCount(), 0u);  // a timed-out wait leaves no trace
  CloseHandle(event);
}

TEST(WaitForSingleObject, InfiniteWaitEndsWhenAnotherThreadSets) {
  HANDLE event = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  BlockedWaiter waiter([&] { return WaitForSingleObject(event, INFINITE); }, ObjectOf(event));
  SetEvent(event);
  EXPECT_EQ(waiter.Result(), WAIT_OBJECT_0);
  CloseHandle(event);
}

TEST(WaitForMultipleObjects, AnyGivesTheLowestSignalledIndex) {
  HANDLE events[3] = {CreateEvent(nullptr, TRUE, FALSE, nullptr), CreateEvent(nullptr, FALSE, FALSE, nullptr),
                      CreateEvent(nullptr, FALSE, FALSE, nullptr)};
  EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_TIMEOUT);
  SetEvent(events[2]);
  SetEvent(events[1]);
  EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 2);
  EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_TIMEOUT);
  for (HANDLE h : events) CloseHandle(h);
}

TEST(WaitForMultipleObjects, AllTakesNothingUntilEveryObjectIsSet) {
  HANDLE events[2] = {CreateEvent(nullptr, FALSE, FALSE, nullptr), CreateEvent(nullptr, FALSE, FALSE, nullptr)};
  SetEvent(events[0]);
  EXPECT_EQ(WaitForMultipleObjects(2, events, TRUE, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(ObjectOf(events[0])->IsSignalled());  // left for others

  BlockedWaiter waiter([&] { return WaitForMultipleObjects(2, events, TRUE, kHangMs); }, ObjectOf(events[1]));
  SetEvent(events[1]);
  EXPECT_EQ(waiter.Result(), WAIT_OBJECT_0);
  EXPECT_FALSE(ObjectOf(events[0])->IsSignalled());
  EXPECT_FALSE(ObjectOf(events[1])->IsSignalled());

  HANDLE twice[2] = {events[0], events[0]};
  SetLastError(0);
  EXPECT_EQ(WaitForMultipleObjects(2, twice, TRUE, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  for (HANDLE h : events) CloseHandle(h);
}

TEST(WaitForMultipleObjects, BadCountsFail) {
  HANDLE event = CreateEvent(nullptr, TRUE, TRUE, nullptr);
  std::vector<HANDLE> many(MAXIMUM_WAIT_OBJECTS + 1, event);
  SetLastError(0);
  EXPECT_EQ(WaitForMultipleObjects(0, &event, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  SetLastError(0);
  EXPECT_EQ(WaitForMultipleObjects(static_cast<DWORD>(many.size()), many.data(), FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS, many.data(), FALSE, 0), WAIT_OBJECT_0);
  CloseHandle(event);
}

TEST(ClosedEvent, EveryCallFailsWithInvalidHandle) {
  HANDLE event = CreateEvent(nullptr, TRUE, TRUE, nullptr);
  ASSERT_TRUE(CloseHandle(event));

  SetLastError(0);
  EXPECT_FALSE(SetEvent(event));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  SetLastError(0);
  EXPECT_FALSE(ResetEvent(event));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  SetLastError(0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(event));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

  // One bad handle fails the whole multiple wait, even beside a set event.
  HANDLE good = CreateEvent(nullptr, TRUE, TRUE, nullptr);
  HANDLE mixed[2] = {good, event};
  SetLastError(0);
  EXPECT_EQ(WaitForMultipleObjects(2, mixed, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  CloseHandle(good);
}

TEST(ClosedEvent, ClosingTheHandleDuringAWaitIsSafe) {
  HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  auto object = ObjectOf(event);
  BlockedWaiter waiter([&] { return WaitForSingleObject(event, kHangMs); }, object);
  EXPECT_TRUE(CloseHandle(event));
  object->Signal();  // the wait holds its own reference to the object
  EXPECT_EQ(waiter.Result(), WAIT_OBJECT_0);
}

}  // namespace
