// Spin locks, IRQL, events and remove locks across threads.

#include <atomic>
#include <thread>
#include <vector>

#include "ScriptedDriver.h"

namespace {

class SynchronizationTest : public scripted::KernelTest {};

TEST_F(SynchronizationTest, SpinLockExcludesOtherThreadsAndRaisesTheLevelWhileHeld) {
  KSPIN_LOCK lock;
  KeInitializeSpinLock(&lock);
  long counter = 0;  // deliberately not atomic: the lock protects it
  std::atomic<int> wrongLevel{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      nt::KernelScope scope(&kernel);
      for (int i = 0; i < 20000; ++i) {
        KIRQL old;
        KeAcquireSpinLock(&lock, &old);
        if (KeGetCurrentIrql() != DISPATCH_LEVEL || old != PASSIVE_LEVEL) wrongLevel++;
        counter = counter + 1;
        KeReleaseSpinLock(&lock, old);
        if (KeGetCurrentIrql() != PASSIVE_LEVEL) wrongLevel++;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 80000);
  EXPECT_EQ(wrongLevel.load(), 0);
  EXPECT_EQ(lock, 0u);
}

TEST_F(SynchronizationTest, DpcLevelAcquireKeepsTheLevel) {
  KSPIN_LOCK lock;
  KeInitializeSpinLock(&lock);
  KIRQL old;
  KeRaiseIrql(DISPATCH_LEVEL, &old);
  KeAcquireSpinLockAtDpcLevel(&lock);
  EXPECT_TRUE(nt::spinLockHeldByCurrentThread(&lock));
  KeReleaseSpinLockFromDpcLevel(&lock);
  EXPECT_EQ(KeGetCurrentIrql(), DISPATCH_LEVEL);
  KeLowerIrql(old);
  EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
}

TEST_F(SynchronizationTest, SynchronizationEventReleasesOneWaiterPerSet) {
  KEVENT event;
  KeInitializeEvent(&event, SynchronizationEvent, FALSE);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 2; ++i) {
    waiters.emplace_back([&] {
      KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr);
      released++;
    });
  }
  KeSetEvent(&event, 0, FALSE);
  while (released.load() < 1) std::this_thread::yield();
  EXPECT_EQ(KeReadStateEvent(&event), 0);  // taken by the one it released
  EXPECT_EQ(released.load(), 1);
  KeSetEvent(&event, 0, FALSE);
  for (auto& w : waiters) w.join();
  EXPECT_EQ(released.load(), 2);
  EXPECT_EQ(KeReadStateEvent(&event), 0);
}

TEST_F(SynchronizationTest, NotificationEventReleasesEveryWaiterAndStaysSet) {
  KEVENT event;
  KeInitializeEvent(&event, NotificationEvent, FALSE);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i) {
    waiters.emplace_back([&] {
      KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr);
      released++;
    });
  }
  EXPECT_EQ(KeSetEvent(&event, 0, FALSE), 0);
  for (auto& w : waiters) w.join();
  EXPECT_EQ(released.load(), 3);
  EXPECT_EQ(KeReadStateEvent(&event), 1);
  EXPECT_EQ(KeResetEvent(&event), 1);
  LARGE_INTEGER poll;
  poll.QuadPart = 0;
  EXPECT_EQ(KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, &poll), STATUS_TIMEOUT);
  LARGE_INTEGER shortWait;
  shortWait.QuadPart = -10 * 1000;  // 1 ms
  EXPECT_EQ(KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, &shortWait), STATUS_TIMEOUT);
}

TEST_F(SynchronizationTest, RemoveLockRefusesNewHoldersOnceRemovalStartedAndWaitsForTheOthers) {
  IO_REMOVE_LOCK lock;
  IoInitializeRemoveLock(&lock, 0, 0, 0);
  int request = 0, removal = 0;
  ASSERT_EQ(IoAcquireRemoveLock(&lock, &request), STATUS_SUCCESS);
  ASSERT_EQ(IoAcquireRemoveLock(&lock, &removal), STATUS_SUCCESS);
  std::atomic<bool> done{false};
  std::thread remover([&] {
    IoReleaseRemoveLockAndWait(&lock, &removal);
    done = true;
  });
  while (!std::atomic_ref<BOOLEAN>(lock.Removed).load()) std::this_thread::yield();
  int late = 0;
  EXPECT_EQ(IoAcquireRemoveLock(&lock, &late), STATUS_DELETE_PENDING);
  EXPECT_FALSE(done.load());  // the request's hold is still there
  IoReleaseRemoveLock(&lock, &request);
  remover.join();
  EXPECT_TRUE(done.load());
  EXPECT_EQ(lock.IoCount, 0);
}

TEST_F(SynchronizationTest, RemoveLockTracksManyTagsAtOnce) {
  IO_REMOVE_LOCK lock;
  IoInitializeRemoveLock(&lock, 0, 0, 0);
  std::vector<int> tags(kRemoveLockTagSlots + 10);
  for (int& t : tags) ASSERT_EQ(IoAcquireRemoveLock(&lock, &t), STATUS_SUCCESS);
  EXPECT_EQ(lock.IoCount, static_cast<LONG>(tags.size()) + 1);
  for (int& t : tags) IoReleaseRemoveLock(&lock, &t);
  EXPECT_EQ(lock.IoCount, 1);
}

TEST_F(SynchronizationTest, InterlockedOperationsReturnThePlatformsValues) {
  LONG value = 5;
  EXPECT_EQ(InterlockedIncrement(&value), 6);
  EXPECT_EQ(InterlockedDecrement(&value), 5);
  EXPECT_EQ(InterlockedExchangeAdd(&value, 10), 5);
  EXPECT_EQ(value, 15);
  EXPECT_EQ(InterlockedCompareExchange(&value, 1, 99), 15);
  EXPECT_EQ(value, 15);
  EXPECT_EQ(InterlockedCompareExchange(&value, 1, 15), 15);
  EXPECT_EQ(value, 1);
  PVOID slot = &value;
  EXPECT_EQ(InterlockedExchangePointer(&slot, nullptr), &value);
  EXPECT_EQ(slot, nullptr);
}

TEST_F(SynchronizationTest, ListHelpersKeepOrderAndAnUnlinkedEntryCanBeRemovedAgain) {
  struct Item {
    int value;
    LIST_ENTRY link;
  } a{1, {}}, b{2, {}}, c{3, {}};
  LIST_ENTRY head;
  InitializeListHead(&head);
  EXPECT_TRUE(IsListEmpty(&head));
  InsertTailList(&head, &a.link);
  InsertTailList(&head, &b.link);
  InsertHeadList(&head, &c.link);
  EXPECT_EQ(CONTAINING_RECORD(RemoveHeadList(&head), Item, link)->value, 3);
  PLIST_ENTRY taken = RemoveHeadList(&head);
  EXPECT_EQ(CONTAINING_RECORD(taken, Item, link)->value, 1);
  InitializeListHead(taken);
  RemoveEntryList(taken);  // harmless
  EXPECT_EQ(CONTAINING_RECORD(RemoveTailList(&head), Item, link)->value, 2);
  EXPECT_TRUE(IsListEmpty(&head));
}

}  // namespace
