#include "tests/maintenance/ConsoleRig.h"

#include <gtest/gtest.h>

#include <mutex>

#include "platform/nt/Wdm.h"
#include "platform/win32/DeviceIo.h"
#include "platform/win32/HandleTable.h"
#include "platform/win32/LastError.h"

namespace consoletest {

namespace {

struct PnpLog {
  std::mutex mutex;
  std::vector<unsigned> minors;
};

PnpLog& pnpLog() {
  static PnpLog log;
  return log;
}

struct Extension {
  PDEVICE_OBJECT lower;
};

NTSTATUS passDown(PDEVICE_OBJECT device, PIRP irp) {
  IoSkipCurrentIrpStackLocation(irp);
  return IoCallDriver(static_cast<Extension*>(device->DeviceExtension)->lower, irp);
}

// A function driver that does nothing but follow the plug-and-play sequence: every request
// goes to the root PDO below it, and REMOVE takes the device away.
NTSTATUS dispatchPnp(PDEVICE_OBJECT device, PIRP irp) {
  const UCHAR minor = IoGetCurrentIrpStackLocation(irp)->MinorFunction;
  {
    std::lock_guard lock(pnpLog().mutex);
    pnpLog().minors.push_back(minor);
  }
  if (minor == IRP_MN_START_DEVICE || minor == IRP_MN_QUERY_REMOVE_DEVICE || minor == IRP_MN_REMOVE_DEVICE ||
      minor == IRP_MN_SURPRISE_REMOVAL || minor == IRP_MN_CANCEL_REMOVE_DEVICE || minor == IRP_MN_STOP_DEVICE ||
      minor == IRP_MN_QUERY_STOP_DEVICE || minor == IRP_MN_CANCEL_STOP_DEVICE)
    irp->IoStatus.Status = STATUS_SUCCESS;
  if (minor != IRP_MN_REMOVE_DEVICE) return passDown(device, irp);
  PDEVICE_OBJECT lower = static_cast<Extension*>(device->DeviceExtension)->lower;
  NTSTATUS status = passDown(device, irp);
  IoDetachDevice(lower);
  IoDeleteDevice(device);
  return status;
}

NTSTATUS dispatchPower(PDEVICE_OBJECT device, PIRP irp) {
  PoStartNextPowerIrp(irp);
  IoSkipCurrentIrpStackLocation(irp);
  return PoCallDriver(static_cast<Extension*>(device->DeviceExtension)->lower, irp);
}

NTSTATUS addDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo) {
  PDEVICE_OBJECT device = nullptr;
  NTSTATUS status =
      IoCreateDevice(driver, sizeof(Extension), nullptr, FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN, FALSE, &device);
  if (!NT_SUCCESS(status)) return status;
  auto* e = static_cast<Extension*>(device->DeviceExtension);
  e->lower = IoAttachDeviceToDeviceStack(device, pdo);
  if (!e->lower) {
    IoDeleteDevice(device);
    return STATUS_DEVICE_REMOVED;
  }
  device->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}

VOID unload(PDRIVER_OBJECT) {}

NTSTATUS testDriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
  driver->DriverUnload = unload;
  driver->DriverExtension->AddDevice = addDevice;
  driver->MajorFunction[IRP_MJ_PNP] = dispatchPnp;
  driver->MajorFunction[IRP_MJ_POWER] = dispatchPower;
  return STATUS_SUCCESS;
}

}  // namespace

std::vector<unsigned> TestDriverPnpLog() {
  std::lock_guard lock(pnpLog().mutex);
  return pnpLog().minors;
}

void ClearTestDriverPnpLog() {
  std::lock_guard lock(pnpLog().mutex);
  pnpLog().minors.clear();
}

std::string UnboundInstrument(platform::Machine& machine) {
  for (const platform::Machine::SetupDevice& d : machine.setupDevices()) {
    const std::string& id = d.record.instanceId;
    if (id.rfind("USB\\VID_0452&PID_", 0) == 0 && id.rfind("USB\\VID_0452&PID_0201", 0) != 0) return id;
  }
  return {};
}

std::string TestDriverInf() {
  return std::string(
             "[Version]\n"
             "Signature = \"$Windows NT$\"\n"
             "Class = QvTest\n"
             "ClassGuid = ") +
         kTestClassGuid +
         "\n"
         "Provider = %Maker%\n"
         "DriverVer = 01/02/2026,2.3.4.5\n"
         "\n"
         "[Manufacturer]\n"
         "%Maker% = Models, NTamd64\n"
         "\n"
         "[Models.NTamd64]\n"
         "%Desc% = QvTest_Install, ROOT\\QVTEST\n"
         "\n"
         "[QvTest_Install.NTamd64]\n"
         "\n"
         "[QvTest_Install.NTamd64.Services]\n"
         "AddService = QvTestDrv, 0x00000002, QvTest_Service\n"
         "\n"
         "[QvTest_Service]\n"
         "ServiceType = 1\n"
         "\n"
         "[Strings]\n"
         "Maker = \"Console Test Makers\"\n"
         "Desc = \"Console test node\"\n";
}

struct InstrumentClient::Pending {
  OVERLAPPED overlapped{};
  char buffer[64];
};

InstrumentClient::~InstrumentClient() { close(); }

bool InstrumentClient::open() {
  close();
  HANDLE h = CreateFile("\\\\.\\ORU14400_0", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_OVERLAPPED, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = h;
  return true;
}

bool InstrumentClient::startRead() {
  if (!handle_ || pending_) return false;
  pending_ = new Pending;
  DWORD read = 0;
  // The instrument answers nothing it was not asked, so the read stays busy.
  return !ReadFile(handle_, pending_->buffer, sizeof pending_->buffer, &read, &pending_->overlapped) &&
         GetLastError() == ERROR_IO_PENDING;
}

void InstrumentClient::close() {
  if (!handle_) return;
  if (pending_) {
    CancelIo(handle_);
    DWORD moved = 0;
    GetOverlappedResult(handle_, &pending_->overlapped, &moved, TRUE);
    delete pending_;
    pending_ = nullptr;
  }
  CloseHandle(handle_);
  handle_ = nullptr;
}

bool InstrumentClient::isOpen() const { return handle_ != nullptr; }

Capture::Capture() : file_(std::tmpfile()) {}

Capture::~Capture() {
  if (file_) std::fclose(file_);
}

std::string Capture::take() {
  std::fflush(file_);
  long end = std::ftell(file_);
  std::string text(static_cast<std::size_t>(end - taken_), '\0');
  std::fseek(file_, taken_, SEEK_SET);
  std::size_t got = std::fread(text.data(), 1, text.size(), file_);
  text.resize(got);
  std::fseek(file_, end, SEEK_SET);
  taken_ = end;
  return text;
}

ConsoleRig::ConsoleRig() : rig_({.storeProgramInf = true}) {
  rig_.machine().installDriver(kTestService, testDriverEntry);
  testInf_ = rig_.root().parent_path() / "qvtest.inf";
  setuptest::WriteBytes(testInf_, TestDriverInf());
  EXPECT_NE(rig_.plugInstrument(), 0);
}

}  // namespace consoletest
