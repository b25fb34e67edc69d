// Opening and closing devices through CreateFile and CloseHandle, which kernel a name is looked
// up in, and what a closed handle does.

#include "DioFixture.h"

#include <atomic>
#include <cstring>
#include <thread>

namespace dio {
namespace {

using OpenClose = DioTest;

TEST_F(OpenClose, OpenSendsCreateAndCloseSendsCleanupThenClose) {
  HANDLE handle = Open(Kind::Direct);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(Ext()->creates, 1);
  EXPECT_EQ(Ext()->cleanups, 0);
  EXPECT_EQ(Ext()->closes, 0);
  EXPECT_EQ(Device()->ReferenceCount, 1);

  EXPECT_TRUE(CloseHandle(handle));
  EXPECT_EQ(Ext()->cleanups, 1);
  EXPECT_EQ(Ext()->closes, 1);
  EXPECT_EQ(Device()->ReferenceCount, 0);
  EXPECT_FALSE(CloseHandle(handle));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(Ext()->closes, 1);
}

TEST_F(OpenClose, CreationDispositionAndSharingAreIgnoredByDevices) {
  // The program opens with CREATE_NEW and no sharing, twice if need be.
  HANDLE first = CreateFile("\\\\.\\DioDirect", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_FLAG_OVERLAPPED, nullptr);
  HANDLE second = CreateFile("\\\\.\\DIODIRECT", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE third = CreateFile("\\\\?\\DioDirect", GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  ASSERT_NE(second, INVALID_HANDLE_VALUE);
  ASSERT_NE(third, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Ext()->creates, 3);
  CloseHandle(first);
  CloseHandle(second);
  CloseHandle(third);
  EXPECT_EQ(Ext()->closes, 3);
}

TEST_F(OpenClose, NamesThatOpenNothing) {
  EXPECT_EQ(CreateFile("\\\\.\\NoSuchDevice", GENERIC_READ, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  // Devices are reached through their links only, and there is no file system.
  EXPECT_EQ(CreateFile("\\Device\\DioDirect", GENERIC_READ, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(CreateFile("c:\\ORUdata.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(CreateFile(nullptr, GENERIC_READ, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(CreateFile("\\\\.\\DioDirect", GENERIC_READ, 0, nullptr, 0, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(Ext()->creates, 0);
}

TEST_F(OpenClose, OnlyTheAttachedKernelIsSearched) {
  attached_.reset();
  EXPECT_EQ(CreateFile("\\\\.\\DioDirect", GENERIC_READ, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(win32::AttachedDeviceSystem(), nullptr);

  // A second machine attached over the first one is the one in use until it detaches.
  attached_ = std::make_unique<win32::DeviceSystemAttachment>(machine_->kernel());
  {
    platform::Machine other;
    win32::DeviceSystemAttachment inner(other.kernel());
    EXPECT_EQ(win32::AttachedDeviceSystem(), &other.kernel());
    EXPECT_EQ(CreateFile("\\\\.\\DioDirect", GENERIC_READ, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  }
  EXPECT_EQ(win32::AttachedDeviceSystem(), &machine_->kernel());
  HANDLE handle = Open();
  EXPECT_TRUE(CloseHandle(handle));
}

TEST_F(OpenClose, DetachingClosesFilesStillOpen) {
  HANDLE handle = Open();
  attached_.reset();
  EXPECT_EQ(Ext()->cleanups, 1);
  EXPECT_EQ(Ext()->closes, 1);
  UCHAR byte = 1;
  DWORD n = 99;
  EXPECT_FALSE(WriteFile(handle, &byte, 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(n, 0u);
  // The handle itself stays until it is closed; closing sends nothing more.
  EXPECT_TRUE(CloseHandle(handle));
  EXPECT_EQ(Ext()->closes, 1);
}

TEST_F(OpenClose, ClosedAndForeignHandlesAreRefused) {
  HANDLE handle = Open();
  ASSERT_TRUE(CloseHandle(handle));
  UCHAR buffer[4] = {};
  DWORD n = 0;
  OVERLAPPED overlapped = Overlapped();
  EXPECT_FALSE(ReadFile(handle, buffer, sizeof buffer, &n, &overlapped));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(WriteFile(handle, buffer, sizeof buffer, &n, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(DeviceIoControl(handle, IOCTL_DIO_BUFFERED, buffer, 1, buffer, 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(GetOverlappedResult(handle, &overlapped, &n, FALSE));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(CancelIo(handle));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(ReadFile(INVALID_HANDLE_VALUE, buffer, sizeof buffer, &n, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

  // An event is a handle, but not a file; and an OVERLAPPED must name a real event.
  HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  EXPECT_FALSE(ReadFile(event, buffer, sizeof buffer, &n, &overlapped));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  HANDLE device = Open();
  OVERLAPPED badEvent = Overlapped(handle);
  EXPECT_FALSE(ReadFile(device, buffer, sizeof buffer, &n, &badEvent));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(QueuedCount(Device()), 0u);
  CloseHandle(device);
  CloseHandle(event);
}

TEST_F(OpenClose, ClosingCancelsNothing) {
  HANDLE handle = Open();
  HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  OVERLAPPED overlapped = Overlapped(event);
  UCHAR buffer[8];
  std::memset(buffer, 0xEE, sizeof buffer);
  EXPECT_FALSE(ReadFile(handle, buffer, sizeof buffer, nullptr, &overlapped));
  EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
  ASSERT_TRUE(CloseHandle(handle));
  EXPECT_EQ(Ext()->closes, 1);
  EXPECT_EQ(QueuedCount(Device()), 1u);
  EXPECT_FALSE(IsSignalled(event));

  // The driver finishes the read later; it reports into the record as usual.
  ASSERT_TRUE(CompleteOldest(Device(), 0x5C, 6));
  EXPECT_TRUE(IsSignalled(event));
  EXPECT_EQ(overlapped.Internal, 0u);
  EXPECT_EQ(overlapped.InternalHigh, 6u);
  EXPECT_EQ(buffer[5], 0x5C);
  EXPECT_EQ(buffer[6], 0xEE);
  CloseHandle(event);
}

TEST_F(OpenClose, ClosingWhileAnotherThreadUsesTheHandle) {
  // The program's user-interface thread closes the device while the worker may be using it.
  constexpr int kRounds = 50;
  for (int round = 0; round < kRounds; ++round) {
    HANDLE handle = Open();
    std::atomic<bool> started{false};
    std::thread user([&] {
      for (;;) {
        DWORD n = 0;
        started = true;
        if (!WriteFile(handle, "ab", 2, &n, nullptr)) {
          EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
          return;
        }
        EXPECT_EQ(n, 2u);
      }
    });
    while (!started) std::this_thread::yield();
    EXPECT_TRUE(CloseHandle(handle));
    user.join();
  }
  EXPECT_EQ(Ext()->closes, kRounds);
}

}  // namespace
}  // namespace dio
