#pragma once

// A kernel's I/O manager: its records of devices, drivers, open files and IRPs, the object
// namespace (device names and symbolic links), and the IRP paths the driver-facing routines and the
// user-request API share. The C routines (IoRoutines.h) are thin front ends over this class.

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/nt/DeviceObject.h"
#include "platform/nt/Irp.h"
#include "platform/nt/UserCompletion.h"
#include "platform/nt/Verifier.h"

struct _ETHREAD;

namespace nt {

class Kernel;

enum class IrpOrigin {
  Driver,    // IoAllocateIrp: no requester; its owner frees it
  Threaded,  // IoBuildDeviceIoControlRequest: status block and event, freed at the top
  User,      // the user-request API: completion callback, freed at the top
  System,    // the kernel's own requests: a hook runs at the top, then the IRP is freed
};

enum class IrpState {
  New,       // not sent yet
  InDriver,  // sent and not yet handed back
  Returned,  // a completion routine kept it (STATUS_MORE_PROCESSING_REQUIRED)
  Finished,  // completion reached the top
};

struct FileRecord;
struct DispatchFrame;

// One stack location's dispatch calls, held for the check that the pending mark matches what the
// dispatch routine returned (under the I/O manager's pending lock).
struct DispatchSlot {
  DispatchFrame* inCall = nullptr;  // dispatch routines at this location still running, innermost first
  int returnedPending = 0;          // returned STATUS_PENDING, completion has not passed yet
  int returnedOther = 0;            // returned anything else, completion has not passed yet
  NTSTATUS lastReturned = 0;
  PDEVICE_OBJECT device = nullptr;
};

struct IrpRecord {
  PIRP irp = nullptr;
  Kernel* kernel = nullptr;
  IrpOrigin origin = IrpOrigin::Driver;
  PDRIVER_OBJECT owner = nullptr;  // the driver that allocated it (Driver origin)
  std::atomic<IrpState> state{IrpState::New};
  // IoCancelIrp has taken the cancel routine and not yet called it: only that routine may
  // complete the IRP.
  std::atomic<bool> cancelWindow{false};
  std::vector<DispatchSlot> dispatches;  // by stack location (location L at L-1)
  int pins = 0;                          // holders that keep it from being freed (the I/O manager's lock)
  bool releaseWhenUnpinned = false;
  // Requester side.
  std::shared_ptr<_ETHREAD> thread;
  FileRecord* file = nullptr;
  UserCompletion completion;
  std::function<void(IrpRecord&)> atTop;
  // Buffers the I/O manager made for the request; buffered output goes back to copyBackTo.
  PVOID systemBuffer = nullptr;
  PMDL mdl = nullptr;
  PVOID copyBackTo = nullptr;
  ULONG copyBackLimit = 0;
};

struct DeviceRecord {
  PDEVICE_OBJECT device = nullptr;
  PDRIVER_OBJECT driver = nullptr;
  std::u16string name;
  PDEVICE_OBJECT attachedTo = nullptr;    // the device below
  PDEVICE_OBJECT detachedFrom = nullptr;  // the device below it was last detached from
  int references = 0;
  bool deleted = false;  // IoDeleteDevice called
  bool gone = false;     // deleted and unreferenced: the memory is poisoned
};

struct DriverRecord {
  DRIVER_OBJECT object{};
  DRIVER_EXTENSION extension{};
  std::u16string name;          // "\Driver\<name>"
  std::u16string serviceName;   // "<name>"
  std::u16string registryPath;  // handed to the entry point
  UNICODE_STRING registryPathString{};
  bool loaded = false;
};

struct FileRecord {
  FILE_OBJECT file{};
  Kernel* kernel = nullptr;
  PDEVICE_OBJECT device = nullptr;  // referenced while the record lives
  int references = 1;               // the opener, plus each request in flight
  bool closed = false;
};

// Pool tags of the I/O manager's own blocks.
constexpr ULONG kDeviceObjectTag = 0x69766544;  // "Devi"
constexpr ULONG kIrpTag = 0x20707249;           // "Irp "

struct IrpCounters {
  std::size_t allocated = 0;
  std::size_t completed = 0;  // completion reached the top
  std::size_t outstanding = 0;
};

class IoManager {
 public:
  explicit IoManager(Kernel& kernel);
  ~IoManager();
  IoManager(const IoManager&) = delete;
  IoManager& operator=(const IoManager&) = delete;

  // Devices.
  NTSTATUS createDevice(PDRIVER_OBJECT driver, ULONG extensionSize, std::u16string_view name, DEVICE_TYPE type,
                        ULONG characteristics, PDEVICE_OBJECT* device);
  void deleteDevice(PDEVICE_OBJECT device);
  // NULL when `device` was never a device of this kernel. Records live as long as the kernel.
  DeviceRecord* findDevice(PDEVICE_OBJECT device);
  void reference(PDEVICE_OBJECT device);
  void dereference(PDEVICE_OBJECT device);
  PDEVICE_OBJECT attach(PDEVICE_OBJECT source, PDEVICE_OBJECT target);
  void detach(PDEVICE_OBJECT target);
  PDEVICE_OBJECT topOfStack(PDEVICE_OBJECT device);
  // Devices of a driver that were not deleted (or also those deleted but still referenced).
  std::vector<PDEVICE_OBJECT> devicesOf(PDRIVER_OBJECT driver, bool includeDeleted = false);

  // Namespace. Names compare without regard to case; "\DosDevices\" is "\??\".
  NTSTATUS createLink(std::u16string_view link, std::u16string_view target);
  NTSTATUS deleteLink(std::u16string_view link);
  // A user path ("\\.\X") or kernel path ("\??\X", "\DosDevices\X", "\Device\X") to its device.
  // STATUS_OBJECT_NAME_NOT_FOUND when nothing has that name; STATUS_NO_SUCH_DEVICE when the device
  // is being deleted or still initialising. The device comes referenced.
  NTSTATUS openDeviceByPath(std::u16string_view path, PDEVICE_OBJECT* device);
  static std::u16string normalizeName(std::u16string_view name);

  // Drivers.
  DriverRecord* newDriver(std::u16string_view serviceName);
  DriverRecord* findDriver(PDRIVER_OBJECT driver);
  std::vector<PDRIVER_OBJECT> loadedDrivers();

  // Files.
  FileRecord* newFile(PDEVICE_OBJECT device);
  FileRecord* findFile(PFILE_OBJECT file);
  void referenceFile(FileRecord* file);
  void dereferenceFile(FileRecord* file);
  // Files still alive (open, or closed with requests in flight) on `device`.
  std::size_t openFileCount(PDEVICE_OBJECT device) const;
  // Runs (outside the I/O manager's lock, on the releasing thread, at any IRQL up to
  // DISPATCH_LEVEL) whenever a file's last reference goes, with the device it was opened on.
  void setFileReleasedHook(std::function<void(PDEVICE_OBJECT)> hook);

  // IRPs.
  IrpRecord* allocateIrp(CCHAR stackSize, IrpOrigin origin, PDRIVER_OBJECT owner);
  IrpRecord* findIrp(PIRP irp);
  void releaseIrp(IrpRecord* record);
  void pin(IrpRecord* record);
  void unpin(IrpRecord* record);
  // `fromUser`: the I/O manager sends a user request (a deleted but referenced device still gets
  // it, as its open files allow).
  NTSTATUS callDriver(PDEVICE_OBJECT device, IrpRecord* record, bool fromUser);
  void complete(IrpRecord* record);
  BOOLEAN cancel(IrpRecord* record);
  void freeIrp(IrpRecord* record);
  IrpCounters irpCounters() const;
  // Records `kind` for each IRP still passing through one of `devices` (all IRPs: devices empty
  // and all = true).
  void checkOutstanding(const std::vector<PDEVICE_OBJECT>& devices, Violation kind, const std::string& why,
                        bool all = false);
  // Unhooks outstanding user requests from their threads (the kernel is ending).
  void detachFromThreads();

 private:
  // The pending check: a dispatch routine at `location` returned `status`; completion passed
  // `location` with or without its pending mark.
  void dispatchReturned(IrpRecord* record, int location, DispatchFrame& frame, NTSTATUS status);
  void completionPassed(IrpRecord* record, int location, bool markedPending);
  void orphanDispatches(IrpRecord* record);
  bool passesThrough(const IrpRecord& record, PDEVICE_OBJECT device) const;
  void finishAtTop(IrpRecord* record);
  void finishThreaded(IrpRecord* record);
  void finishUser(IrpRecord* record);
  void poisonDevice(DeviceRecord* record);
  bool nameInUse(const std::u16string& name) const;

  Kernel& kernel_;
  mutable std::mutex mutex_;
  std::map<PDEVICE_OBJECT, std::unique_ptr<DeviceRecord>> devices_;
  std::unordered_map<std::u16string, PDEVICE_OBJECT> named_;      // folded name -> the device not gone of that name
  std::vector<std::pair<std::u16string, std::u16string>> links_;  // normalised link -> target
  std::vector<std::unique_ptr<DriverRecord>> drivers_;
  std::map<PFILE_OBJECT, std::unique_ptr<FileRecord>> files_;
  std::function<void(PDEVICE_OBJECT)> fileReleased_;
  std::unordered_map<PIRP, std::unique_ptr<IrpRecord>> irps_;
  std::mutex pendingMutex_;  // every record's `dispatches` and the frames they point at
  IrpCounters counters_;
};

// The routine every major function starts with: completes the IRP with
// STATUS_INVALID_DEVICE_REQUEST.
NTSTATUS invalidDeviceRequest(PDEVICE_OBJECT device, PIRP irp);

// The IRP record behind `irp`, or NULL after recording a violation: `ifFreed` when the IRP was
// freed already, UnknownIrp when it was never one.
IrpRecord* lookupIrp(PIRP irp, const char* routine, Violation ifFreed);

}  // namespace nt
