// CancelIo and thread exit: which requests they cancel, and that an OVERLAPPED record is never
// written after its caller has seen the request finish or has reused the record.

#include "DioFixture.h"

#include <cstring>
#include <future>
#include <thread>

#include "platform/win32/IoRequest.h"

namespace dio {
namespace {

using Cancel = DioTest;

TEST_F(Cancel, CancelIoAbortsAPendingReadAndLeavesItsBufferAlone) {
  HANDLE handle = Open();
  HANDLE event = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  OVERLAPPED overlapped = Overlapped(event);
  UCHAR buffer[16];
  std::memset(buffer, 0xEE, sizeof buffer);
  ASSERT_FALSE(ReadFile(handle, buffer, sizeof buffer, nullptr, &overlapped));
  ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);

  ASSERT_TRUE(CancelIo(handle));
  // The cancellation has completed by the time CancelIo returns.
  DWORD n = 5;
  EXPECT_FALSE(GetOverlappedResult(handle, &overlapped, &n, FALSE));
  EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(QueuedCount(Device()), 0u);
  EXPECT_FALSE(CompleteOldest(Device(), 0x11, 16));
  for (UCHAR byte : buffer) EXPECT_EQ(byte, 0xEE);

  // The record is reused at once for the next request.
  ASSERT_TRUE(WriteFile(handle, "abc", 3, &n, &overlapped));
  EXPECT_EQ(overlapped.Internal, 0u);
  EXPECT_EQ(overlapped.InternalHigh, 3u);
  // CancelIo with nothing pending is harmless.
  EXPECT_TRUE(CancelIo(handle));
  CloseHandle(event);
  CloseHandle(handle);
}

TEST_F(Cancel, CancelIoTakesOnlyTheCallingThreadsRequestsOnThatHandle) {
  HANDLE handle = Open();
  HANDLE other = Open();
  UCHAR bufferB[4], bufferA[4], bufferC[4];
  OVERLAPPED ovB = Overlapped(), ovA = Overlapped(), ovC = Overlapped();

  std::promise<void> issued, release;
  std::thread threadB([&] {
    EXPECT_FALSE(ReadFile(handle, bufferB, sizeof bufferB, nullptr, &ovB));
    issued.set_value();
    release.get_future().wait();  // the thread must live: its end would cancel its read
  });
  issued.get_future().wait();
  ASSERT_FALSE(ReadFile(handle, bufferA, sizeof bufferA, nullptr, &ovA));
  ASSERT_FALSE(ReadFile(other, bufferC, sizeof bufferC, nullptr, &ovC));
  ASSERT_EQ(QueuedCount(Device()), 3u);

  ASSERT_TRUE(CancelIo(handle));
  DWORD n;
  EXPECT_FALSE(GetOverlappedResult(handle, &ovA, &n, FALSE));
  EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
  EXPECT_FALSE(GetOverlappedResult(handle, &ovB, &n, FALSE));
  EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
  EXPECT_FALSE(GetOverlappedResult(other, &ovC, &n, FALSE));
  EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
  EXPECT_EQ(QueuedCount(Device()), 2u);

  ASSERT_TRUE(CompleteOldest(Device(), 0xB0, 4));  // B's read came first
  ASSERT_TRUE(CompleteOldest(Device(), 0xC0, 4));
  EXPECT_TRUE(GetOverlappedResult(handle, &ovB, &n, FALSE));
  EXPECT_EQ(bufferB[0], 0xB0);
  EXPECT_TRUE(GetOverlappedResult(other, &ovC, &n, FALSE));
  EXPECT_EQ(bufferC[0], 0xC0);
  release.set_value();
  threadB.join();
  CloseHandle(other);
  CloseHandle(handle);
}

TEST_F(Cancel, AThreadThatEndsHasItsPendingRequestsCancelled) {
  HANDLE handle = Open();
  HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  OVERLAPPED mine = Overlapped();
  OVERLAPPED theirs = Overlapped(event);
  UCHAR mineBuffer[4], theirBuffer[4];
  std::memset(theirBuffer, 0xEE, sizeof theirBuffer);
  ASSERT_FALSE(ReadFile(handle, mineBuffer, sizeof mineBuffer, nullptr, &mine));
  std::thread ending([&] {
    EXPECT_FALSE(ReadFile(handle, theirBuffer, sizeof theirBuffer, nullptr, &theirs));
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
  });
  ending.join();

  EXPECT_TRUE(IsSignalled(event));
  DWORD n;
  EXPECT_FALSE(GetOverlappedResult(handle, &theirs, &n, TRUE));
  EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
  EXPECT_EQ(theirBuffer[0], 0xEE);
  // The request of the thread that lives on is untouched.
  EXPECT_FALSE(GetOverlappedResult(handle, &mine, &n, FALSE));
  EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
  ASSERT_TRUE(CompleteOldest(Device(), 0x01, 4));
  EXPECT_TRUE(GetOverlappedResult(handle, &mine, &n, TRUE));
  CloseHandle(event);
  CloseHandle(handle);
}

// A driver that does not honour cancellation: CancelIo gives up after the kernel's bounded wait
// and the request stays pending.
class CancelIgnored : public DioTest {
 protected:
  CancelIgnored() { cancelWaitMs_ = 20; }
};

TEST_F(CancelIgnored, ALateCompletionDoesNotWriteARecordAlreadyReused) {
  InterlockedExchange(&Ext()->ignoreCancel, 1);
  HANDLE handle = Open();
  HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  OVERLAPPED overlapped = Overlapped(event);
  UCHAR oldBuffer[8] = {};
  ASSERT_FALSE(ReadFile(handle, oldBuffer, sizeof oldBuffer, nullptr, &overlapped));
  ASSERT_TRUE(CancelIo(handle));
  DWORD n;
  EXPECT_FALSE(GetOverlappedResult(handle, &overlapped, &n, FALSE));
  EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
  EXPECT_EQ(QueuedCount(Device()), 1u);

  // As the program does after a cancelled read: the same record for the next write.
  ASSERT_TRUE(WriteFile(handle, "abc", 3, &n, &overlapped));
  ASSERT_TRUE(ResetEvent(event));
  // Now the old read completes; its bytes land (the driver owns that buffer until then) but the
  // record and its event belong to the write.
  ASSERT_TRUE(CompleteOldest(Device(), 0x77, 8));
  EXPECT_EQ(oldBuffer[7], 0x77);
  EXPECT_EQ(overlapped.Internal, 0u);
  EXPECT_EQ(overlapped.InternalHigh, 3u);
  EXPECT_FALSE(IsSignalled(event));
  EXPECT_TRUE(GetOverlappedResult(handle, &overlapped, &n, FALSE));
  EXPECT_EQ(n, 3u);
  CloseHandle(event);
  CloseHandle(handle);
}

// Reads completed by another thread while the issuing thread cancels some of them and reuses its
// one record at once: every result must be the one of the request just issued.
TEST_F(Cancel, CompletionRacingCancelNeverLeaksIntoTheNextRequest) {
  HANDLE handle = Open();
  std::atomic<bool> stop{false};
  std::thread completer([&] {
    while (!stop) {
      if (!CompleteOldest(Device(), 0x42, 255)) std::this_thread::yield();
    }
  });
  OVERLAPPED overlapped = Overlapped();
  UCHAR buffer[16];
  int completed = 0, aborted = 0;
  for (int i = 0; i < 2000; ++i) {
    const DWORD length = 1 + i % 13;
    std::memset(buffer, 0xEE, sizeof buffer);
    DWORD n = 0;
    BOOL done = ReadFile(handle, buffer, length, &n, &overlapped);
    if (!done) {
      ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
      if (i % 2 == 0) CancelIo(handle);
      done = GetOverlappedResult(handle, &overlapped, &n, TRUE);
    }
    if (done) {
      ++completed;
      ASSERT_EQ(n, length) << "iteration " << i;
      ASSERT_EQ(buffer[length - 1], 0x42);
      ASSERT_EQ(buffer[length], 0xEE);
    } else {
      ++aborted;
      ASSERT_EQ(GetLastError(), ERROR_OPERATION_ABORTED) << "iteration " << i;
      ASSERT_EQ(n, 0u);
      ASSERT_EQ(buffer[0], 0xEE);
    }
  }
  stop = true;
  completer.join();
  EXPECT_EQ(completed + aborted, 2000);
  EXPECT_GT(completed, 0);
  CloseHandle(handle);
}

}  // namespace
}  // namespace dio
