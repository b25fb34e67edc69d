// The user-request API driving a WDM-style driver: open and close, reads that complete at once,
// later from another thread, or are cancelled, each buffering method, work items, the remove
// lock, and allocation failures reaching the driver's error paths.

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <thread>

#include "EchoDriver.h"
#include "ScriptedDriver.h"
#include "platform/nt/DosErrors.h"

namespace {

using scripted::Completion;

class EchoTest : public ::testing::Test {
 protected:
  explicit EchoTest(bool workerThread = false) : kernel(options(workerThread)) {
    EXPECT_EQ(kernel.loadDriver(u"Echo", echo::DriverEntry, &driver), STATUS_SUCCESS);
    device = driver ? driver->DeviceObject : nullptr;
  }

  static nt::KernelOptions options(bool workerThread) {
    nt::KernelOptions o;
    o.workerThread = workerThread;
    return o;
  }

  void TearDown() override {
    kernel.shutdown();
    EXPECT_TRUE(kernel.verifier().clean()) << kernel.verifier().report();
  }

  PFILE_OBJECT open() {
    PFILE_OBJECT file = nullptr;
    EXPECT_EQ(nt::openDevice(kernel, std::string_view("\\\\.\\Echo0"), &file), STATUS_SUCCESS);
    return file;
  }

  NTSTATUS write(PFILE_OBJECT file, const char* text, Completion& done) {
    return nt::writeFile(file, text, static_cast<ULONG>(std::strlen(text)), done.callback());
  }

  echo::Extension* ext() { return echo::extensionOf(device); }

  nt::Kernel kernel;
  PDRIVER_OBJECT driver = nullptr;
  PDEVICE_OBJECT device = nullptr;
};

TEST_F(EchoTest, OpenAndCloseReachTheDriverAndAMissingNameIsNotFound) {
  PFILE_OBJECT a = open();
  PFILE_OBJECT b = nullptr;
  ASSERT_EQ(nt::openDevice(kernel, std::string_view("\\\\.\\ECHO0"), &b), STATUS_SUCCESS);  // names ignore case
  EXPECT_EQ(ext()->opens, 2);
  EXPECT_EQ(a->DeviceObject, device);
  EXPECT_EQ(device->ReferenceCount, 2);

  // The driver handles no cleanup: the refusal is ignored and close still arrives.
  EXPECT_EQ(nt::closeFile(a), STATUS_SUCCESS);
  EXPECT_EQ(nt::closeFile(b), STATUS_SUCCESS);
  EXPECT_EQ(ext()->closes, 2);
  EXPECT_EQ(device->ReferenceCount, 0);

  PFILE_OBJECT missing = nullptr;
  NTSTATUS status = nt::openDevice(kernel, std::string_view("\\\\.\\Echo1"), &missing);
  EXPECT_EQ(status, STATUS_OBJECT_NAME_NOT_FOUND);
  EXPECT_EQ(RtlNtStatusToDosError(status), 2u);
  EXPECT_EQ(missing, nullptr);
  EXPECT_EQ(ext()->opens, 2);
}

TEST_F(EchoTest, ReadCompletesAtOnceWithTheStoredBytes) {
  PFILE_OBJECT file = open();
  Completion wrote;
  EXPECT_EQ(write(file, "hello", wrote), STATUS_SUCCESS);
  EXPECT_EQ(wrote.calls(), 1);
  EXPECT_EQ(wrote.status(), STATUS_SUCCESS);
  EXPECT_EQ(wrote.information(), 5u);

  std::array<char, 16> buffer;
  buffer.fill('.');
  Completion read;
  EXPECT_EQ(nt::readFile(file, buffer.data(), buffer.size(), read.callback()), STATUS_SUCCESS);
  ASSERT_EQ(read.calls(), 1);
  EXPECT_EQ(read.status(), STATUS_SUCCESS);
  EXPECT_EQ(read.information(), 5u);
  EXPECT_EQ(std::string(buffer.data(), 6), "hello.");
  nt::closeFile(file);

  nt::IrpCounters counters = kernel.io().irpCounters();
  EXPECT_EQ(counters.outstanding, 0u);
  EXPECT_EQ(counters.allocated, counters.completed);
}

TEST_F(EchoTest, ReadThatPendsCompletesFromAnotherThread) {
  PFILE_OBJECT file = open();
  std::array<UCHAR, 8> buffer{};
  Completion read;
  EXPECT_EQ(nt::readFile(file, buffer.data(), buffer.size(), read.callback()), STATUS_PENDING);
  EXPECT_EQ(read.calls(), 0);
  EXPECT_EQ(echo::waitingReadCount(device), 1u);

  std::thread::id completer;
  std::thread other([&] {
    completer = std::this_thread::get_id();
    EXPECT_TRUE(echo::completeOldestRead(device, 'x', 3));
  });
  other.join();
  ASSERT_TRUE(read.wait());
  EXPECT_EQ(read.calls(), 1);
  EXPECT_EQ(read.status(), STATUS_SUCCESS);
  EXPECT_EQ(read.information(), 3u);
  EXPECT_EQ(read.thread(), completer);
  EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 4), std::string("xxx\0", 4));
  nt::closeFile(file);
}

TEST_F(EchoTest, WriteFromAnotherThreadSatisfiesAWaitingRead) {
  PFILE_OBJECT file = open();
  std::array<char, 8> buffer{};
  Completion read;
  ASSERT_EQ(nt::readFile(file, buffer.data(), buffer.size(), read.callback()), STATUS_PENDING);
  std::thread writer([&] {
    Completion wrote;
    EXPECT_EQ(write(file, "abc", wrote), STATUS_SUCCESS);
  });
  writer.join();
  ASSERT_TRUE(read.wait());
  EXPECT_EQ(read.information(), 3u);
  EXPECT_EQ(std::string(buffer.data()), "abc");
  nt::closeFile(file);
}

TEST_F(EchoTest, CancelledReadEndsCancelledBeforeCancelReturnsAndItsBufferIsLeftAlone) {
  PFILE_OBJECT file = open();
  std::array<UCHAR, 8> buffer;
  buffer.fill(0xEE);
  Completion read;
  ASSERT_EQ(nt::readFile(file, buffer.data(), buffer.size(), read.callback()), STATUS_PENDING);

  nt::cancelFileIo(file);
  EXPECT_EQ(read.calls(), 1);
  EXPECT_EQ(read.status(), STATUS_CANCELLED);
  EXPECT_EQ(RtlNtStatusToDosError(read.status()), 995u);
  EXPECT_EQ(read.information(), 0u);
  EXPECT_EQ(echo::waitingReadCount(device), 0u);

  // Data arriving afterwards goes to the device, not into the cancelled read's buffer.
  Completion wrote;
  EXPECT_EQ(write(file, "late", wrote), STATUS_SUCCESS);
  for (UCHAR b : buffer) EXPECT_EQ(b, 0xEE);
  EXPECT_EQ(ext()->dataLength, 4u);
  EXPECT_EQ(read.calls(), 1);
  nt::closeFile(file);
}

TEST_F(EchoTest, CancelOnlyTouchesTheCallingThreadsRequestsOnThatFile) {
  PFILE_OBJECT first = open();
  PFILE_OBJECT second = open();
  std::array<UCHAR, 4> b1{}, b2{}, b3{};
  Completion mineOnFirst, mineOnSecond, othersOnFirst;
  ASSERT_EQ(nt::readFile(first, b1.data(), 4, mineOnFirst.callback()), STATUS_PENDING);
  ASSERT_EQ(nt::readFile(second, b2.data(), 4, mineOnSecond.callback()), STATUS_PENDING);

  std::atomic<bool> issued{false}, release{false};
  std::thread other([&] {
    EXPECT_EQ(nt::readFile(first, b3.data(), 4, othersOnFirst.callback()), STATUS_PENDING);
    issued = true;
    while (!release) std::this_thread::yield();
  });
  while (!issued) std::this_thread::yield();

  nt::cancelFileIo(first);
  EXPECT_EQ(mineOnFirst.status(), STATUS_CANCELLED);
  EXPECT_EQ(mineOnSecond.calls(), 0);
  EXPECT_EQ(othersOnFirst.calls(), 0);
  EXPECT_EQ(echo::waitingReadCount(device), 2u);

  // Both remaining reads are satisfied in arrival order.
  EXPECT_TRUE(echo::completeOldestRead(device, 1, 1));
  EXPECT_TRUE(echo::completeOldestRead(device, 2, 1));
  EXPECT_EQ(mineOnSecond.status(), STATUS_SUCCESS);
  EXPECT_EQ(b2[0], 1);
  EXPECT_TRUE(othersOnFirst.wait());
  EXPECT_EQ(b3[0], 2);
  release = true;
  other.join();
  nt::closeFile(first);
  nt::closeFile(second);
}

TEST_F(EchoTest, RequestsOfAThreadThatEndsAreCancelled) {
  PFILE_OBJECT file = open();
  std::array<UCHAR, 4> buffer{};
  Completion read;
  std::thread issuer([&] { EXPECT_EQ(nt::readFile(file, buffer.data(), 4, read.callback()), STATUS_PENDING); });
  issuer.join();
  EXPECT_EQ(read.calls(), 1);
  EXPECT_EQ(read.status(), STATUS_CANCELLED);
  EXPECT_EQ(echo::waitingReadCount(device), 0u);
  nt::closeFile(file);
}

TEST_F(EchoTest, ClosingTheFileCancelsNothing) {
  PFILE_OBJECT file = open();
  std::array<UCHAR, 4> buffer{};
  Completion read;
  ASSERT_EQ(nt::readFile(file, buffer.data(), 4, read.callback()), STATUS_PENDING);
  EXPECT_EQ(nt::closeFile(file), STATUS_SUCCESS);
  EXPECT_EQ(ext()->closes, 1);
  EXPECT_EQ(read.calls(), 0);
  EXPECT_EQ(device->ReferenceCount, 1);  // the pending read keeps the file and its device

  EXPECT_TRUE(echo::completeOldestRead(device, 9, 2));
  EXPECT_EQ(read.status(), STATUS_SUCCESS);
  EXPECT_EQ(read.information(), 2u);
  EXPECT_EQ(device->ReferenceCount, 0);
}

TEST_F(EchoTest, EachBufferingMethodMovesTheRightBytes) {
  PFILE_OBJECT file = open();
  {
    const UCHAR in[] = {'a', 'b', 'c'};
    std::array<UCHAR, 3> out{};
    Completion done;
    EXPECT_EQ(nt::deviceIoControl(file, echo::IOCTL_ECHO_BUFFERED, in, 3, out.data(), 3, done.callback()),
              STATUS_SUCCESS);
    EXPECT_EQ(done.information(), 3u);
    EXPECT_EQ(std::string(out.begin(), out.end()), "cba");
  }
  {
    // Only Information bytes come back into a larger output buffer.
    const UCHAR in[] = {1, 2};
    std::array<UCHAR, 6> out;
    out.fill(0x55);
    Completion done;
    nt::deviceIoControl(file, echo::IOCTL_ECHO_BUFFERED, in, 2, out.data(), 6, done.callback());
    EXPECT_EQ(done.information(), 2u);
    EXPECT_EQ(out[0], 2);
    EXPECT_EQ(out[1], 1);
    EXPECT_EQ(out[2], 0x55);
    EXPECT_EQ(out[5], 0x55);
  }
  {
    const UCHAR in[] = {1, 2, 3};
    std::array<UCHAR, 2> extra = {10, 20};
    Completion done;
    nt::deviceIoControl(file, echo::IOCTL_ECHO_IN_DIRECT, in, 3, extra.data(), 2, done.callback());
    EXPECT_EQ(done.status(), STATUS_SUCCESS);
    EXPECT_EQ(done.information(), 36u);
    EXPECT_EQ(extra[0], 10);
  }
  {
    const UCHAR in[] = {7};
    std::array<UCHAR, 5> out{};
    Completion done;
    nt::deviceIoControl(file, echo::IOCTL_ECHO_OUT_DIRECT, in, 1, out.data(), 5, done.callback());
    EXPECT_EQ(done.information(), 5u);
    EXPECT_EQ(out, (std::array<UCHAR, 5>{7, 8, 9, 10, 11}));
  }
  {
    const UCHAR in[] = {0x0F, 0xF0};
    std::array<UCHAR, 2> out{};
    Completion done;
    nt::deviceIoControl(file, echo::IOCTL_ECHO_NEITHER, in, 2, out.data(), 2, done.callback());
    EXPECT_EQ(done.information(), 2u);
    EXPECT_EQ(out, (std::array<UCHAR, 2>{0xF0, 0x0F}));
  }
  {
    Completion done;
    NTSTATUS status = nt::deviceIoControl(file, 0x803, nullptr, 0, nullptr, 0, done.callback());
    EXPECT_EQ(status, STATUS_INVALID_DEVICE_REQUEST);
    EXPECT_EQ(done.status(), STATUS_INVALID_DEVICE_REQUEST);
    EXPECT_EQ(RtlNtStatusToDosError(status), 1u);
  }
  nt::closeFile(file);
}

TEST_F(EchoTest, RemovalWaitsForTheRequestInsideAndRefusesNewOnes) {
  PFILE_OBJECT file = open();
  std::array<UCHAR, 4> buffer{};
  Completion read;
  ASSERT_EQ(nt::readFile(file, buffer.data(), 4, read.callback()), STATUS_PENDING);

  std::atomic<bool> removed{false};
  std::thread remover([&] {
    nt::KernelScope scope(&kernel);
    echo::removeAndWait(device);
    removed = true;
  });
  while (!std::atomic_ref<BOOLEAN>(ext()->removeLock.Removed).load()) std::this_thread::yield();

  // The pending read still holds the lock, so the removal cannot have finished.
  EXPECT_FALSE(removed.load());
  Completion refused;
  std::array<UCHAR, 4> other{};
  EXPECT_EQ(nt::readFile(file, other.data(), 4, refused.callback()), STATUS_DELETE_PENDING);
  EXPECT_EQ(RtlNtStatusToDosError(refused.status()), 5u);
  EXPECT_FALSE(removed.load());

  EXPECT_TRUE(echo::completeOldestRead(device, 4, 4));
  remover.join();
  EXPECT_TRUE(removed.load());
  EXPECT_EQ(read.status(), STATUS_SUCCESS);
  nt::closeFile(file);
}

TEST_F(EchoTest, AllocationFailuresReachTheDriversErrorPath) {
  PFILE_OBJECT file = open();
  Completion first, second, third;
  kernel.pool().failNth(1, echo::kScratchTag);
  EXPECT_EQ(write(file, "abc", first), STATUS_INSUFFICIENT_RESOURCES);
  EXPECT_EQ(RtlNtStatusToDosError(first.status()), 1450u);
  EXPECT_EQ(write(file, "abc", second), STATUS_SUCCESS);

  kernel.pool().failTag(echo::kScratchTag);
  EXPECT_EQ(write(file, "abc", third), STATUS_INSUFFICIENT_RESOURCES);
  EXPECT_EQ(kernel.pool().usage(echo::kScratchTag).failures, 2u);
  kernel.pool().clearFailures();

  // A failed mapping of the caller's buffer.
  Completion unmapped;
  kernel.failMappings(1);
  EXPECT_EQ(write(file, "xyz", unmapped), STATUS_INSUFFICIENT_RESOURCES);

  // No IRP for the request: it never reaches the driver and no completion runs.
  Completion none;
  kernel.pool().failNth(1, nt::poolTag("Irp "));
  EXPECT_EQ(write(file, "abc", none), STATUS_INSUFFICIENT_RESOURCES);
  EXPECT_EQ(none.calls(), 0);
  EXPECT_EQ(kernel.pool().usage(echo::kScratchTag).liveBlocks, 0u);
  nt::closeFile(file);
}

TEST(EchoLoad, FailedEntryLeavesNothingBehind) {
  nt::KernelOptions options;
  options.workerThread = false;
  nt::Kernel kernel(options);
  kernel.pool().failTag(echo::kTag);
  PDRIVER_OBJECT driver = nullptr;
  EXPECT_EQ(kernel.loadDriver(u"Echo", echo::DriverEntry, &driver), STATUS_INSUFFICIENT_RESOURCES);
  EXPECT_EQ(driver, nullptr);
  PFILE_OBJECT file = nullptr;
  EXPECT_EQ(nt::openDevice(kernel, std::string_view("\\\\.\\Echo0"), &file), STATUS_OBJECT_NAME_NOT_FOUND);

  kernel.pool().clearFailures();
  kernel.pool().failNth(1, nt::poolTag("Devi"));  // the device object itself
  EXPECT_EQ(kernel.loadDriver(u"Echo", echo::DriverEntry, &driver), STATUS_INSUFFICIENT_RESOURCES);
  kernel.shutdown();
  EXPECT_TRUE(kernel.verifier().clean()) << kernel.verifier().report();
}

TEST_F(EchoTest, WorkItemRunsOnlyWhenPumpedInDeterministicMode) {
  PFILE_OBJECT file = open();
  Completion done;
  ASSERT_EQ(nt::deviceIoControl(file, echo::IOCTL_ECHO_DEFERRED, nullptr, 0, nullptr, 0, done.callback()),
            STATUS_PENDING);
  EXPECT_EQ(done.calls(), 0);
  EXPECT_EQ(device->ReferenceCount, 2);  // the file and the queued work item
  EXPECT_EQ(kernel.runWorkItems(), 1u);
  EXPECT_EQ(done.calls(), 1);
  EXPECT_EQ(done.information(), 100u + PASSIVE_LEVEL);
  EXPECT_EQ(done.thread(), std::this_thread::get_id());
  EXPECT_EQ(device->ReferenceCount, 1);
  EXPECT_EQ(kernel.pool().usage(nt::poolTag("IoWk")).liveBlocks, 0u);
  nt::closeFile(file);
}

class EchoThreadedTest : public EchoTest {
 protected:
  EchoThreadedTest() : EchoTest(true) {}
};

TEST_F(EchoThreadedTest, WorkItemRunsAtPassiveOnTheSystemWorkerThread) {
  PFILE_OBJECT file = open();
  Completion done;
  ASSERT_EQ(nt::deviceIoControl(file, echo::IOCTL_ECHO_DEFERRED, nullptr, 0, nullptr, 0, done.callback()),
            STATUS_PENDING);
  ASSERT_TRUE(done.wait());
  EXPECT_EQ(done.information(), 100u + PASSIVE_LEVEL);
  EXPECT_NE(done.thread(), std::this_thread::get_id());
  EXPECT_TRUE(kernel.waitForWorkItems(std::chrono::seconds(10)));
  nt::closeFile(file);
}

}  // namespace
