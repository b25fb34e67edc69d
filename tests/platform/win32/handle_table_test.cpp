#include "platform/win32/HandleTable.h"

#include "platform/win32/Event.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Wait.h"
#include "platform/win32/WaitableObject.h"
#include "platform/win32/Win32Errors.h"
#include "tests/platform/win32/Eventually.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <set>
#include <thread>
#include <vector>

namespace {

DWORD OpenHandles() {
  DWORD count = 0;
  EXPECT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &count));
  return count;
}

// A waitable object of another type, as a device file will be: signalled when its work is done,
// with work to do when its last handle goes.
class TestFile : public win32::WaitableObject {
 public:
  explicit TestFile(std::atomic<int>& closes) : WaitableObject(ResetMode::Manual, false), closes_(closes) {}
  const char* TypeName() const override { return "File"; }
  void Complete() { Signal(); }

 protected:
  void OnLastHandleClosed() override { ++closes_; }

 private:
  std::atomic<int>& closes_;
};

TEST(HandleTable, ClosedUnknownAndSpecialHandlesAreRejected) {
  const DWORD before = OpenHandles();
  HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  EXPECT_EQ(OpenHandles(), before + 1);
  ASSERT_TRUE(CloseHandle(event));
  EXPECT_EQ(OpenHandles(), before);

  for (HANDLE bad : {event, static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE, reinterpret_cast<HANDLE>(0x3),
                     reinterpret_cast<HANDLE>(0x7FFFFFF0)}) {
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(bad));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    SetLastError(0);
    EXPECT_EQ(WaitForSingleObject(bad, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  }
  EXPECT_EQ(OpenHandles(), before);
}

TEST(HandleTable, HandleValuesAreNotReused) {
  std::set<HANDLE> seen;
  for (int i = 0; i < 1000; ++i) {
    HANDLE h = CreateEvent(nullptr, FALSE, FALSE, nullptr);
    EXPECT_TRUE(seen.insert(h).second);
    EXPECT_NE(h, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
  }
}

TEST(HandleTable, WrongObjectTypeIsAnInvalidHandle) {
  std::atomic<int> closes{0};
  HANDLE file = win32::HandleTable::Instance().Insert(std::make_shared<TestFile>(closes));
  SetLastError(0);
  EXPECT_FALSE(SetEvent(file));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(win32::ReferenceObjectByHandle<win32::Event>(file), nullptr);
  EXPECT_NE(win32::ReferenceObjectByHandle<TestFile>(file), nullptr);
  EXPECT_TRUE(CloseHandle(file));
}

TEST(HandleTable, NamedObjectOfAnotherTypeIsNotOpenedAsAnEvent) {
  std::atomic<int> closes{0};
  bool existed = true;
  auto isFile = [](const win32::KernelObject& o) { return dynamic_cast<const TestFile*>(&o) != nullptr; };
  HANDLE file = win32::HandleTable::Instance().CreateOrOpen(
      "HandleTableTest.File", [&] { return std::make_shared<TestFile>(closes); }, isFile, existed);
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(existed);

  SetLastError(0);
  EXPECT_EQ(CreateEvent(nullptr, TRUE, FALSE, "HandleTableTest.File"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  SetLastError(0);
  EXPECT_EQ(OpenEvent(SYNCHRONIZE, FALSE, "HandleTableTest.File"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_TRUE(CloseHandle(file));
}

TEST(HandleTable, OtherWaitableTypesWaitAndCloseLikeEvents) {
  std::atomic<int> closes{0};
  auto object = std::make_shared<TestFile>(closes);
  std::weak_ptr<TestFile> watch = object;
  HANDLE first = win32::HandleTable::Instance().Insert(object);
  HANDLE second = win32::HandleTable::Instance().Insert(object);
  object.reset();

  EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_TIMEOUT);
  DWORD result = WAIT_FAILED;
  std::thread waiter([&] { result = WaitForSingleObject(second, win32test::kHangMs); });
  EXPECT_TRUE(win32test::Eventually([&] { return watch.lock()->WaiterCount() == 1; }));
  watch.lock()->Complete();
  waiter.join();
  EXPECT_EQ(result, WAIT_OBJECT_0);

  EXPECT_TRUE(CloseHandle(first));
  EXPECT_EQ(closes, 0);
  EXPECT_FALSE(watch.expired());
  EXPECT_TRUE(CloseHandle(second));
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(watch.expired());  // the last handle held the last reference
}

TEST(HandleTable, ConcurrentCreateAndCloseKeepTheCountBalanced) {
  const DWORD before = OpenHandles();
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 500; ++i) {
        // Half the threads share one name, so opens and last closes race.
        HANDLE h = CreateEvent(nullptr, TRUE, FALSE, t % 2 ? "HandleTableTest.Race" : nullptr);
        if (h == nullptr || !SetEvent(h) || WaitForSingleObject(h, 0) != WAIT_OBJECT_0 || !CloseHandle(h)) ++failures;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(OpenHandles(), before);
  SetLastError(0);
  EXPECT_EQ(OpenEvent(SYNCHRONIZE, FALSE, "HandleTableTest.Race"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(GetProcessHandleCount, RefusesOtherProcessesAndNullOutput) {
  DWORD count = 0;
  SetLastError(0);
  EXPECT_FALSE(GetProcessHandleCount(reinterpret_cast<HANDLE>(0x1234), &count));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  SetLastError(0);
  EXPECT_FALSE(GetProcessHandleCount(GetCurrentProcess(), nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
