// Completion walks: routines and their invoke flags, STATUS_MORE_PROCESSING_REQUIRED and
// re-completion, pending propagation, cleared locations, driver-allocated and threaded IRPs,
// re-sending from a completion routine.

#include <array>
#include <thread>

#include "ScriptedDriver.h"

namespace {

using scripted::Completion;
using scripted::CompletionHandler;
using scripted::Script;

class IrpCompletionTest : public scripted::KernelTest {
 protected:
  // upper (named "\\.\Stack") attached over lower.
  void buildStack() {
    lower = createDevice(lowerScript);
    upper = createNamedDevice(upperScript, u"\\Device\\Stack", u"\\DosDevices\\Stack");
    EXPECT_EQ(attach(upper, lower), lower);
    EXPECT_EQ(upper->StackSize, 2);
  }

  Script lowerScript, upperScript;
  PDEVICE_OBJECT lower = nullptr;
  PDEVICE_OBJECT upper = nullptr;
  PIRP held = nullptr;
};

TEST_F(IrpCompletionTest, RoutineKeepsTheIrpAndALaterCompletionResumesTheWalk) {
  buildStack();
  lowerScript[IRP_MJ_READ] = [&](PDEVICE_OBJECT, PIRP irp) {
    IoMarkIrpPending(irp);
    held = irp;
    return STATUS_PENDING;
  };
  PDEVICE_OBJECT routineDevice = nullptr;
  bool sawPending = false;
  bool lowerCleared = false;
  CompletionHandler keep = [&](PDEVICE_OBJECT device, PIRP irp) {
    routineDevice = device;
    sawPending = irp->PendingReturned;
    PIO_STACK_LOCATION below = IoGetNextIrpStackLocation(irp);
    lowerCleared = below->DeviceObject == nullptr && below->CompletionRoutine == nullptr && below->MajorFunction == 0 &&
                   below->Parameters.Read.Length == 0;
    return STATUS_MORE_PROCESSING_REQUIRED;
  };
  // Its routine keeps the IRP, so it marks it pending itself.
  upperScript[IRP_MJ_READ] = [&](PDEVICE_OBJECT, PIRP irp) {
    IoMarkIrpPending(irp);
    IoCopyCurrentIrpStackLocationToNext(irp);
    IoSetCompletionRoutine(irp, scripted::RunCompletionHandler, &keep, TRUE, TRUE, TRUE);
    IoCallDriver(lower, irp);
    return STATUS_PENDING;
  };

  PFILE_OBJECT file = open("\\\\.\\Stack");
  std::array<UCHAR, 4> buffer{};
  Completion done;
  ASSERT_EQ(nt::readFile(file, buffer.data(), 4, done.callback()), STATUS_PENDING);
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(IoGetCurrentIrpStackLocation(held)->Parameters.Read.Length, 4u);  // the copied parameters

  scripted::completeIrp(held, STATUS_SUCCESS, 4);
  EXPECT_EQ(routineDevice, upper);
  EXPECT_TRUE(sawPending);
  EXPECT_TRUE(lowerCleared);
  EXPECT_EQ(done.calls(), 0);  // the routine kept it
  EXPECT_EQ(held->CurrentLocation, 2);

  // The upper driver finishes it later with its own status.
  held->IoStatus.Information = 3;
  IoCompleteRequest(held, IO_NO_INCREMENT);
  EXPECT_EQ(done.calls(), 1);
  EXPECT_EQ(done.status(), STATUS_SUCCESS);
  EXPECT_EQ(done.information(), 3u);
  nt::closeFile(file);
}

TEST_F(IrpCompletionTest, PendingMarkTravelsUpThroughLocationsWithoutRoutines) {
  // top -> middle (skips its location) -> bottom (pends, or completes at once)
  Script topScript, middleScript, bottomScript;
  PDEVICE_OBJECT bottom = createDevice(bottomScript);
  PDEVICE_OBJECT middle = createDevice(middleScript);
  PDEVICE_OBJECT top = createNamedDevice(topScript, u"\\Device\\Three", u"\\DosDevices\\Three");
  attach(middle, bottom);
  attach(top, bottom);
  EXPECT_EQ(top->StackSize, 3);

  bool pend = true;
  bottomScript[IRP_MJ_WRITE] = [&](PDEVICE_OBJECT, PIRP irp) {
    if (!pend) return scripted::completeIrp(irp, STATUS_SUCCESS, 1);
    IoMarkIrpPending(irp);
    held = irp;
    return STATUS_PENDING;
  };
  middleScript[IRP_MJ_WRITE] = [&](PDEVICE_OBJECT, PIRP irp) {
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(bottom, irp);
  };
  std::vector<bool> seen;
  CompletionHandler record = [&](PDEVICE_OBJECT, PIRP irp) {
    seen.push_back(irp->PendingReturned != FALSE);
    if (irp->PendingReturned) IoMarkIrpPending(irp);
    return STATUS_SUCCESS;
  };
  topScript[IRP_MJ_WRITE] = [&](PDEVICE_OBJECT, PIRP irp) {
    IoCopyCurrentIrpStackLocationToNext(irp);
    IoSetCompletionRoutine(irp, scripted::RunCompletionHandler, &record, TRUE, TRUE, TRUE);
    return IoCallDriver(middle, irp);
  };

  PFILE_OBJECT file = open("\\\\.\\Three");
  UCHAR byte = 1;
  Completion first, second;
  EXPECT_EQ(nt::writeFile(file, &byte, 1, first.callback()), STATUS_PENDING);
  scripted::completeIrp(held, STATUS_SUCCESS, 1);
  pend = false;
  EXPECT_EQ(nt::writeFile(file, &byte, 1, second.callback()), STATUS_SUCCESS);
  EXPECT_EQ(seen, (std::vector<bool>{true, false}));
  EXPECT_EQ(first.calls(), 1);
  EXPECT_EQ(second.calls(), 1);
  nt::closeFile(file);
}

TEST_F(IrpCompletionTest, InvokeFlagsChooseWhenARoutineRuns) {
  buildStack();
  NTSTATUS lowerStatus = STATUS_SUCCESS;
  lowerScript[IRP_MJ_WRITE] = [&](PDEVICE_OBJECT, PIRP irp) {
    held = irp;
    return scripted::completeIrp(irp, lowerStatus);
  };
  int calls = 0;
  CompletionHandler count = [&](PDEVICE_OBJECT, PIRP) {
    calls++;
    return STATUS_SUCCESS;
  };
  BOOLEAN onSuccess = TRUE, onError = FALSE, onCancel = FALSE;
  bool cancelFirst = false;
  upperScript[IRP_MJ_WRITE] = [&](PDEVICE_OBJECT, PIRP irp) {
    IoCopyCurrentIrpStackLocationToNext(irp);
    IoSetCompletionRoutine(irp, scripted::RunCompletionHandler, &count, onSuccess, onError, onCancel);
    if (cancelFirst) irp->Cancel = TRUE;
    return IoCallDriver(lower, irp);
  };
  PFILE_OBJECT file = open("\\\\.\\Stack");
  UCHAR byte = 0;
  auto send = [&] {
    Completion done;
    nt::writeFile(file, &byte, 1, done.callback());
    EXPECT_EQ(done.calls(), 1);
    EXPECT_EQ(done.status(), lowerStatus);
  };
  send();  // success, on-success routine
  EXPECT_EQ(calls, 1);
  lowerStatus = STATUS_UNSUCCESSFUL;
  send();  // error, routine only for success
  EXPECT_EQ(calls, 1);
  onError = TRUE;
  send();
  EXPECT_EQ(calls, 2);
  onSuccess = onError = FALSE;
  onCancel = TRUE;
  send();  // error but not cancelled
  EXPECT_EQ(calls, 2);
  cancelFirst = true;
  send();  // cancelled
  EXPECT_EQ(calls, 3);
  nt::closeFile(file);
}

TEST_F(IrpCompletionTest, CopyToNextLeavesTheRoutineOut) {
  PIRP irp = IoAllocateIrp(2, FALSE);
  ASSERT_NE(irp, nullptr);
  // Location 2 gets a routine from its caller, then becomes current with its parameters.
  CompletionHandler unused = [](PDEVICE_OBJECT, PIRP) { return STATUS_SUCCESS; };
  IoSetCompletionRoutine(irp, scripted::RunCompletionHandler, &unused, TRUE, TRUE, TRUE);
  IoSetNextIrpStackLocation(irp);
  PIO_STACK_LOCATION own = IoGetCurrentIrpStackLocation(irp);
  own->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
  own->Parameters.Others.Argument1 = &held;
  own->Control |= SL_PENDING_RETURNED;
  IoCopyCurrentIrpStackLocationToNext(irp);
  PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
  EXPECT_EQ(next, own - 1);
  EXPECT_EQ(next->MajorFunction, IRP_MJ_INTERNAL_DEVICE_CONTROL);
  EXPECT_EQ(next->Parameters.Others.Argument1, &held);
  EXPECT_EQ(next->CompletionRoutine, nullptr);
  EXPECT_EQ(next->Context, nullptr);
  EXPECT_EQ(next->Control, 0);
  EXPECT_EQ(own->CompletionRoutine, scripted::RunCompletionHandler);
  IoFreeIrp(irp);
}

TEST_F(IrpCompletionTest, DriverAllocatedIrpComesBackToItsOwnLocationAndIsFreed) {
  buildStack();
  lowerScript[IRP_MJ_INTERNAL_DEVICE_CONTROL] = [&](PDEVICE_OBJECT, PIRP irp) {
    EXPECT_EQ(IoGetCurrentIrpStackLocation(irp)->Parameters.Others.Argument1, &held);
    return scripted::completeIrp(irp, STATUS_SUCCESS, 7);
  };
  std::size_t before = kernel.io().irpCounters().outstanding;
  PIRP irp = IoAllocateIrp(static_cast<CCHAR>(lower->StackSize + 1), FALSE);
  ASSERT_NE(irp, nullptr);
  EXPECT_EQ(irp->Tail.Overlay.Thread, nullptr);
  IoSetNextIrpStackLocation(irp);
  IoGetCurrentIrpStackLocation(irp)->DeviceObject = upper;
  PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
  next->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
  next->Parameters.Others.Argument1 = &held;
  PDEVICE_OBJECT seenDevice = nullptr;
  ULONG_PTR seenInformation = 0;
  CompletionHandler done = [&](PDEVICE_OBJECT device, PIRP completed) {
    seenDevice = device;
    seenInformation = completed->IoStatus.Information;
    IoFreeIrp(completed);
    return STATUS_MORE_PROCESSING_REQUIRED;
  };
  IoSetCompletionRoutine(irp, scripted::RunCompletionHandler, &done, TRUE, TRUE, TRUE);
  EXPECT_EQ(IoCallDriver(lower, irp), STATUS_SUCCESS);
  EXPECT_EQ(seenDevice, upper);
  EXPECT_EQ(seenInformation, 7u);
  EXPECT_EQ(kernel.io().irpCounters().outstanding, before);
}

TEST_F(IrpCompletionTest, ThreadedDeviceControlIrpIsWaitedOnAndFreed) {
  buildStack();
  constexpr ULONG kCode = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x10, METHOD_BUFFERED, FILE_ANY_ACCESS);
  lowerScript[IRP_MJ_DEVICE_CONTROL] = [&](PDEVICE_OBJECT, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    EXPECT_EQ(stack->Parameters.DeviceIoControl.IoControlCode, kCode);
    EXPECT_EQ(stack->Parameters.DeviceIoControl.InputBufferLength, 2u);
    EXPECT_EQ(stack->Parameters.DeviceIoControl.OutputBufferLength, 4u);
    IoMarkIrpPending(irp);
    held = irp;
    return STATUS_PENDING;
  };
  std::size_t before = kernel.io().irpCounters().outstanding;
  KEVENT event;
  KeInitializeEvent(&event, NotificationEvent, FALSE);
  IO_STATUS_BLOCK iosb{};
  UCHAR in[2] = {5, 6};
  UCHAR out[4] = {};
  PIRP irp = IoBuildDeviceIoControlRequest(kCode, lower, in, 2, out, 4, FALSE, &event, &iosb);
  ASSERT_NE(irp, nullptr);
  EXPECT_EQ(IoGetNextIrpStackLocation(irp)->MajorFunction, IRP_MJ_DEVICE_CONTROL);
  ASSERT_EQ(IoCallDriver(lower, irp), STATUS_PENDING);

  std::thread completer([&] {
    auto buffer = static_cast<PUCHAR>(held->AssociatedIrp.SystemBuffer);
    buffer[0] = buffer[0] + buffer[1];
    buffer[1] = 0xAA;
    scripted::completeIrp(held, STATUS_SUCCESS, 2);
  });
  EXPECT_EQ(KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr), STATUS_SUCCESS);
  completer.join();
  EXPECT_EQ(iosb.Status, STATUS_SUCCESS);
  EXPECT_EQ(iosb.Information, 2u);
  EXPECT_EQ(out[0], 11);
  EXPECT_EQ(out[1], 0xAA);
  EXPECT_EQ(out[2], 0);  // only Information bytes come back
  EXPECT_EQ(kernel.io().irpCounters().outstanding, before);
  EXPECT_EQ(kernel.pool().usage(nt::poolTag("IoBf")).liveBlocks, 0u);
}

TEST_F(IrpCompletionTest, InternalRequestWithNeitherMethodPassesPointersAndSetsTheEventWhenDoneAtOnce) {
  buildStack();
  constexpr ULONG kSubmit = CTL_CODE(FILE_DEVICE_USB, 0, METHOD_NEITHER, FILE_ANY_ACCESS);
  static_assert(kSubmit == 0x220003);
  int payload = 0;
  lowerScript[IRP_MJ_INTERNAL_DEVICE_CONTROL] = [&](PDEVICE_OBJECT, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    EXPECT_EQ(stack->Parameters.DeviceIoControl.Type3InputBuffer, nullptr);
    *static_cast<int*>(stack->Parameters.Others.Argument1) = 42;
    return scripted::completeIrp(irp, STATUS_SUCCESS);
  };
  KEVENT event;
  KeInitializeEvent(&event, NotificationEvent, FALSE);
  IO_STATUS_BLOCK iosb{};
  iosb.Status = STATUS_PENDING;
  PIRP irp = IoBuildDeviceIoControlRequest(kSubmit, lower, nullptr, 0, nullptr, 0, TRUE, &event, &iosb);
  ASSERT_NE(irp, nullptr);
  EXPECT_EQ(IoGetNextIrpStackLocation(irp)->MajorFunction, IRP_MJ_INTERNAL_DEVICE_CONTROL);
  IoGetNextIrpStackLocation(irp)->Parameters.Others.Argument1 = &payload;
  EXPECT_EQ(IoCallDriver(lower, irp), STATUS_SUCCESS);
  EXPECT_EQ(KeReadStateEvent(&event), 1);
  EXPECT_EQ(iosb.Status, STATUS_SUCCESS);
  EXPECT_EQ(payload, 42);
}

TEST_F(IrpCompletionTest, RoutineResendsPiecesUntilDoneAndTheRequestCompletesOnce) {
  // The lower device completes every piece inline, so each re-send re-enters the routine.
  buildStack();
  int pieces = 0;
  lowerScript[IRP_MJ_INTERNAL_DEVICE_CONTROL] = [&](PDEVICE_OBJECT, PIRP irp) {
    pieces++;
    return scripted::completeIrp(irp, STATUS_SUCCESS, 64);
  };
  ULONG_PTR total = 0;
  CompletionHandler piece = [&](PDEVICE_OBJECT, PIRP irp) -> NTSTATUS {
    total += irp->IoStatus.Information;
    if (pieces < 5) {
      PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
      next->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
      IoSetCompletionRoutine(irp, scripted::RunCompletionHandler, &piece, TRUE, TRUE, TRUE);
      IoCallDriver(lower, irp);
      return STATUS_MORE_PROCESSING_REQUIRED;
    }
    irp->IoStatus.Information = total;
    return STATUS_SUCCESS;
  };
  upperScript[IRP_MJ_READ] = [&](PDEVICE_OBJECT, PIRP irp) {
    IoMarkIrpPending(irp);
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
    IoSetCompletionRoutine(irp, scripted::RunCompletionHandler, &piece, TRUE, TRUE, TRUE);
    IoCallDriver(lower, irp);
    return STATUS_PENDING;
  };
  PFILE_OBJECT file = open("\\\\.\\Stack");
  std::array<UCHAR, 320> buffer{};
  Completion done;
  EXPECT_EQ(nt::readFile(file, buffer.data(), buffer.size(), done.callback()), STATUS_PENDING);
  EXPECT_EQ(pieces, 5);
  EXPECT_EQ(done.calls(), 1);
  EXPECT_EQ(done.information(), 320u);
  nt::closeFile(file);
}

TEST_F(IrpCompletionTest, CancelRoutineRunsUnderTheCancelLockAndReturnsToTheCallersLevel) {
  Script script;
  createNamedDevice(script, u"\\Device\\Cancel", u"\\DosDevices\\Cancel");
  KIRQL levelInRoutine = PASSIVE_LEVEL;
  bool lockHeldInRoutine = false;
  scripted::CancelHandler cancel = [&](PDEVICE_OBJECT, PIRP irp) {
    levelInRoutine = KeGetCurrentIrql();
    lockHeldInRoutine = nt::spinLockHeldByCurrentThread(kernel.cancelLock());
    EXPECT_TRUE(irp->Cancel);
    EXPECT_EQ(irp->CancelRoutine, nullptr);
    IoReleaseCancelSpinLock(irp->CancelIrql);
    scripted::completeIrp(irp, STATUS_CANCELLED);
  };
  script[IRP_MJ_READ] = [&](PDEVICE_OBJECT, PIRP irp) {
    IoMarkIrpPending(irp);
    irp->Tail.Overlay.DriverContext[0] = &cancel;
    IoSetCancelRoutine(irp, scripted::RunCancelHandler);
    held = irp;
    return STATUS_PENDING;
  };
  PFILE_OBJECT file = open("\\\\.\\Cancel");
  UCHAR byte;
  Completion done;
  ASSERT_EQ(nt::readFile(file, &byte, 1, done.callback()), STATUS_PENDING);
  EXPECT_TRUE(IoCancelIrp(held));
  EXPECT_EQ(levelInRoutine, DISPATCH_LEVEL);
  EXPECT_TRUE(lockHeldInRoutine);
  EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
  EXPECT_FALSE(nt::spinLockHeldByCurrentThread(kernel.cancelLock()));
  EXPECT_EQ(done.status(), STATUS_CANCELLED);
  nt::closeFile(file);
}

TEST_F(IrpCompletionTest, CancelWithoutARoutineOnlyMarksTheIrp) {
  Script script;
  createNamedDevice(script, u"\\Device\\Mark", u"\\DosDevices\\Mark");
  script[IRP_MJ_READ] = [&](PDEVICE_OBJECT, PIRP irp) {
    IoMarkIrpPending(irp);
    held = irp;
    return STATUS_PENDING;
  };
  PFILE_OBJECT file = open("\\\\.\\Mark");
  UCHAR byte;
  Completion done;
  ASSERT_EQ(nt::readFile(file, &byte, 1, done.callback()), STATUS_PENDING);
  EXPECT_FALSE(IoCancelIrp(held));
  EXPECT_TRUE(held->Cancel);
  EXPECT_EQ(done.calls(), 0);
  scripted::completeIrp(held, STATUS_SUCCESS, 1);
  EXPECT_EQ(done.status(), STATUS_SUCCESS);
  nt::closeFile(file);
}

}  // namespace
