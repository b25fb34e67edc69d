// Machines: independent kernels side by side, drivers installed under a name, shutdown that stops
// the kernel's threads and reports what was left behind.

#include <gtest/gtest.h>

#include <dirent.h>

#include <memory>
#include <thread>

#include "platform/machine/Machine.h"
#include "platform/nt/UserRequests.h"
#include "platform/nt/Wdm.h"

namespace {

struct DeviceState {
  LONG opens;
};

VOID UnloadDeleting(PDRIVER_OBJECT driver) {
  UNICODE_STRING link;
  RtlInitUnicodeString(&link, u"\\DosDevices\\Same");
  IoDeleteSymbolicLink(&link);
  IoDeleteDevice(driver->DeviceObject);
}

NTSTATUS CountOpen(PDEVICE_OBJECT device, PIRP irp) {
  if (IoGetCurrentIrpStackLocation(irp)->MajorFunction == IRP_MJ_CREATE) {
    InterlockedIncrement(&static_cast<DeviceState*>(device->DeviceExtension)->opens);
  }
  irp->IoStatus.Status = STATUS_SUCCESS;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return STATUS_SUCCESS;
}

// Every machine gets "\Device\Same" with "\DosDevices\Same".
NTSTATUS SameNameEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
  UNICODE_STRING name, link;
  RtlInitUnicodeString(&name, u"\\Device\\Same");
  RtlInitUnicodeString(&link, u"\\DosDevices\\Same");
  PDEVICE_OBJECT device;
  NTSTATUS status = IoCreateDevice(driver, sizeof(DeviceState), &name, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
  if (!NT_SUCCESS(status)) return status;
  IoCreateSymbolicLink(&link, &name);
  driver->MajorFunction[IRP_MJ_CREATE] = CountOpen;
  driver->MajorFunction[IRP_MJ_CLOSE] = CountOpen;
  driver->DriverUnload = UnloadDeleting;
  return STATUS_SUCCESS;
}

NTSTATUS LeakyEntry(PDRIVER_OBJECT, PUNICODE_STRING) {
  ExAllocatePoolWithTag(NonPagedPool, 32, nt::poolTag("Lky1"));
  return STATUS_SUCCESS;
}

NTSTATUS FailingEntry(PDRIVER_OBJECT, PUNICODE_STRING) { return STATUS_DEVICE_CONFIGURATION_ERROR; }

std::size_t threadCount() {
  std::size_t n = 0;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (dirent* entry = readdir(dir)) n += entry->d_name[0] != '.' ? 1 : 0;
    closedir(dir);
  }
  return n;
}

TEST(Machine, MachinesAreIndependentKernels) {
  platform::Machine a, b;
  a.installDriver("Same", SameNameEntry);
  b.installDriver("Same", SameNameEntry);
  ASSERT_EQ(a.loadDriver("Same"), STATUS_SUCCESS);
  ASSERT_EQ(b.loadDriver("Same"), STATUS_SUCCESS);  // the same name in another namespace

  PFILE_OBJECT inA = nullptr, inB = nullptr, again = nullptr;
  ASSERT_EQ(nt::openDevice(a.kernel(), std::string_view("\\\\.\\Same"), &inA), STATUS_SUCCESS);
  ASSERT_EQ(nt::openDevice(b.kernel(), std::string_view("\\\\.\\Same"), &inB), STATUS_SUCCESS);
  ASSERT_EQ(nt::openDevice(b.kernel(), std::string_view("\\\\.\\Same"), &again), STATUS_SUCCESS);
  EXPECT_NE(inA->DeviceObject, inB->DeviceObject);
  EXPECT_EQ(a.driver("Same")->DeviceObject, inA->DeviceObject);
  EXPECT_EQ(static_cast<DeviceState*>(inA->DeviceObject->DeviceExtension)->opens, 1);
  EXPECT_EQ(static_cast<DeviceState*>(inB->DeviceObject->DeviceExtension)->opens, 2);
  EXPECT_EQ(&nt::kernelOfFile(inB), &b.kernel());
  nt::closeFile(inA);
  nt::closeFile(inB);
  nt::closeFile(again);

  EXPECT_TRUE(a.shutdown().empty());
  // b is untouched by a's shutdown.
  PFILE_OBJECT stillThere = nullptr;
  EXPECT_EQ(nt::openDevice(b.kernel(), std::string_view("\\\\.\\Same"), &stillThere), STATUS_SUCCESS);
  nt::closeFile(stillThere);
  EXPECT_TRUE(b.shutdown().empty());
}

TEST(Machine, InstallLoadAndUnloadByName) {
  platform::Machine machine;
  EXPECT_EQ(machine.loadDriver("Same"), STATUS_OBJECT_NAME_NOT_FOUND);
  machine.installDriver("Same", SameNameEntry);
  machine.installDriver("Broken", FailingEntry);
  EXPECT_TRUE(machine.isInstalled("Same"));
  EXPECT_FALSE(machine.isInstalled("Other"));
  EXPECT_EQ(machine.loadDriver("Broken"), STATUS_DEVICE_CONFIGURATION_ERROR);
  EXPECT_EQ(machine.driver("Broken"), nullptr);
  ASSERT_EQ(machine.loadDriver("Same"), STATUS_SUCCESS);
  EXPECT_EQ(machine.loadDriver("Same"), STATUS_OBJECT_NAME_COLLISION);
  PDRIVER_OBJECT driver = machine.driver("Same");
  ASSERT_NE(driver, nullptr);
  EXPECT_EQ(nt::narrow(nt::toU16(&driver->DriverName)), "\\Driver\\Same");

  machine.unloadDriver("Same");
  EXPECT_EQ(machine.driver("Same"), nullptr);
  PFILE_OBJECT file = nullptr;
  EXPECT_EQ(nt::openDevice(machine.kernel(), std::string_view("\\\\.\\Same"), &file), STATUS_OBJECT_NAME_NOT_FOUND);
  // Loaded again after an unload.
  EXPECT_EQ(machine.loadDriver("Same"), STATUS_SUCCESS);
  EXPECT_TRUE(machine.shutdown().empty());
}

TEST(Machine, ShutdownReportsLeftoversAndIsIdempotent) {
  platform::Machine machine;
  machine.installDriver("Leaky", LeakyEntry);
  ASSERT_EQ(machine.loadDriver("Leaky"), STATUS_SUCCESS);
  std::vector<nt::VerifierRecord> records = machine.shutdown();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].kind, nt::Violation::PoolLeakAtUnload);
  EXPECT_NE(records[0].text.find("'Lky1'"), std::string::npos);
  EXPECT_EQ(machine.shutdown().size(), 1u);
  EXPECT_EQ(machine.driver("Leaky"), nullptr);
}

TEST(Machine, ShutdownStopsTheKernelsThreads) {
  // A runtime may start a helper thread of its own with the first thread (ThreadSanitizer does):
  // the baseline is taken after one has come and gone.
  std::thread([] {}).join();
  std::size_t before = threadCount();
  ASSERT_GT(before, 0u);
  {
    auto machine = std::make_unique<platform::Machine>();
    // The system worker thread, the bus thread, the PnP thread and the power thread.
    EXPECT_EQ(threadCount(), before + 4);
    machine->shutdown();
    EXPECT_EQ(threadCount(), before);
  }
  platform::Machine stepped(platform::MachineOptions::deterministic());
  EXPECT_EQ(threadCount(), before);
}

}  // namespace
