// Device objects, names and links: collisions, deletion that waits for the last reference,
// attaching, and opening through the user-mode name.

#include "ScriptedDriver.h"
#include "platform/nt/DosErrors.h"
#include "platform/nt/ObjectTable.h"

namespace {

using scripted::Completion;
using scripted::Script;

class DeviceObjectTest : public scripted::KernelTest {
 protected:
  NTSTATUS create(const char16_t* name, PDEVICE_OBJECT* device, ULONG extension = 16) {
    UNICODE_STRING text;
    RtlInitUnicodeString(&text, name);
    nt::DriverCall call(kernel, driver, nullptr, "test");
    return IoCreateDevice(driver, extension, &text, FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN, FALSE, device);
  }
  void remove(PDEVICE_OBJECT device) {
    nt::DriverCall call(kernel, driver, nullptr, "test");
    IoDeleteDevice(device);
  }
  NTSTATUS tryOpen(const char* path) {
    PFILE_OBJECT file = nullptr;
    NTSTATUS status = nt::openDevice(kernel, std::string_view(path), &file);
    if (file) nt::closeFile(file);
    return status;
  }
  Script script;
};

TEST_F(DeviceObjectTest, NewDeviceHasAZeroedExtensionAndIsInitialising) {
  PDEVICE_OBJECT device = nullptr;
  ASSERT_EQ(create(u"\\Device\\Fresh", &device, 100), STATUS_SUCCESS);
  auto bytes = static_cast<PUCHAR>(device->DeviceExtension);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(device->Flags, DO_DEVICE_INITIALIZING);
  EXPECT_EQ(device->StackSize, 1);
  EXPECT_EQ(device->DriverObject, driver);
  EXPECT_EQ(driver->DeviceObject, device);
  EXPECT_EQ(device->Characteristics, FILE_DEVICE_SECURE_OPEN);

  // Still initialising: user mode cannot open it yet.
  UNICODE_STRING name, link;
  RtlInitUnicodeString(&name, u"\\Device\\Fresh");
  RtlInitUnicodeString(&link, u"\\DosDevices\\Fresh");
  IoCreateSymbolicLink(&link, &name);
  EXPECT_EQ(tryOpen("\\\\.\\Fresh"), STATUS_NO_SUCH_DEVICE);
  device->Flags &= ~DO_DEVICE_INITIALIZING;
  EXPECT_EQ(tryOpen("\\\\.\\Fresh"), STATUS_SUCCESS);
}

TEST_F(DeviceObjectTest, NameCollidesUntilTheDeletedDevicesLastReferenceGoes) {
  PDEVICE_OBJECT first = nullptr, second = nullptr;
  ASSERT_EQ(create(u"\\Device\\ORU14400_0", &first), STATUS_SUCCESS);
  EXPECT_EQ(create(u"\\device\\oru14400_0", &second), STATUS_OBJECT_NAME_COLLISION);
  EXPECT_EQ(second, nullptr);

  ObReferenceObject(first);
  remove(first);
  EXPECT_EQ(create(u"\\Device\\ORU14400_0", &second), STATUS_OBJECT_NAME_COLLISION);
  EXPECT_TRUE(nt::ObjectTable::find(first).has_value());  // delete pending, still intact

  ObDereferenceObject(first);
  EXPECT_FALSE(nt::ObjectTable::find(first).has_value());  // poisoned and retired
  EXPECT_TRUE(nt::ObjectTable::findRetired(first).has_value());
  EXPECT_EQ(create(u"\\Device\\ORU14400_0", &second), STATUS_SUCCESS);
}

TEST_F(DeviceObjectTest, UserNameResolvesThroughTheLinkUntilTheLinkIsDeleted) {
  PDEVICE_OBJECT device = createNamedDevice(script, u"\\Device\\Dev7", u"\\DosDevices\\Dev7");
  EXPECT_EQ(tryOpen("\\\\.\\Dev7"), STATUS_SUCCESS);
  EXPECT_EQ(tryOpen("\\??\\dev7"), STATUS_SUCCESS);
  EXPECT_EQ(tryOpen("\\Device\\Dev7"), STATUS_SUCCESS);

  UNICODE_STRING alias, target;
  RtlInitUnicodeString(&alias, u"\\??\\Dev7");
  RtlInitUnicodeString(&target, u"\\Device\\Other");
  EXPECT_EQ(IoCreateSymbolicLink(&alias, &target), STATUS_OBJECT_NAME_COLLISION);  // "\DosDevices\" is "\??\"

  EXPECT_EQ(IoDeleteSymbolicLink(&alias), STATUS_SUCCESS);
  NTSTATUS status = tryOpen("\\\\.\\Dev7");
  EXPECT_EQ(status, STATUS_OBJECT_NAME_NOT_FOUND);
  EXPECT_EQ(RtlNtStatusToDosError(status), 2u);
  EXPECT_EQ(IoDeleteSymbolicLink(&alias), STATUS_OBJECT_NAME_NOT_FOUND);
  EXPECT_EQ(device->ReferenceCount, 0);
}

TEST_F(DeviceObjectTest, DeletedDeviceStaysForItsOpenFileAndRefusesNewOpens) {
  int reads = 0;
  script[IRP_MJ_READ] = [&](PDEVICE_OBJECT, PIRP irp) {
    reads++;
    return scripted::completeIrp(irp, STATUS_DELETE_PENDING);
  };
  PDEVICE_OBJECT device = createNamedDevice(script, u"\\Device\\Gone", u"\\DosDevices\\Gone");
  PFILE_OBJECT file = open("\\\\.\\Gone");
  remove(device);
  EXPECT_EQ(tryOpen("\\\\.\\Gone"), STATUS_NO_SUCH_DEVICE);

  // The open file's requests still reach the driver, which refuses them.
  UCHAR byte;
  Completion done;
  EXPECT_EQ(nt::readFile(file, &byte, 1, done.callback()), STATUS_DELETE_PENDING);
  EXPECT_EQ(reads, 1);
  EXPECT_TRUE(nt::ObjectTable::find(device).has_value());
  nt::closeFile(file);
  EXPECT_FALSE(nt::ObjectTable::find(device).has_value());
  EXPECT_EQ(tryOpen("\\\\.\\Gone"), STATUS_OBJECT_NAME_NOT_FOUND);
}

TEST_F(DeviceObjectTest, AttachingStacksDevicesAndRequestsGoToTheTop) {
  Script lowerScript, middleScript, topScript;
  PDEVICE_OBJECT lower = createNamedDevice(lowerScript, u"\\Device\\Pdo", u"\\DosDevices\\Pdo");
  PDEVICE_OBJECT middle = createDevice(middleScript);
  PDEVICE_OBJECT top = createDevice(topScript);
  lower->StackSize = 2;
  EXPECT_EQ(attach(middle, lower), lower);
  EXPECT_EQ(middle->StackSize, 3);
  EXPECT_EQ(attach(top, lower), middle);  // onto the current top
  EXPECT_EQ(top->StackSize, 4);
  EXPECT_EQ(lower->AttachedDevice, middle);
  EXPECT_EQ(middle->AttachedDevice, top);
  EXPECT_EQ(IoGetAttachedDevice(lower), top);

  PDEVICE_OBJECT referenced = IoGetAttachedDeviceReference(lower);
  EXPECT_EQ(referenced, top);
  EXPECT_EQ(top->ReferenceCount, 1);
  ObDereferenceObject(referenced);

  PDEVICE_OBJECT reached = nullptr;
  CCHAR stackCount = 0;
  topScript[IRP_MJ_CREATE] = [&](PDEVICE_OBJECT device, PIRP irp) {
    reached = device;
    stackCount = irp->StackCount;
    return scripted::completeIrp(irp, STATUS_SUCCESS);
  };
  PFILE_OBJECT file = open("\\\\.\\Pdo");
  EXPECT_EQ(reached, top);
  EXPECT_EQ(stackCount, 4);
  EXPECT_EQ(file->DeviceObject, lower);
  nt::closeFile(file);

  IoDetachDevice(middle);
  EXPECT_EQ(middle->AttachedDevice, nullptr);
  EXPECT_EQ(IoGetAttachedDevice(lower), middle);
}

TEST_F(DeviceObjectTest, AttachingToADeletedDeviceFails) {
  Script other;
  PDEVICE_OBJECT lower = createDevice(script);
  PDEVICE_OBJECT upper = createDevice(other);
  ObReferenceObject(lower);
  remove(lower);
  EXPECT_EQ(attach(upper, lower), nullptr);
  ObDereferenceObject(lower);
}

TEST_F(DeviceObjectTest, CleanupIsRefusedByDefaultAndCloseStillArrives) {
  int cleanups = 0, closes = 0;
  Script counting;
  counting[IRP_MJ_CLOSE] = [&](PDEVICE_OBJECT, PIRP irp) {
    closes++;
    EXPECT_EQ(cleanups, 0);
    return scripted::completeIrp(irp, STATUS_SUCCESS);
  };
  createNamedDevice(counting, u"\\Device\\Clean", u"\\DosDevices\\Clean");
  PFILE_OBJECT file = open("\\\\.\\Clean");
  EXPECT_EQ(nt::closeFile(file), STATUS_SUCCESS);
  EXPECT_EQ(closes, 1);
}

}  // namespace
