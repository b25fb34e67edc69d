// Overlapped and synchronous requests: completing at once or later, GetOverlappedResult with and
// without waiting, what gets signalled, and how completion statuses reach GetLastError.

#include "DioFixture.h"

#include <atomic>
#include <cstring>
#include <thread>

#include "platform/nt/DosErrors.h"
#include "platform/nt/KernelPool.h"
#include "platform/win32/IoRequest.h"

namespace dio {
namespace {

using Overlapped_ = DioTest;

TEST_F(Overlapped_, ReadThatCompletesAtOnce) {
  HANDLE handle = Open();
  HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  OVERLAPPED overlapped = Overlapped(event);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(handle, "hello", 5, &n, &overlapped));
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(overlapped.InternalHigh, 5u);

  char buffer[16] = {};
  n = 0;
  ASSERT_TRUE(ReadFile(handle, buffer, sizeof buffer, &n, &overlapped));
  EXPECT_EQ(n, 5u);
  EXPECT_STREQ(buffer, "hello");
  EXPECT_EQ(overlapped.Internal, 0u);
  EXPECT_EQ(overlapped.InternalHigh, 5u);
  EXPECT_TRUE(IsSignalled(event));
  EXPECT_TRUE(GetOverlappedResult(handle, &overlapped, &n, FALSE));
  EXPECT_EQ(n, 5u);
  CloseHandle(event);
  CloseHandle(handle);
}

TEST_F(Overlapped_, ReadThatPendsIsIncompleteUntilAnotherThreadCompletesIt) {
  HANDLE handle = Open();
  HANDLE event = CreateEvent(nullptr, TRUE, TRUE, nullptr);  // ReadFile resets it
  OVERLAPPED overlapped = Overlapped(event);
  UCHAR buffer[32];
  std::memset(buffer, 0xEE, sizeof buffer);
  DWORD n = 77;
  EXPECT_FALSE(ReadFile(handle, buffer, sizeof buffer, &n, &overlapped));
  EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
  EXPECT_EQ(n, 0u);
  EXPECT_FALSE(IsSignalled(event));
  for (int poll = 0; poll < 3; ++poll) {
    EXPECT_FALSE(GetOverlappedResult(handle, &overlapped, &n, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
  }

  std::thread completer([&] { EXPECT_TRUE(CompleteOldest(Device(), 0x41, 10)); });
  completer.join();
  EXPECT_TRUE(IsSignalled(event));
  ASSERT_TRUE(GetOverlappedResult(handle, &overlapped, &n, FALSE));
  EXPECT_EQ(n, 10u);
  EXPECT_EQ(buffer[9], 0x41);
  EXPECT_EQ(buffer[10], 0xEE);
  CloseHandle(event);
  CloseHandle(handle);
}

TEST_F(Overlapped_, WaitingForAResultReturnsOnceItCompletes) {
  HANDLE handle = Open();
  OVERLAPPED overlapped = Overlapped();
  UCHAR buffer[4] = {};
  ASSERT_FALSE(ReadFile(handle, buffer, sizeof buffer, nullptr, &overlapped));
  ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
  std::atomic<bool> completed{false};
  std::thread completer([&] {
    ASSERT_TRUE(QueueReaches(1));
    completed = true;
    EXPECT_TRUE(CompleteOldest(Device(), 0x33, 3));
  });
  DWORD n = 0;
  EXPECT_TRUE(GetOverlappedResult(handle, &overlapped, &n, TRUE));
  EXPECT_TRUE(completed);
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(buffer[2], 0x33);
  completer.join();
  CloseHandle(handle);
}

TEST_F(Overlapped_, WithoutAnEventTheHandleIsSignalled) {
  HANDLE handle = Open();
  OVERLAPPED overlapped = Overlapped();
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(handle, "x", 1, &n, &overlapped));
  EXPECT_TRUE(IsSignalled(handle));
  char buffer[4];
  ASSERT_TRUE(ReadFile(handle, buffer, sizeof buffer, &n, &overlapped));

  // Reset when the next request starts, set when it completes.
  ASSERT_FALSE(ReadFile(handle, buffer, sizeof buffer, &n, &overlapped));
  EXPECT_FALSE(IsSignalled(handle));
  ASSERT_TRUE(CompleteOldest(Device(), 0x20, 2));
  EXPECT_TRUE(IsSignalled(handle));

  // With an event, the event is signalled and the handle is not.
  HANDLE event = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  OVERLAPPED withEvent = Overlapped(event);
  ASSERT_FALSE(ReadFile(handle, buffer, sizeof buffer, &n, &withEvent));
  ASSERT_TRUE(CompleteOldest(Device(), 0x20, 2));
  EXPECT_FALSE(IsSignalled(handle));
  ASSERT_EQ(WaitForSingleObject(event, win32test::kHangMs), WAIT_OBJECT_0);

  // Waiting for the result of a request that completes meanwhile on another thread. (Whether
  // the auto-reset event keeps its signal depends on which came first, as on the platform.)
  ASSERT_FALSE(ReadFile(handle, buffer, sizeof buffer, &n, &withEvent));
  std::thread completer([&] { EXPECT_TRUE(CompleteOldest(Device(), 0x21, 1)); });
  EXPECT_TRUE(GetOverlappedResult(handle, &withEvent, &n, TRUE));
  completer.join();
  EXPECT_EQ(n, 1u);
  CloseHandle(event);
  CloseHandle(handle);
}

TEST_F(Overlapped_, DispatchThatCompletesButReturnsPendingIsReportedPending) {
  InterlockedExchange(&Ext()->completeInQueue, 1);
  HANDLE handle = Open();
  OVERLAPPED overlapped = Overlapped();
  char buffer[4];
  DWORD n = 5;
  EXPECT_FALSE(ReadFile(handle, buffer, sizeof buffer, &n, &overlapped));
  EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
  EXPECT_TRUE(GetOverlappedResult(handle, &overlapped, &n, FALSE));
  EXPECT_EQ(n, 0u);
  // A synchronous request with the same driver simply returns.
  EXPECT_TRUE(ReadFile(handle, buffer, sizeof buffer, &n, nullptr));
  CloseHandle(handle);
}

TEST_F(Overlapped_, SynchronousHandleBlocksUntilCompletion) {
  HANDLE handle = Open(Kind::Direct, /*overlapped=*/false);
  char buffer[8] = {};
  DWORD n = 0;
  BOOL result = FALSE;
  std::thread reader([&] { result = ReadFile(handle, buffer, sizeof buffer, &n, nullptr); });
  ASSERT_TRUE(QueueReaches(1));
  ASSERT_TRUE(CompleteOldest(Device(), 'z', 7));
  reader.join();
  EXPECT_TRUE(result);
  EXPECT_EQ(n, 7u);
  EXPECT_STREQ(buffer, "zzzzzzz");

  // Given an OVERLAPPED, a synchronous handle still waits, and fills the record.
  OVERLAPPED overlapped = Overlapped();
  std::thread writer([&] { result = ReadFile(handle, buffer, 3, &n, &overlapped); });
  ASSERT_TRUE(QueueReaches(1));
  ASSERT_TRUE(CompleteOldest(Device(), 'y', 3));
  writer.join();
  EXPECT_TRUE(result);
  EXPECT_EQ(overlapped.InternalHigh, 3u);
  CloseHandle(handle);
}

TEST_F(Overlapped_, NullOverlappedOnAnOverlappedHandleWaits) {
  HANDLE handle = Open();
  UCHAR out[4];
  std::memset(out, 0xEE, sizeof out);
  DWORD n = 0;
  BOOL result = FALSE;
  std::thread caller([&] { result = DeviceIoControl(handle, IOCTL_DIO_HOLD, nullptr, 0, out, 4, &n, nullptr); });
  ASSERT_TRUE(QueueReaches(1));
  ASSERT_TRUE(CompleteOldest(Device(), 0x66, 2));
  caller.join();
  EXPECT_TRUE(result);
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(out[1], 0x66);
  EXPECT_EQ(out[2], 0xEE);
  CloseHandle(handle);
}

struct Mapping {
  NTSTATUS status;
  DWORD error;
};

constexpr Mapping kMappings[] = {
    {STATUS_CANCELLED, ERROR_OPERATION_ABORTED},
    {STATUS_INVALID_DEVICE_REQUEST, ERROR_INVALID_FUNCTION},
    {STATUS_INVALID_PARAMETER, ERROR_INVALID_PARAMETER},
    {STATUS_DELETE_PENDING, ERROR_ACCESS_DENIED},
    {STATUS_INSUFFICIENT_RESOURCES, ERROR_NO_SYSTEM_RESOURCES},
    {STATUS_UNSUCCESSFUL, ERROR_GEN_FAILURE},
    {STATUS_DEVICE_NOT_CONNECTED, ERROR_DEVICE_NOT_CONNECTED},
    {STATUS_BUFFER_OVERFLOW, ERROR_MORE_DATA},
};

TEST_F(Overlapped_, CompletionStatusesReachGetLastError) {
  HANDLE handle = Open();
  for (const Mapping& m : kMappings) {
    SCOPED_TRACE(m.error);
    NTSTATUS status = m.status;
    DWORD n = 9;
    // Synchronous.
    EXPECT_FALSE(DeviceIoControl(handle, IOCTL_DIO_FAIL, &status, sizeof status, nullptr, 0, &n, nullptr));
    EXPECT_EQ(GetLastError(), m.error);
    EXPECT_EQ(n, 0u);
    // Overlapped, failing at once: not pending, and the record holds the status.
    OVERLAPPED overlapped = Overlapped();
    EXPECT_FALSE(DeviceIoControl(handle, IOCTL_DIO_FAIL, &status, sizeof status, nullptr, 0, &n, &overlapped));
    EXPECT_EQ(GetLastError(), m.error);
    EXPECT_EQ(win32::InternalToStatus(overlapped.Internal), m.status);
    // Overlapped, failing after it was reported pending.
    EXPECT_FALSE(DeviceIoControl(handle, IOCTL_DIO_FAIL_PENDING, &status, sizeof status, nullptr, 0, &n, &overlapped));
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_FALSE(GetOverlappedResult(handle, &overlapped, &n, TRUE));
    EXPECT_EQ(GetLastError(), m.error);
    EXPECT_EQ(GetLastError(), RtlNtStatusToDosError(m.status));
  }
  // A code the driver does not know, and a request kind it has no routine for.
  DWORD n;
  EXPECT_FALSE(DeviceIoControl(handle, CTL_CODE(FILE_DEVICE_UNKNOWN, 0x8FF, METHOD_BUFFERED, FILE_ANY_ACCESS), nullptr,
                               0, nullptr, 0, &n, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
  CloseHandle(handle);
}

TEST_F(Overlapped_, PendingReadFailingLaterReportsItsError) {
  HANDLE handle = Open();
  OVERLAPPED overlapped = Overlapped();
  UCHAR buffer[8];
  std::memset(buffer, 0xEE, sizeof buffer);
  ASSERT_FALSE(ReadFile(handle, buffer, sizeof buffer, nullptr, &overlapped));
  ASSERT_TRUE(CompleteOldest(Device(), 0x10, 8, STATUS_DEVICE_NOT_CONNECTED));
  DWORD n = 5;
  EXPECT_FALSE(GetOverlappedResult(handle, &overlapped, &n, FALSE));
  EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(buffer[0], 0xEE);
  CloseHandle(handle);
}

TEST_F(Overlapped_, BuffersThatCannotBeReachedAreRefusedBeforeTheDriver) {
  HANDLE handle = Open();
  DWORD n = 3;
  OVERLAPPED overlapped = Overlapped();
  EXPECT_FALSE(ReadFile(handle, nullptr, 4, &n, &overlapped));
  EXPECT_EQ(GetLastError(), ERROR_NOACCESS);
  EXPECT_FALSE(WriteFile(handle, nullptr, 4, &n, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_NOACCESS);
  EXPECT_FALSE(DeviceIoControl(handle, IOCTL_DIO_BUFFERED, nullptr, 4, nullptr, 0, &n, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_NOACCESS);
  EXPECT_EQ(QueuedCount(Device()), 0u);
  EXPECT_EQ(Ext()->lastInputLength, 0u);
  // Zero lengths are fine without buffers.
  EXPECT_TRUE(WriteFile(handle, nullptr, 0, &n, nullptr));
  EXPECT_EQ(n, 0u);
  CloseHandle(handle);
}

TEST_F(Overlapped_, RequestsThatCannotBeIssuedFailAtOnceAndLeaveTheRecordFinished) {
  HANDLE handle = Open(Kind::Buffered);
  HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  OVERLAPPED overlapped = Overlapped(event);
  UCHAR out[64];
  // The system buffer cannot be allocated.
  machine_->kernel().pool().failNth(1);
  DWORD n = 4;
  EXPECT_FALSE(DeviceIoControl(handle, IOCTL_DIO_BUFFERED, out, 8, out, 8, &n, &overlapped));
  EXPECT_EQ(GetLastError(), ERROR_NO_SYSTEM_RESOURCES);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(win32::InternalToStatus(overlapped.Internal), STATUS_INSUFFICIENT_RESOURCES);
  EXPECT_FALSE(IsSignalled(event));
  // Waiting for it does not hang.
  EXPECT_FALSE(GetOverlappedResult(handle, &overlapped, &n, TRUE));
  EXPECT_EQ(GetLastError(), ERROR_NO_SYSTEM_RESOURCES);
  CloseHandle(event);
  CloseHandle(handle);
}

}  // namespace
}  // namespace dio
