// Each verifier check fires on a deliberately wrong driver, is recorded with a readable text, and
// the kernel carries on.

#include <array>
#include <cstring>
#include <thread>

#include "ScriptedDriver.h"

namespace {

using nt::Violation;
using scripted::Completion;
using scripted::CompletionHandler;
using scripted::Script;

class VerifierTest : public scripted::KernelTest {
 protected:
  PDEVICE_OBJECT named(Script& script) { return createNamedDevice(script, u"\\Device\\Bad", u"\\DosDevices\\Bad"); }

  NTSTATUS read(PFILE_OBJECT file, Completion& done) { return nt::readFile(file, buffer.data(), 4, done.callback()); }

  bool logMentions(Violation kind, const std::string& text) {
    for (const auto& r : kernel.verifier().records()) {
      if (r.kind == kind && r.text.find(text) != std::string::npos) return true;
    }
    return false;
  }

  std::array<UCHAR, 4> buffer{};
  PIRP held = nullptr;
};

// A legacy driver loaded on its own, with faults chosen by the test.
namespace holder {
bool leakPool = false;
bool keepDevice = false;
PIRP held = nullptr;
PVOID leaked = nullptr;

NTSTATUS Dispatch(PDEVICE_OBJECT, PIRP irp) {
  UCHAR major = IoGetCurrentIrpStackLocation(irp)->MajorFunction;
  if (major == IRP_MJ_READ) {
    IoMarkIrpPending(irp);
    held = irp;
    return STATUS_PENDING;
  }
  return scripted::completeIrp(irp, STATUS_SUCCESS);
}

VOID Unload(PDRIVER_OBJECT driver) {
  UNICODE_STRING link;
  RtlInitUnicodeString(&link, u"\\DosDevices\\Holder");
  IoDeleteSymbolicLink(&link);
  if (!keepDevice) IoDeleteDevice(driver->DeviceObject);
}

NTSTATUS Entry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
  UNICODE_STRING name, link;
  RtlInitUnicodeString(&name, u"\\Device\\Holder");
  RtlInitUnicodeString(&link, u"\\DosDevices\\Holder");
  PDEVICE_OBJECT device;
  NTSTATUS status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
  if (!NT_SUCCESS(status)) return status;
  IoCreateSymbolicLink(&link, &name);
  if (leakPool) leaked = ExAllocatePoolWithTag(NonPagedPool, 24, nt::poolTag("Leak"));
  for (auto& routine : driver->MajorFunction) routine = Dispatch;
  driver->DriverUnload = Unload;
  return STATUS_SUCCESS;
}
}  // namespace holder

class HolderTest : public VerifierTest {
 protected:
  HolderTest() {
    holder::leakPool = false;
    holder::keepDevice = false;
    holder::held = nullptr;
  }
  PDRIVER_OBJECT load() {
    PDRIVER_OBJECT driver = nullptr;
    EXPECT_EQ(kernel.loadDriver(u"Holder", holder::Entry, &driver), STATUS_SUCCESS);
    return driver;
  }
};

TEST_F(VerifierTest, IrpCompletedTwice) {
  Script script;
  named(script);
  script[IRP_MJ_READ] = [](PDEVICE_OBJECT, PIRP irp) {
    scripted::completeIrp(irp, STATUS_SUCCESS, 1);
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_SUCCESS;
  };
  PFILE_OBJECT file = open("\\\\.\\Bad");
  Completion done;
  read(file, done);
  EXPECT_EQ(done.calls(), 1);
  nt::closeFile(file);
  expectViolations({Violation::IrpCompletedTwice});
}

TEST_F(VerifierTest, IrpCompletedWithPendingStatusOrWithItsCancelRoutineSet) {
  Script script;
  named(script);
  int call = 0;
  script[IRP_MJ_READ] = [&](PDEVICE_OBJECT, PIRP irp) {
    if (++call == 1) return scripted::completeIrp(irp, STATUS_PENDING);
    IoSetCancelRoutine(irp, scripted::RunCancelHandler);
    return scripted::completeIrp(irp, STATUS_SUCCESS);
  };
  PFILE_OBJECT file = open("\\\\.\\Bad");
  Completion first, second;
  read(file, first);
  read(file, second);
  EXPECT_EQ(second.status(), STATUS_SUCCESS);
  // The routine left behind was taken away: cancelling afterwards finds none.
  nt::closeFile(file);
  // Returning the STATUS_PENDING it completed with, unmarked, is a pending mismatch too.
  expectViolations(
      {Violation::IrpCompletedPending, Violation::PendingMismatch, Violation::IrpCompletedWithCancelRoutine});
}

TEST_F(VerifierTest, DriverAllocatedIrpCompletedPastItsTop) {
  Script script;
  PDEVICE_OBJECT device = createDevice(script);
  script[IRP_MJ_INTERNAL_DEVICE_CONTROL] = [](PDEVICE_OBJECT, PIRP irp) {
    return scripted::completeIrp(irp, STATUS_SUCCESS);
  };
  PIRP irp = IoAllocateIrp(device->StackSize, FALSE);
  IoGetNextIrpStackLocation(irp)->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
  IoCallDriver(device, irp);
  EXPECT_TRUE(logMentions(Violation::IrpUnclaimed, nt::pointerText(irp)));
  IoFreeIrp(irp);  // still the owner's to free
  expectViolations({Violation::IrpUnclaimed});
}

TEST_F(VerifierTest, IrpSentOnWithNoStackLocationLeft) {
  Script top, other;
  named(top);
  PDEVICE_OBJECT unattached = createDevice(other);
  top[IRP_MJ_READ] = [&](PDEVICE_OBJECT, PIRP irp) {
    EXPECT_EQ(IoCallDriver(unattached, irp), STATUS_INVALID_PARAMETER);
    return scripted::completeIrp(irp, STATUS_UNSUCCESSFUL);
  };
  PFILE_OBJECT file = open("\\\\.\\Bad");
  Completion done;
  read(file, done);
  EXPECT_EQ(done.status(), STATUS_UNSUCCESSFUL);
  nt::closeFile(file);
  expectViolations({Violation::IrpStackExhausted});
}

TEST_F(VerifierTest, IrpFreedWhileSomeoneElseOwnsIt) {
  Script top, lower;
  named(top);
  PDEVICE_OBJECT below = createDevice(lower);
  top[IRP_MJ_READ] = [](PDEVICE_OBJECT, PIRP irp) {
    IoFreeIrp(irp);  // the I/O manager's request
    return scripted::completeIrp(irp, STATUS_SUCCESS);
  };
  lower[IRP_MJ_INTERNAL_DEVICE_CONTROL] = [&](PDEVICE_OBJECT, PIRP irp) {
    IoMarkIrpPending(irp);
    held = irp;
    return STATUS_PENDING;
  };
  PFILE_OBJECT file = open("\\\\.\\Bad");
  Completion done;
  read(file, done);
  EXPECT_EQ(done.status(), STATUS_SUCCESS);
  nt::closeFile(file);

  PIRP irp = IoAllocateIrp(below->StackSize + 1, FALSE);
  IoSetNextIrpStackLocation(irp);
  IoGetNextIrpStackLocation(irp)->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
  CompletionHandler freeIt = [](PDEVICE_OBJECT, PIRP completed) {
    IoFreeIrp(completed);
    return STATUS_MORE_PROCESSING_REQUIRED;
  };
  IoSetCompletionRoutine(irp, scripted::RunCompletionHandler, &freeIt, TRUE, TRUE, TRUE);
  IoCallDriver(below, irp);
  IoFreeIrp(irp);  // the lower driver holds it
  scripted::completeIrp(held, STATUS_SUCCESS);
  EXPECT_EQ(violations(Violation::IrpFreedInUse), 2u);
  expectViolations({Violation::IrpFreedInUse, Violation::IrpFreedInUse});
}

TEST_F(VerifierTest, NotAnIrp) {
  IRP fake{};
  IoCompleteRequest(&fake, IO_NO_INCREMENT);
  EXPECT_FALSE(IoCancelIrp(&fake));
  expectViolations({Violation::UnknownIrp, Violation::UnknownIrp});
}

TEST_F(VerifierTest, IrpOutstandingWhenItsDeviceIsDeleted) {
  Script script;
  PDEVICE_OBJECT device = named(script);
  script[IRP_MJ_READ] = [&](PDEVICE_OBJECT, PIRP irp) {
    IoMarkIrpPending(irp);
    held = irp;
    return STATUS_PENDING;
  };
  PFILE_OBJECT file = open("\\\\.\\Bad");
  Completion done;
  ASSERT_EQ(read(file, done), STATUS_PENDING);
  {
    nt::DriverCall call(kernel, driver, nullptr, "test");
    IoDeleteDevice(device);
  }
  EXPECT_TRUE(logMentions(Violation::IrpOutstandingAtDelete, nt::pointerText(held)));
  // The open file keeps the object: the request can still finish.
  scripted::completeIrp(held, STATUS_SUCCESS, 1);
  EXPECT_EQ(done.status(), STATUS_SUCCESS);
  nt::closeFile(file);
  expectViolations({Violation::IrpOutstandingAtDelete});
}

TEST_F(HolderTest, IrpOutstandingWhenItsDriverUnloads) {
  PDRIVER_OBJECT driverObject = load();
  PFILE_OBJECT file = open("\\\\.\\Holder");
  Completion done;
  ASSERT_EQ(read(file, done), STATUS_PENDING);
  nt::closeFile(file);
  kernel.unloadDriver(driverObject);
  EXPECT_EQ(violations(Violation::IrpOutstandingAtUnload), 1u);
  scripted::completeIrp(holder::held, STATUS_SUCCESS);
  EXPECT_EQ(done.calls(), 1);
  expectViolations({Violation::IrpOutstandingAtDelete, Violation::IrpOutstandingAtUnload});
}

TEST_F(HolderTest, PoolAndDeviceLeftAtUnload) {
  holder::leakPool = true;
  holder::keepDevice = true;
  PDRIVER_OBJECT driverObject = load();
  kernel.unloadDriver(driverObject);
  EXPECT_TRUE(logMentions(Violation::PoolLeakAtUnload, "'Leak'"));
  EXPECT_TRUE(logMentions(Violation::PoolLeakAtUnload, "1 block(s), 24 bytes"));
  EXPECT_TRUE(logMentions(Violation::DeviceLeftAtUnload, "Holder"));
  // Reported once: the shutdown check does not repeat the driver's leak.
  expectViolations({Violation::PoolLeakAtUnload, Violation::DeviceLeftAtUnload});
}

TEST_F(VerifierTest, PoolAndIrpsLeftAtShutdown) {
  ExAllocatePoolWithTag(NonPagedPool, 8, nt::poolTag("Kept"));
  Script script;
  named(script);
  script[IRP_MJ_READ] = [&](PDEVICE_OBJECT, PIRP irp) {
    IoMarkIrpPending(irp);
    return STATUS_PENDING;
  };
  PFILE_OBJECT file = open("\\\\.\\Bad");
  Completion done;
  ASSERT_EQ(read(file, done), STATUS_PENDING);
  kernel.shutdown();
  EXPECT_TRUE(logMentions(Violation::PoolLeakAtShutdown, "'Kept'"));
  EXPECT_EQ(done.calls(), 0);
  expectViolations({Violation::PoolLeakAtShutdown, Violation::IrpOutstandingAtDelete, Violation::IrpOutstandingAtUnload,
                    Violation::IrpOutstandingAtShutdown});
}

TEST_F(VerifierTest, BadPoolFrees) {
  PVOID block = ExAllocatePoolWithTag(NonPagedPool, 16, nt::poolTag("Dbl "));
  ExFreePool(block);
  ExFreePool(block);
  int local = 0;
  ExFreePool(&local);
  PVOID tagged = ExAllocatePoolWithTag(NonPagedPool, 16, nt::poolTag("Tag1"));
  ExFreePoolWithTag(tagged, nt::poolTag("Tag2"));
  EXPECT_TRUE(logMentions(Violation::BadPoolFree, "freed twice"));
  EXPECT_TRUE(logMentions(Violation::BadPoolFree, "not a pool block"));
  EXPECT_TRUE(logMentions(Violation::BadPoolFree, "'Tag1'"));
  EXPECT_EQ(kernel.pool().usage(nt::poolTag("Tag1")).liveBlocks, 0u);
  expectViolations({Violation::BadPoolFree, Violation::BadPoolFree, Violation::BadPoolFree});
}

TEST_F(VerifierTest, WaitAtDispatchLevelButNotAPoll) {
  KEVENT event;
  KeInitializeEvent(&event, NotificationEvent, TRUE);
  KIRQL old;
  KeRaiseIrql(DISPATCH_LEVEL, &old);
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  EXPECT_EQ(KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, &zero), STATUS_SUCCESS);
  EXPECT_EQ(KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr), STATUS_SUCCESS);
  KeLowerIrql(old);
  expectViolations({Violation::WaitAtDispatch});
}

TEST_F(VerifierTest, SynchronousCallsAboveThePassiveLevel) {
  Script script;
  PDEVICE_OBJECT device = createDevice(script);
  script[IRP_MJ_INTERNAL_DEVICE_CONTROL] = [](PDEVICE_OBJECT, PIRP irp) {
    return scripted::completeIrp(irp, STATUS_SUCCESS);
  };
  KEVENT event;
  KeInitializeEvent(&event, NotificationEvent, FALSE);
  IO_STATUS_BLOCK iosb{};
  KIRQL old;
  KeRaiseIrql(DISPATCH_LEVEL, &old);
  PIRP irp = IoBuildDeviceIoControlRequest(0x220003, device, nullptr, 0, nullptr, 0, TRUE, &event, &iosb);
  ASSERT_NE(irp, nullptr);
  IoCallDriver(device, irp);
  PVOID paged = ExAllocatePoolWithTag(PagedPool, 8, nt::poolTag("Page"));
  KeLowerIrql(old);
  ExFreePool(paged);
  EXPECT_EQ(iosb.Status, STATUS_SUCCESS);
  expectViolations({Violation::SyncCallAtDispatch, Violation::IrqlTooHigh});
}

TEST_F(VerifierTest, DispatchRoutineReturningAtAnotherLevel) {
  Script script;
  named(script);
  script[IRP_MJ_READ] = [](PDEVICE_OBJECT, PIRP irp) {
    KIRQL old;
    KeRaiseIrql(DISPATCH_LEVEL, &old);
    return scripted::completeIrp(irp, STATUS_SUCCESS);
  };
  PFILE_OBJECT file = open("\\\\.\\Bad");
  Completion done;
  read(file, done);
  EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);  // restored after the report
  nt::closeFile(file);
  expectViolations({Violation::IrqlMismatch});
}

TEST_F(VerifierTest, SpinLockAcquiredRecursivelyOrReleasedUnheld) {
  KSPIN_LOCK lock;
  KeInitializeSpinLock(&lock);
  KIRQL outer, inner;
  KeAcquireSpinLock(&lock, &outer);
  KeAcquireSpinLock(&lock, &inner);  // would deadlock on the platform
  KeReleaseSpinLock(&lock, inner);
  EXPECT_TRUE(nt::spinLockHeldByCurrentThread(&lock));
  KeReleaseSpinLock(&lock, outer);
  EXPECT_EQ(lock, 0u);
  EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
  KeReleaseSpinLockFromDpcLevel(&lock);
  expectViolations({Violation::SpinLockRecursion, Violation::SpinLockNotHeld});
}

TEST_F(VerifierTest, IrpSentToADeviceTheSenderDetachedFrom) {
  Script upperScript, lowerScript;
  PDEVICE_OBJECT lower = createDevice(lowerScript);
  PDEVICE_OBJECT upper = named(upperScript);
  attach(upper, lower);
  int reached = 0;
  lowerScript[IRP_MJ_READ] = [&](PDEVICE_OBJECT, PIRP irp) {
    reached++;
    return scripted::completeIrp(irp, STATUS_SUCCESS);
  };
  upperScript[IRP_MJ_READ] = [&](PDEVICE_OBJECT, PIRP irp) {
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(lower, irp);
  };
  PFILE_OBJECT file = open("\\\\.\\Bad");
  Completion before, after;
  read(file, before);
  IoDetachDevice(lower);
  EXPECT_EQ(upper->StackSize, 2);  // a detached device keeps its stack size
  // The upper device still gets the requests of its open file and sends on.
  upperScript[IRP_MJ_READ] = [&](PDEVICE_OBJECT, PIRP irp) {
    IoCopyCurrentIrpStackLocationToNext(irp);
    return IoCallDriver(lower, irp);
  };
  read(file, after);
  EXPECT_EQ(reached, 2);
  EXPECT_EQ(after.status(), STATUS_SUCCESS);
  nt::closeFile(file);
  expectViolations({Violation::IrpToDetachedDevice});
}

TEST_F(VerifierTest, IrpSentToADeletedDevice) {
  Script senderScript, targetScript, goneScript;
  PDEVICE_OBJECT sender = createDevice(senderScript);
  PDEVICE_OBJECT target = createDevice(targetScript);
  PDEVICE_OBJECT gone = createDevice(goneScript);
  int reached = 0;
  targetScript[IRP_MJ_INTERNAL_DEVICE_CONTROL] = [&](PDEVICE_OBJECT, PIRP irp) {
    reached++;
    return scripted::completeIrp(irp, STATUS_SUCCESS);
  };
  ObReferenceObject(target);
  {
    nt::DriverCall call(kernel, driver, nullptr, "test");
    IoDeleteDevice(target);  // delete pending: the reference keeps it
    IoDeleteDevice(gone);    // no reference: poisoned at once
  }
  NTSTATUS seen[2] = {0, 0};
  int n = 0;
  CompletionHandler back = [&](PDEVICE_OBJECT, PIRP irp) {
    seen[n++] = irp->IoStatus.Status;
    IoFreeIrp(irp);
    return STATUS_MORE_PROCESSING_REQUIRED;
  };
  for (PDEVICE_OBJECT to : {target, gone}) {
    PIRP irp = IoAllocateIrp(2, FALSE);
    IoSetNextIrpStackLocation(irp);
    IoGetCurrentIrpStackLocation(irp)->DeviceObject = sender;
    IoGetNextIrpStackLocation(irp)->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
    IoSetCompletionRoutine(irp, scripted::RunCompletionHandler, &back, TRUE, TRUE, TRUE);
    nt::DriverCall call(kernel, driver, sender, "test");
    IoCallDriver(to, irp);
  }
  EXPECT_EQ(reached, 1);
  EXPECT_EQ(seen[0], STATUS_SUCCESS);
  EXPECT_EQ(seen[1], STATUS_NO_SUCH_DEVICE);
  ObDereferenceObject(target);
  expectViolations({Violation::IrpToDeletedDevice, Violation::IrpToDeletedDevice});
}

TEST_F(VerifierTest, DeviceDeletedWhileStillAttached) {
  Script lowerScript, upperScript;
  PDEVICE_OBJECT lower = createDevice(lowerScript);
  PDEVICE_OBJECT upper = createDevice(upperScript);
  IoAttachDeviceToDeviceStack(upper, lower);
  {
    nt::DriverCall call(kernel, driver, nullptr, "test");
    IoDeleteDevice(upper);
  }
  // The poisoned device is no longer reachable through the stack.
  EXPECT_EQ(lower->AttachedDevice, nullptr);
  EXPECT_EQ(IoGetAttachedDevice(lower), lower);
  expectViolations({Violation::DeviceDeletedWhileAttached});
}

TEST_F(VerifierTest, IrpSentToSomethingThatIsNoDevice) {
  PIRP irp = IoAllocateIrp(1, FALSE);
  DEVICE_OBJECT fake{};
  EXPECT_EQ(IoCallDriver(&fake, irp), STATUS_INVALID_PARAMETER);
  EXPECT_EQ(irp->CurrentLocation, 2);  // not moved: still the caller's
  IoFreeIrp(irp);
  expectViolations({Violation::UnknownDevice});
}

TEST_F(VerifierTest, CancelRoutineThatKeepsTheCancelLock) {
  Script script;
  named(script);
  scripted::CancelHandler sloppy = [](PDEVICE_OBJECT, PIRP irp) { scripted::completeIrp(irp, STATUS_CANCELLED); };
  script[IRP_MJ_READ] = [&](PDEVICE_OBJECT, PIRP irp) {
    IoMarkIrpPending(irp);
    irp->Tail.Overlay.DriverContext[0] = &sloppy;
    IoSetCancelRoutine(irp, scripted::RunCancelHandler);
    return STATUS_PENDING;
  };
  PFILE_OBJECT file = open("\\\\.\\Bad");
  Completion done;
  ASSERT_EQ(read(file, done), STATUS_PENDING);
  nt::cancelFileIo(file);
  EXPECT_EQ(done.status(), STATUS_CANCELLED);
  EXPECT_FALSE(nt::spinLockHeldByCurrentThread(kernel.cancelLock()));
  EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
  // The lock is usable again.
  KIRQL irql;
  IoAcquireCancelSpinLock(&irql);
  IoReleaseCancelSpinLock(irql);
  nt::closeFile(file);
  expectViolations({Violation::CancelLockNotReleased});
}

// The lower driver's own completion path finds its cancel routine taken (IoSetCancelRoutine gives
// back NULL) and completes the IRP anyway, while IoCancelIrp is about to call that routine. The
// upper driver keeps the IRP at that first completion, so the cancel routine's completion is the
// one that reaches the requester.
TEST_F(VerifierTest, IrpCompletedWhileItsCancelRoutineIsDue) {
  Script upperScript, lowerScript;
  PDEVICE_OBJECT lower = createDevice(lowerScript);
  PDEVICE_OBJECT upper = named(upperScript);
  attach(upper, lower);
  int upperRoutine = 0;
  CompletionHandler keepFirst = [&](PDEVICE_OBJECT, PIRP) {
    return ++upperRoutine == 1 ? STATUS_MORE_PROCESSING_REQUIRED : STATUS_SUCCESS;
  };
  upperScript[IRP_MJ_READ] = [&](PDEVICE_OBJECT, PIRP irp) {
    IoMarkIrpPending(irp);
    IoCopyCurrentIrpStackLocationToNext(irp);
    IoSetCompletionRoutine(irp, scripted::RunCompletionHandler, &keepFirst, TRUE, TRUE, TRUE);
    IoCallDriver(lower, irp);
    return STATUS_PENDING;
  };
  scripted::CancelHandler cancel = [](PDEVICE_OBJECT, PIRP irp) {
    IoReleaseCancelSpinLock(irp->CancelIrql);
    scripted::completeIrp(irp, STATUS_CANCELLED);
  };
  lowerScript[IRP_MJ_READ] = [&](PDEVICE_OBJECT, PIRP irp) {
    IoMarkIrpPending(irp);
    irp->Tail.Overlay.DriverContext[0] = &cancel;
    IoSetCancelRoutine(irp, scripted::RunCancelHandler);
    return STATUS_PENDING;
  };
  kernel.setCancelWindowHook([](PIRP irp) {
    if (IoSetCancelRoutine(irp, nullptr) == nullptr) scripted::completeIrp(irp, STATUS_SUCCESS, 4);
  });
  PFILE_OBJECT file = open("\\\\.\\Bad");
  Completion done;
  ASSERT_EQ(read(file, done), STATUS_PENDING);
  nt::cancelFileIo(file);
  EXPECT_EQ(done.calls(), 1);
  EXPECT_EQ(done.status(), STATUS_CANCELLED);
  kernel.setCancelWindowHook({});
  nt::closeFile(file);
  expectViolations({Violation::IrpCompletedWhileCancelling});
}

TEST_F(VerifierTest, RemoveLockReleasedWithoutAcquire) {
  IO_REMOVE_LOCK lock;
  IoInitializeRemoveLock(&lock, 0, 0, 0);
  int a = 0, b = 0;
  EXPECT_EQ(IoAcquireRemoveLock(&lock, &a), STATUS_SUCCESS);
  IoReleaseRemoveLock(&lock, &b);  // another tag
  IoReleaseRemoveLock(&lock, &a);
  IoReleaseRemoveLock(&lock, &a);  // once too often
  EXPECT_EQ(lock.IoCount, 1);      // the bias is intact
  IoAcquireRemoveLock(&lock, &a);
  IoReleaseRemoveLockAndWait(&lock, &a);
  IoReleaseRemoveLockAndWait(&lock, &a);
  expectViolations({Violation::RemoveLockUnbalanced, Violation::RemoveLockUnbalanced, Violation::RemoveLockUnbalanced});
}

TEST_F(VerifierTest, WorkItemQueuedTwiceOrFreedWhileQueued) {
  Script script;
  PDEVICE_OBJECT device = createDevice(script);
  int runs = 0;
  auto routine = [](PDEVICE_OBJECT, PVOID context) { ++*static_cast<int*>(context); };
  PIO_WORKITEM item = IoAllocateWorkItem(device);
  IoQueueWorkItem(item, routine, DelayedWorkQueue, &runs);
  IoQueueWorkItem(item, routine, DelayedWorkQueue, &runs);
  IoFreeWorkItem(item);  // still queued: freed after it ran
  EXPECT_EQ(kernel.runWorkItems(), 1u);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(kernel.pool().usage(nt::poolTag("IoWk")).liveBlocks, 0u);
  expectViolations({Violation::WorkItemMisuse, Violation::WorkItemMisuse});
}

TEST_F(VerifierTest, InformationBeyondTheCallersBufferIsCut) {
  Script script;
  named(script);
  script[IRP_MJ_DEVICE_CONTROL] = [](PDEVICE_OBJECT, PIRP irp) {
    std::memset(irp->AssociatedIrp.SystemBuffer, 0x77, 4);
    return scripted::completeIrp(irp, STATUS_SUCCESS, 64);
  };
  PFILE_OBJECT file = open("\\\\.\\Bad");
  std::array<UCHAR, 8> out;
  out.fill(0);
  Completion done;
  nt::deviceIoControl(file, CTL_CODE(FILE_DEVICE_UNKNOWN, 1, METHOD_BUFFERED, FILE_ANY_ACCESS), nullptr, 0, out.data(),
                      4, done.callback());
  EXPECT_EQ(out, (std::array<UCHAR, 8>{0x77, 0x77, 0x77, 0x77, 0, 0, 0, 0}));
  nt::closeFile(file);
  expectViolations({Violation::BufferOverrun});
}

}  // namespace
