// How bytes travel between the caller's buffers and the driver: reads and writes on devices with
// direct, buffered and neither I/O, and device control by each buffering method.

#include "DioFixture.h"

#include <cstring>
#include <string>
#include <vector>

namespace dio {
namespace {

class ReadWrite : public DioTest, public ::testing::WithParamInterface<Kind> {};

TEST_P(ReadWrite, BytesGoInAndComeBackOut) {
  HANDLE handle = Open(GetParam());
  OVERLAPPED overlapped = Overlapped();
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(handle, "ABCDE", 5, &n, &overlapped));
  EXPECT_EQ(n, 5u);

  UCHAR buffer[16];
  std::memset(buffer, 0xEE, sizeof buffer);
  ASSERT_TRUE(ReadFile(handle, buffer, sizeof buffer, &n, &overlapped));
  ASSERT_EQ(n, 5u);
  EXPECT_EQ(std::memcmp(buffer, "ABCDE", 5), 0);
  EXPECT_EQ(buffer[5], 0xEE);  // only what was read comes back

  // A read that waits is filled when it completes.
  std::memset(buffer, 0xEE, sizeof buffer);
  ASSERT_FALSE(ReadFile(handle, buffer, 12, &n, &overlapped));
  ASSERT_TRUE(CompleteOldest(Device(GetParam()), 0x3C, 7));
  ASSERT_TRUE(GetOverlappedResult(handle, &overlapped, &n, TRUE));
  EXPECT_EQ(n, 7u);
  EXPECT_EQ(buffer[6], 0x3C);
  EXPECT_EQ(buffer[7], 0xEE);

  // Nothing to move: no buffer is needed.
  ASSERT_TRUE(WriteFile(handle, nullptr, 0, &n, nullptr));
  EXPECT_EQ(n, 0u);
  CloseHandle(handle);
}

TEST_P(ReadWrite, AFailedReadCopiesNothingBack) {
  HANDLE handle = Open(GetParam());
  OVERLAPPED overlapped = Overlapped();
  UCHAR buffer[8];
  std::memset(buffer, 0xEE, sizeof buffer);
  DWORD n;
  ASSERT_FALSE(ReadFile(handle, buffer, sizeof buffer, &n, &overlapped));
  ASSERT_TRUE(CompleteOldest(Device(GetParam()), 0x3C, 8, STATUS_UNSUCCESSFUL));
  EXPECT_FALSE(GetOverlappedResult(handle, &overlapped, &n, TRUE));
  EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
  EXPECT_EQ(buffer[0], 0xEE);
  CloseHandle(handle);
}

INSTANTIATE_TEST_SUITE_P(EachDevice, ReadWrite, ::testing::Values(Kind::Direct, Kind::Buffered, Kind::Neither),
                         [](const auto& info) { return std::string(KindName(info.param)); });

using Control = DioTest;

TEST_F(Control, BufferedCopiesInputInAndInformationBytesBack) {
  HANDLE handle = Open();
  UCHAR in[4] = {1, 2, 3, 4};
  UCHAR out[8];
  std::memset(out, 0xEE, sizeof out);
  DWORD n = 0;
  ASSERT_TRUE(DeviceIoControl(handle, IOCTL_DIO_BUFFERED, in, sizeof in, out, sizeof out, &n, nullptr));
  EXPECT_EQ(n, 4u);
  EXPECT_EQ(std::vector<UCHAR>(out, out + 8), (std::vector<UCHAR>{2, 3, 4, 5, 0xEE, 0xEE, 0xEE, 0xEE}));
  EXPECT_EQ(Ext()->lastInputLength, 4u);
  EXPECT_EQ(Ext()->lastOutputLength, 8u);
  // The caller's input stays as it was.
  EXPECT_EQ(in[0], 1);

  // One buffer for both directions, as the program's pipe-mode request uses it.
  UCHAR both[6] = {10, 20, 30, 40, 50, 60};
  ASSERT_TRUE(DeviceIoControl(handle, IOCTL_DIO_BUFFERED, both, 6, both, 2, &n, nullptr));
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(std::vector<UCHAR>(both, both + 6), (std::vector<UCHAR>{11, 21, 30, 40, 50, 60}));
  CloseHandle(handle);
}

TEST_F(Control, InDirectHandsTheSecondBufferToTheDevice) {
  HANDLE handle = Open();
  char in[] = "ab";
  char extra[] = "cde";
  DWORD n = 0;
  ASSERT_TRUE(DeviceIoControl(handle, IOCTL_DIO_IN_DIRECT, in, 2, extra, 3, &n, nullptr));
  EXPECT_EQ(n, 5u);
  char back[8] = {};
  ASSERT_TRUE(ReadFile(handle, back, sizeof back - 1, &n, nullptr));
  EXPECT_STREQ(back, "abcde");
  CloseHandle(handle);
}

TEST_F(Control, OutDirectFillsTheCallersBufferThroughTheMdl) {
  HANDLE handle = Open();
  UCHAR in = 10;
  UCHAR out[6] = {};
  DWORD n = 0;
  ASSERT_TRUE(DeviceIoControl(handle, IOCTL_DIO_OUT_DIRECT, &in, 1, out, sizeof out, &n, nullptr));
  EXPECT_EQ(n, 6u);
  EXPECT_EQ(std::vector<UCHAR>(out, out + 6), (std::vector<UCHAR>{10, 11, 12, 13, 14, 15}));
  CloseHandle(handle);
}

TEST_F(Control, NeitherPassesTheCallersOwnPointers) {
  HANDLE handle = Open();
  UCHAR in[3] = {0x00, 0x5A, 0xFF};
  UCHAR out[3] = {};
  DWORD n = 0;
  ASSERT_TRUE(DeviceIoControl(handle, IOCTL_DIO_NEITHER, in, 3, out, 3, &n, nullptr));
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(Ext()->lastType3Input, static_cast<PVOID>(in));
  EXPECT_EQ(Ext()->lastUserBuffer, static_cast<PVOID>(out));
  EXPECT_EQ(std::vector<UCHAR>(out, out + 3), (std::vector<UCHAR>{0x5A, 0x00, 0xA5}));
  CloseHandle(handle);
}

TEST_F(Control, OverlappedBufferedOutputArrivesAtCompletion) {
  HANDLE handle = Open();
  HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  OVERLAPPED overlapped = Overlapped(event);
  UCHAR out[8];
  std::memset(out, 0xEE, sizeof out);
  DWORD n = 0;
  ASSERT_FALSE(DeviceIoControl(handle, IOCTL_DIO_HOLD, nullptr, 0, out, sizeof out, &n, &overlapped));
  ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
  EXPECT_EQ(out[0], 0xEE);  // nothing is copied before completion
  ASSERT_TRUE(CompleteOldest(Device(), 0x77, 3));
  ASSERT_EQ(WaitForSingleObject(event, win32test::kHangMs), WAIT_OBJECT_0);
  ASSERT_TRUE(GetOverlappedResult(handle, &overlapped, &n, FALSE));
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(std::vector<UCHAR>(out, out + 5), (std::vector<UCHAR>{0x77, 0x77, 0x77, 0xEE, 0xEE}));
  CloseHandle(event);
  CloseHandle(handle);
}

}  // namespace
}  // namespace dio
