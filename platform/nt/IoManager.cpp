// The I/O manager's records: drivers, open files and IRPs (allocation, lookup, pinning, release,
// and the checks for IRPs left outstanding).

#include "platform/nt/IoManager.h"

#include <cstdio>
#include <cstring>

#include "platform/nt/IoRoutines.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/KernelPool.h"
#include "platform/nt/NtStatus.h"
#include "platform/nt/ObjectTable.h"
#include "platform/nt/ThreadIo.h"

namespace nt {

IoManager::IoManager(Kernel& kernel) : kernel_(kernel) {}

IoManager::~IoManager() = default;

// ---- drivers ---------------------------------------------------------------------------------

DriverRecord* IoManager::newDriver(std::u16string_view serviceName) {
  auto record = std::make_unique<DriverRecord>();
  record->serviceName = std::u16string(serviceName);
  record->name = u"\\Driver\\" + record->serviceName;
  record->registryPath = u"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\" + record->serviceName;
  DRIVER_OBJECT& d = record->object;
  d.Type = IO_TYPE_DRIVER;
  d.Size = sizeof(DRIVER_OBJECT);
  d.DriverExtension = &record->extension;
  record->extension.DriverObject = &d;
  auto counted = [](UNICODE_STRING& s, std::u16string& text) {
    s.Buffer = text.data();
    s.Length = static_cast<USHORT>(text.size() * sizeof(WCHAR));
    s.MaximumLength = s.Length;
  };
  counted(d.DriverName, record->name);
  counted(record->extension.ServiceKeyName, record->serviceName);
  counted(record->registryPathString, record->registryPath);
  for (auto& routine : d.MajorFunction) routine = invalidDeviceRequest;
  std::lock_guard lock(mutex_);
  for (const auto& other : drivers_) {
    if (other->loaded && namesEqual(other->name, record->name)) return nullptr;
  }
  drivers_.push_back(std::move(record));
  return drivers_.back().get();
}

DriverRecord* IoManager::findDriver(PDRIVER_OBJECT driver) {
  std::lock_guard lock(mutex_);
  for (const auto& record : drivers_) {
    if (&record->object == driver) return record.get();
  }
  return nullptr;
}

std::vector<PDRIVER_OBJECT> IoManager::loadedDrivers() {
  std::lock_guard lock(mutex_);
  std::vector<PDRIVER_OBJECT> out;
  for (const auto& record : drivers_) {
    if (record->loaded) out.push_back(&record->object);
  }
  return out;
}

// ---- files -----------------------------------------------------------------------------------

FileRecord* IoManager::newFile(PDEVICE_OBJECT device) {
  auto record = std::make_unique<FileRecord>();
  record->file.Type = IO_TYPE_FILE;
  record->file.Size = sizeof(FILE_OBJECT);
  record->file.DeviceObject = device;
  record->kernel = &kernel_;
  record->device = device;
  std::lock_guard lock(mutex_);
  FileRecord* raw = record.get();
  files_[&raw->file] = std::move(record);
  return raw;
}

FileRecord* IoManager::findFile(PFILE_OBJECT file) {
  std::lock_guard lock(mutex_);
  auto it = files_.find(file);
  return it == files_.end() ? nullptr : it->second.get();
}

void IoManager::referenceFile(FileRecord* file) {
  std::lock_guard lock(mutex_);
  file->references++;
}

void IoManager::dereferenceFile(FileRecord* file) {
  std::unique_ptr<FileRecord> gone;
  std::function<void(PDEVICE_OBJECT)> hook;
  {
    std::lock_guard lock(mutex_);
    if (--file->references > 0) return;
    auto it = files_.find(&file->file);
    gone = std::move(it->second);
    files_.erase(it);
    hook = fileReleased_;
  }
  dereference(gone->device);
  if (hook) hook(gone->device);
}

std::size_t IoManager::openFileCount(PDEVICE_OBJECT device) const {
  std::lock_guard lock(mutex_);
  std::size_t n = 0;
  for (const auto& [file, record] : files_) n += record->device == device ? 1 : 0;
  return n;
}

void IoManager::setFileReleasedHook(std::function<void(PDEVICE_OBJECT)> hook) {
  std::lock_guard lock(mutex_);
  fileReleased_ = std::move(hook);
}

// ---- IRPs ------------------------------------------------------------------------------------

IrpRecord* IoManager::allocateIrp(CCHAR stackSize, IrpOrigin origin, PDRIVER_OBJECT owner) {
  if (stackSize < 1) stackSize = 1;
  std::size_t size = sizeof(IRP) + static_cast<std::size_t>(stackSize) * sizeof(IO_STACK_LOCATION);
  void* memory = kernel_.pool().allocate(NonPagedPool, size, kIrpTag, owner);
  if (!memory) return nullptr;
  std::memset(memory, 0, size);
  auto irp = static_cast<PIRP>(memory);
  irp->Type = IO_TYPE_IRP;
  irp->Size = static_cast<USHORT>(size);
  irp->StackCount = stackSize;
  irp->CurrentLocation = static_cast<CCHAR>(stackSize + 1);
  irp->Tail.Overlay.CurrentStackLocation = reinterpret_cast<PIO_STACK_LOCATION>(irp + 1) + stackSize;
  InitializeListHead(&irp->ThreadListEntry);

  auto record = std::make_unique<IrpRecord>();
  record->irp = irp;
  record->kernel = &kernel_;
  record->origin = origin;
  record->owner = owner;
  record->dispatches.resize(static_cast<std::size_t>(stackSize));
  std::lock_guard lock(mutex_);
  IrpRecord* raw = record.get();
  irps_[irp] = std::move(record);
  counters_.allocated++;
  return raw;
}

IrpRecord* IoManager::findIrp(PIRP irp) {
  std::lock_guard lock(mutex_);
  auto it = irps_.find(irp);
  return it == irps_.end() ? nullptr : it->second.get();
}

void IoManager::releaseIrp(IrpRecord* record) {
  std::unique_ptr<IrpRecord> gone;
  {
    std::lock_guard lock(mutex_);
    if (record->pins > 0) {
      record->releaseWhenUnpinned = true;
      return;
    }
    auto it = irps_.find(record->irp);
    gone = std::move(it->second);
    irps_.erase(it);
  }
  orphanDispatches(gone.get());
  kernel_.pool().free(gone->irp);
}

void IoManager::pin(IrpRecord* record) {
  std::lock_guard lock(mutex_);
  record->pins++;
}

void IoManager::unpin(IrpRecord* record) {
  {
    std::lock_guard lock(mutex_);
    if (--record->pins > 0 || !record->releaseWhenUnpinned) return;
    record->releaseWhenUnpinned = false;
  }
  releaseIrp(record);
}

void IoManager::freeIrp(IrpRecord* record) {
  IrpState state = record->state.load();
  if (record->origin != IrpOrigin::Driver) {
    kernel_.verifier().record(Violation::IrpFreedInUse, "IoFreeIrp(" + pointerText(record->irp) +
                                                            "): the I/O manager completes and frees this request");
    return;
  }
  if (state == IrpState::InDriver) {
    kernel_.verifier().record(Violation::IrpFreedInUse,
                              "IoFreeIrp(" + pointerText(record->irp) + ") while a lower driver holds it");
    return;
  }
  releaseIrp(record);
}

IrpCounters IoManager::irpCounters() const {
  std::lock_guard lock(mutex_);
  IrpCounters c = counters_;
  c.outstanding = irps_.size();
  return c;
}

bool IoManager::passesThrough(const IrpRecord& record, PDEVICE_OBJECT device) const {
  PIRP irp = record.irp;
  auto stack = reinterpret_cast<PIO_STACK_LOCATION>(irp + 1);
  for (int location = irp->CurrentLocation; location >= 1 && location <= irp->StackCount; ++location) {
    const IO_STACK_LOCATION& loc = stack[location - 1];
    if (loc.DeviceObject != device) continue;
    // A remove request may still be on its way back through the device that deletes itself.
    if (loc.MajorFunction == IRP_MJ_PNP && loc.MinorFunction == IRP_MN_REMOVE_DEVICE) continue;
    return true;
  }
  return false;
}

void IoManager::checkOutstanding(const std::vector<PDEVICE_OBJECT>& devices, Violation kind, const std::string& why,
                                 bool all) {
  std::vector<std::string> found;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [irp, record] : irps_) {
      IrpState state = record->state.load();
      if (state == IrpState::Finished) continue;
      if (record->origin == IrpOrigin::Driver && state != IrpState::InDriver) continue;
      bool hit = all && state != IrpState::New;
      for (PDEVICE_OBJECT dev : devices) hit = hit || passesThrough(*record, dev);
      if (!hit) continue;
      PIO_STACK_LOCATION loc = irp->CurrentLocation <= irp->StackCount ? IoGetCurrentIrpStackLocation(irp) : nullptr;
      std::string text = why + ": IRP " + pointerText(irp);
      if (loc) {
        text += " (major " + std::to_string(loc->MajorFunction) + ", at device " + pointerText(loc->DeviceObject) + ")";
      }
      found.push_back(std::move(text));
    }
  }
  for (auto& text : found) kernel_.verifier().record(kind, std::move(text));
}

void IoManager::detachFromThreads() {
  std::vector<IrpRecord*> users;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [irp, record] : irps_) {
      if (record->origin == IrpOrigin::User && record->thread) users.push_back(record.get());
    }
  }
  for (IrpRecord* record : users) removeThreadRequest(record);
}

IrpRecord* lookupIrp(PIRP irp, const char* routine, Violation ifFreed) {
  if (auto owner = ObjectTable::find(irp)) {
    if (IrpRecord* record = owner->kernel->io().findIrp(irp)) return record;
    owner->kernel->verifier().record(Violation::UnknownIrp,
                                     std::string(routine) + "(" + pointerText(irp) + "): not an IRP");
    return nullptr;
  }
  auto retired = ObjectTable::findRetired(irp);
  if (retired && retired->tag == kIrpTag) {
    retired->kernel->verifier().record(
        ifFreed, std::string(routine) + "(" + pointerText(irp) + "): the IRP was already completed and freed");
    return nullptr;
  }
  reportViolation(Violation::UnknownIrp, std::string(routine) + "(" + pointerText(irp) + "): not an IRP");
  return nullptr;
}

}  // namespace nt

PIRP IoAllocateIrp(CCHAR stackSize, BOOLEAN chargeQuota) {
  (void)chargeQuota;
  nt::Kernel& kernel = nt::Kernel::require("IoAllocateIrp");
  nt::IrpRecord* record = kernel.io().allocateIrp(stackSize, nt::IrpOrigin::Driver, nt::currentCall().driver);
  return record ? record->irp : nullptr;
}

VOID IoFreeIrp(PIRP irp) {
  if (nt::IrpRecord* record = nt::lookupIrp(irp, "IoFreeIrp", nt::Violation::IrpFreedInUse)) {
    record->kernel->io().freeIrp(record);
  }
}
