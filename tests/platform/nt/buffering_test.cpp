// What a driver receives for each transfer kind: MDLs for direct I/O (none for length 0), system
// buffers for buffered I/O, the caller's own pointers for neither, and the thread and file.

#include <array>
#include <cstring>

#include "ScriptedDriver.h"

namespace {

using scripted::Completion;
using scripted::Script;

class BufferingTest : public scripted::KernelTest {
 protected:
  PFILE_OBJECT openWith(ULONG flags) {
    createNamedDevice(script, u"\\Device\\Buf", u"\\DosDevices\\Buf", flags);
    return open("\\\\.\\Buf");
  }
  Script script;
  PIRP seen = nullptr;
  PMDL mdl = nullptr;
  PVOID systemBuffer = nullptr;
  PVOID userBuffer = nullptr;
  PETHREAD thread = nullptr;
  PFILE_OBJECT fileSeen = nullptr;
  KPROCESSOR_MODE mode = KernelMode;

  scripted::Handler recordAndComplete(ULONG_PTR information) {
    return [this, information](PDEVICE_OBJECT, PIRP irp) {
      seen = irp;
      mdl = irp->MdlAddress;
      systemBuffer = irp->AssociatedIrp.SystemBuffer;
      userBuffer = irp->UserBuffer;
      thread = irp->Tail.Overlay.Thread;
      fileSeen = IoGetCurrentIrpStackLocation(irp)->FileObject;
      mode = irp->RequestorMode;
      return scripted::completeIrp(irp, STATUS_SUCCESS, information);
    };
  }
};

TEST_F(BufferingTest, DirectIoDescribesTheCallersBufferAndZeroLengthHasNoMdl) {
  PFILE_OBJECT file = openWith(DO_DIRECT_IO);
  std::array<UCHAR, 100> buffer{};
  ULONG lengthSeen = 0;
  script[IRP_MJ_READ] = [&](PDEVICE_OBJECT device, PIRP irp) {
    lengthSeen = IoGetCurrentIrpStackLocation(irp)->Parameters.Read.Length;
    if (irp->MdlAddress) {
      EXPECT_EQ(MmGetMdlVirtualAddress(irp->MdlAddress), buffer.data());
      EXPECT_EQ(MmGetMdlByteCount(irp->MdlAddress), 100u);
      std::memset(MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority), 0x42, 100);
    }
    return recordAndComplete(irp->MdlAddress ? 100 : 0)(device, irp);
  };
  Completion full, empty;
  nt::readFile(file, buffer.data(), 100, full.callback());
  EXPECT_NE(mdl, nullptr);
  EXPECT_EQ(lengthSeen, 100u);
  EXPECT_EQ(buffer[99], 0x42);
  EXPECT_EQ(thread, PsGetCurrentThread());
  EXPECT_EQ(fileSeen, file);
  EXPECT_EQ(mode, UserMode);
  nt::readFile(file, buffer.data(), 0, empty.callback());
  EXPECT_EQ(mdl, nullptr);
  EXPECT_EQ(lengthSeen, 0u);
  EXPECT_EQ(empty.information(), 0u);
  EXPECT_EQ(kernel.pool().usage(nt::poolTag("Mdl ")).liveBlocks, 0u);
  nt::closeFile(file);
}

TEST_F(BufferingTest, BufferedIoCopiesWritesInAndReadsBack) {
  PFILE_OBJECT file = openWith(DO_BUFFERED_IO);
  script[IRP_MJ_WRITE] = [&](PDEVICE_OBJECT device, PIRP irp) {
    EXPECT_EQ(std::memcmp(irp->AssociatedIrp.SystemBuffer, "data", 4), 0);
    return recordAndComplete(4)(device, irp);
  };
  script[IRP_MJ_READ] = [&](PDEVICE_OBJECT device, PIRP irp) {
    std::memcpy(irp->AssociatedIrp.SystemBuffer, "back", 4);
    return recordAndComplete(3)(device, irp);
  };
  char out[4] = {'-', '-', '-', '-'};
  Completion wrote, read;
  nt::writeFile(file, "data", 4, wrote.callback());
  EXPECT_NE(systemBuffer, nullptr);
  EXPECT_NE(systemBuffer, static_cast<const void*>("data"));
  EXPECT_EQ(mdl, nullptr);
  nt::readFile(file, out, 4, read.callback());
  EXPECT_EQ(std::string(out, 4), "bac-");  // Information bytes only
  EXPECT_EQ(kernel.pool().usage(nt::poolTag("IoBf")).liveBlocks, 0u);
  nt::closeFile(file);
}

TEST_F(BufferingTest, NeitherIoPassesTheCallersPointers) {
  PFILE_OBJECT file = openWith(0);
  script[IRP_MJ_READ] = recordAndComplete(0);
  UCHAR buffer[8];
  Completion done;
  nt::readFile(file, buffer, 8, done.callback());
  EXPECT_EQ(userBuffer, buffer);
  EXPECT_EQ(mdl, nullptr);
  EXPECT_EQ(systemBuffer, nullptr);
  nt::closeFile(file);
}

TEST_F(BufferingTest, DeviceControlBuffersByMethod) {
  PFILE_OBJECT file = openWith(DO_DIRECT_IO);
  PVOID type3 = nullptr;
  ULONG inLength = 0, outLength = 0;
  script[IRP_MJ_DEVICE_CONTROL] = [&](PDEVICE_OBJECT device, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    type3 = stack->Parameters.DeviceIoControl.Type3InputBuffer;
    inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    return recordAndComplete(0)(device, irp);
  };
  UCHAR in[3] = {1, 2, 3};
  UCHAR out[5] = {};
  auto send = [&](ULONG method, PVOID input, ULONG inLen, PVOID output, ULONG outLen) {
    Completion done;
    nt::deviceIoControl(file, CTL_CODE(FILE_DEVICE_UNKNOWN, 0x800, method, FILE_ANY_ACCESS), input, inLen, output,
                        outLen, done.callback());
    EXPECT_EQ(done.calls(), 1);
  };
  send(METHOD_BUFFERED, in, 3, out, 5);
  EXPECT_NE(systemBuffer, nullptr);
  EXPECT_EQ(mdl, nullptr);
  EXPECT_EQ(inLength, 3u);
  EXPECT_EQ(outLength, 5u);
  send(METHOD_BUFFERED, nullptr, 0, nullptr, 0);
  EXPECT_EQ(systemBuffer, nullptr);  // nothing to buffer
  send(METHOD_IN_DIRECT, in, 3, out, 5);
  EXPECT_NE(systemBuffer, nullptr);
  ASSERT_NE(mdl, nullptr);
  send(METHOD_OUT_DIRECT, nullptr, 0, out, 5);
  EXPECT_EQ(systemBuffer, nullptr);
  EXPECT_NE(mdl, nullptr);
  send(METHOD_OUT_DIRECT, in, 3, nullptr, 0);
  EXPECT_EQ(mdl, nullptr);
  send(METHOD_NEITHER, in, 3, out, 5);
  EXPECT_EQ(type3, in);
  EXPECT_EQ(userBuffer, out);
  EXPECT_EQ(systemBuffer, nullptr);
  EXPECT_EQ(mdl, nullptr);
  nt::closeFile(file);
}

TEST_F(BufferingTest, ErrorStatusCopiesNothingBack) {
  PFILE_OBJECT file = openWith(0);
  script[IRP_MJ_DEVICE_CONTROL] = [](PDEVICE_OBJECT, PIRP irp) {
    std::memset(irp->AssociatedIrp.SystemBuffer, 0x11, 4);
    return scripted::completeIrp(irp, STATUS_UNSUCCESSFUL, 4);
  };
  UCHAR out[4] = {};
  Completion done;
  nt::deviceIoControl(file, CTL_CODE(FILE_DEVICE_UNKNOWN, 1, METHOD_BUFFERED, FILE_ANY_ACCESS), nullptr, 0, out, 4,
                      done.callback());
  EXPECT_EQ(done.status(), STATUS_UNSUCCESSFUL);
  EXPECT_EQ(out[0], 0);
  nt::closeFile(file);
}

TEST_F(BufferingTest, ClosedFileIssuesNothing) {
  PFILE_OBJECT file = openWith(0);
  int reads = 0;
  script[IRP_MJ_READ] = [&](PDEVICE_OBJECT, PIRP irp) {
    reads++;
    return scripted::completeIrp(irp, STATUS_SUCCESS);
  };
  UCHAR byte;
  Completion during;
  // Keep the file alive past its close with a request that waits.
  script[IRP_MJ_WRITE] = [&](PDEVICE_OBJECT, PIRP irp) {
    IoMarkIrpPending(irp);
    seen = irp;
    return STATUS_PENDING;
  };
  Completion pending;
  nt::writeFile(file, &byte, 1, pending.callback());
  nt::closeFile(file);
  EXPECT_EQ(nt::readFile(file, &byte, 1, during.callback()), STATUS_INVALID_HANDLE);
  EXPECT_EQ(nt::closeFile(file), STATUS_INVALID_HANDLE);
  EXPECT_EQ(reads, 0);
  EXPECT_EQ(during.calls(), 0);
  scripted::completeIrp(seen, STATUS_SUCCESS, 1);
  EXPECT_EQ(pending.calls(), 1);
}

}  // namespace
