// The plug-and-play manager: the device tree, the PnP IRP sequences, and driver loading by
// hardware id.

#include "platform/nt/PnpManager.h"

#include <algorithm>
#include <chrono>

#include "platform/nt/IoManager.h"
#include "platform/nt/IoRoutines.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/NtStatus.h"
#include "platform/nt/Pool.h"
#include "platform/nt/SystemIrp.h"

namespace nt {

struct PnpManager::Node {
  DevNodeInfo info;
  bool removeQueued = false;
};

struct PnpManager::Interface {
  DevNodeId node;
  GUID guid;
  std::u16string reference;
  std::u16string link;  // "\??\..."
  bool enabled = false;
};

namespace {

struct Registry {
  std::mutex mutex;
  std::map<Kernel*, PnpManager*> managers;
};

Registry& registry() {
  static Registry* r = new Registry;  // lives through static destruction
  return *r;
}

thread_local PnpManager* t_inSequence = nullptr;

// The strings of a REG_MULTI_SZ block from pool, freed here.
std::vector<std::u16string> takeMultiString(ULONG_PTR information) {
  std::vector<std::u16string> out;
  auto text = reinterpret_cast<const WCHAR*>(information);
  if (!text) return out;
  while (*text) {
    std::u16string one(text);
    text += one.size() + 1;
    out.push_back(std::move(one));
  }
  ExFreePool(reinterpret_cast<PVOID>(information));
  return out;
}

std::u16string guidText(const GUID& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}", g.Data1, g.Data2, g.Data3,
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return widen(text);
}

}  // namespace

const char* devNodeStateName(DevNodeState state) {
  switch (state) {
    case DevNodeState::Enumerated:
      return "enumerated";
    case DevNodeState::NoDriver:
      return "no driver";
    case DevNodeState::AddFailed:
      return "add-device failed";
    case DevNodeState::Started:
      return "started";
    case DevNodeState::StartFailed:
      return "start failed";
    case DevNodeState::QueryStopped:
      return "query-stopped";
    case DevNodeState::Stopped:
      return "stopped";
    case DevNodeState::QueryRemoved:
      return "query-removed";
    case DevNodeState::SurpriseRemoved:
      return "surprise-removed";
    case DevNodeState::Removed:
      return "removed";
    case DevNodeState::Deleted:
      return "deleted";
  }
  return "?";
}

PnpManager::PnpManager(Kernel& kernel, PnpOptions options)
    : kernel_(kernel), options_(options), queue_(kernel, options.threaded) {
  {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.managers[&kernel] = this;
  }
  kernel_.io().setFileReleasedHook([this](PDEVICE_OBJECT) { fileReleased(); });
}

PnpManager::~PnpManager() {
  kernel_.io().setFileReleasedHook({});
  stop();
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.managers.erase(&kernel_);
}

PnpManager* PnpManager::of(Kernel& kernel) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.managers.find(&kernel);
  return it == r.managers.end() ? nullptr : it->second;
}

void PnpManager::setDriverCallbacks(DriverLoader load, DriverUnused unused) {
  load_ = std::move(load);
  unused_ = std::move(unused);
}

// ---- running sequences ---------------------------------------------------------------------

void PnpManager::queue(std::function<void()> job) {
  queue_.push([this, job = std::move(job)] {
    PnpManager* saved = t_inSequence;
    t_inSequence = this;
    job();
    t_inSequence = saved;
  });
}

void PnpManager::runSequence(const std::function<void()>& job) {
  if (t_inSequence == this) {
    job();
    return;
  }
  if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
    kernel_.verifier().record(Violation::SyncCallAtDispatch,
                              "a synchronous PnP sequence started at IRQL " + std::to_string(KeGetCurrentIrql()));
  }
  auto done = std::make_shared<SystemWaiter>();
  queue([job, done] {
    job();
    done->signal(IO_STATUS_BLOCK{});
  });
  if (!options_.threaded) {
    while (!done->isDone() && queue_.runPending() > 0) {
    }
    return;
  }
  if (!done->wait(options_.waitLimitMs)) {
    kernel_.verifier().record(Violation::PnpMisuse,
                              "a PnP sequence did not end within " + std::to_string(options_.waitLimitMs) + " ms");
  }
}

std::size_t PnpManager::runPending() { return queue_.runPending(); }

bool PnpManager::waitIdle() {
  if (!options_.threaded) {
    queue_.runPending();
    return true;
  }
  return queue_.waitIdle(std::chrono::milliseconds(options_.waitLimitMs));
}

void PnpManager::stop() { queue_.stop(); }

// ---- nodes -----------------------------------------------------------------------------------

PnpManager::Node* PnpManager::find(DevNodeId id) {
  std::lock_guard lock(mutex_);
  auto it = nodes_.find(id);
  return it == nodes_.end() ? nullptr : it->second.get();
}

const PnpManager::Node* PnpManager::find(DevNodeId id) const {
  std::lock_guard lock(mutex_);
  auto it = nodes_.find(id);
  return it == nodes_.end() ? nullptr : it->second.get();
}

std::vector<DevNodeInfo> PnpManager::nodes() const {
  std::lock_guard lock(mutex_);
  std::vector<DevNodeInfo> out;
  for (const auto& [id, node] : nodes_) out.push_back(node->info);
  return out;
}

DevNodeInfo PnpManager::node(DevNodeId id) const {
  std::lock_guard lock(mutex_);
  auto it = nodes_.find(id);
  return it == nodes_.end() ? DevNodeInfo{} : it->second->info;
}

DevNodeId PnpManager::nodeOf(PDEVICE_OBJECT pdo) const {
  std::lock_guard lock(mutex_);
  for (const auto& [id, node] : nodes_) {
    if (node->info.pdo == pdo && node->info.state != DevNodeState::Deleted) return id;
  }
  return 0;
}

std::vector<PnpIrpRecord> PnpManager::history() const {
  std::lock_guard lock(mutex_);
  return history_;
}

void PnpManager::clearHistory() {
  std::lock_guard lock(mutex_);
  history_.clear();
}

std::vector<PDEVICE_OBJECT> PnpManager::stackOf(DevNodeId id) const {
  std::vector<PDEVICE_OBJECT> out;
  const Node* node = find(id);
  if (!node || node->info.state == DevNodeState::Deleted) return out;
  for (PDEVICE_OBJECT d = node->info.pdo; d; d = d->AttachedDevice) out.push_back(d);
  return out;
}

std::size_t PnpManager::openFiles(const Node& node) const {
  std::size_t n = 0;
  for (PDEVICE_OBJECT d : stackOf(node.info.id)) n += kernel_.io().openFileCount(d);
  return n;
}

// ---- sending ---------------------------------------------------------------------------------

NTSTATUS PnpManager::send(Node& node, UCHAR minor, const std::function<void(PIO_STACK_LOCATION)>& setup,
                          ULONG_PTR* information) {
  KernelScope scope(&kernel_);
  PDEVICE_OBJECT top = kernel_.io().topOfStack(node.info.pdo);
  IO_STATUS_BLOCK result{};
  NTSTATUS status = sendSystemIrp(
      kernel_, top,
      [&](PIRP irp) {
        irp->IoStatus.Status = STATUS_NOT_SUPPORTED;
        PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
        next->MajorFunction = IRP_MJ_PNP;
        next->MinorFunction = minor;
        if (setup) setup(next);
      },
      &result, options_.waitLimitMs, "PnP IRP");
  if (status == STATUS_SUCCESS) status = result.Status;
  if (information) *information = result.Information;
  std::lock_guard lock(mutex_);
  history_.push_back({node.info.id, minor, status});
  return status;
}

NTSTATUS PnpManager::sendPnp(DevNodeId id, UCHAR minor, const std::function<void(PIO_STACK_LOCATION)>& setup,
                             ULONG_PTR* information) {
  Node* node = find(id);
  if (!node || node->info.state == DevNodeState::Deleted) return STATUS_NO_SUCH_DEVICE;
  NTSTATUS status = STATUS_UNSUCCESSFUL;
  runSequence([&] { status = send(*node, minor, setup, information); });
  return status;
}

std::vector<std::u16string> PnpManager::queryIds(Node& node, BUS_QUERY_ID_TYPE type) {
  ULONG_PTR information = 0;
  NTSTATUS status = send(
      node, IRP_MN_QUERY_ID, [type](PIO_STACK_LOCATION s) { s->Parameters.QueryId.IdType = type; }, &information);
  if (!NT_SUCCESS(status)) return {};
  return takeMultiString(information);
}

// ---- arrival and start -----------------------------------------------------------------------

DevNodeId PnpManager::deviceArrived(PDEVICE_OBJECT pdo) {
  DevNodeId id;
  {
    std::lock_guard lock(mutex_);
    id = nextId_++;
    auto node = std::make_unique<Node>();
    node->info.id = id;
    node->info.pdo = pdo;
    nodes_[id] = std::move(node);
  }
  Node* node = find(id);
  runSequence([&] { arrive(*node); });
  return id;
}

void PnpManager::arrive(Node& node) {
  std::vector<std::u16string> hardware = queryIds(node, BusQueryHardwareIDs);
  std::vector<std::u16string> device = queryIds(node, BusQueryDeviceID);
  std::vector<std::u16string> instance = queryIds(node, BusQueryInstanceID);
  std::vector<std::u16string> compatible = queryIds(node, BusQueryCompatibleIDs);
  {
    std::lock_guard lock(mutex_);
    node.info.hardwareIds = hardware;
    node.info.compatibleIds = compatible;
    node.info.instanceId = (device.empty() ? u"UNKNOWN" : device[0]) + u"\\" +
                           (instance.empty() ? widen(std::to_string(node.info.id)) : instance[0]);
  }
  addAndStart(node);
}

void PnpManager::addAndStart(Node& node) {
  auto setState = [&](DevNodeState state, NTSTATUS problem) {
    std::lock_guard lock(mutex_);
    node.info.state = state;
    node.info.problem = problem;
  };
  DevNodeInfo info;
  {
    std::lock_guard lock(mutex_);
    info = node.info;
  }
  PDRIVER_OBJECT driver = load_ ? load_(info) : nullptr;
  if (!driver) {
    setState(DevNodeState::NoDriver, STATUS_OBJECT_NAME_NOT_FOUND);
    return;
  }
  {
    std::lock_guard lock(mutex_);
    node.info.driver = driver;
  }
  NTSTATUS status = STATUS_INVALID_DEVICE_REQUEST;
  if (PDRIVER_ADD_DEVICE add = driver->DriverExtension->AddDevice) {
    DriverCall call(kernel_, driver, nullptr, "AddDevice");
    status = add(driver, node.info.pdo);
  }
  if (!NT_SUCCESS(status)) {
    setState(DevNodeState::AddFailed, status);
    if (kernel_.io().devicesOf(driver).empty() && unused_) unused_(driver);
    std::lock_guard lock(mutex_);
    node.info.driver = nullptr;
    return;
  }
  status = send(node, IRP_MN_START_DEVICE, {}, nullptr);
  if (!NT_SUCCESS(status)) {
    setState(DevNodeState::StartFailed, status);
    sendRemove(node);
    return;
  }
  setState(DevNodeState::Started, 0);
  DEVICE_CAPABILITIES caps{};
  caps.Size = sizeof caps;
  caps.Version = 1;
  caps.Address = 0xFFFFFFFF;
  caps.UINumber = 0xFFFFFFFF;
  send(
      node, IRP_MN_QUERY_CAPABILITIES,
      [&](PIO_STACK_LOCATION s) { s->Parameters.DeviceCapabilities.Capabilities = &caps; }, nullptr);
  send(node, IRP_MN_QUERY_PNP_DEVICE_STATE, {}, nullptr);
  ULONG_PTR relations = 0;
  send(
      node, IRP_MN_QUERY_DEVICE_RELATIONS,
      [](PIO_STACK_LOCATION s) { s->Parameters.QueryDeviceRelations.Type = BusRelations; }, &relations);
  if (relations) ExFreePool(reinterpret_cast<PVOID>(relations));
}

NTSTATUS PnpManager::restart(DevNodeId id) {
  Node* node = find(id);
  if (!node) return STATUS_NO_SUCH_DEVICE;
  NTSTATUS status = STATUS_INVALID_DEVICE_STATE;
  runSequence([&] {
    DevNodeState state = node->info.state;
    if (!node->info.present || (state != DevNodeState::Removed && state != DevNodeState::StartFailed &&
                                state != DevNodeState::NoDriver && state != DevNodeState::AddFailed)) {
      return;
    }
    addAndStart(*node);
    status = node->info.state == DevNodeState::Started ? STATUS_SUCCESS : node->info.problem;
  });
  return status;
}

NTSTATUS PnpManager::rebalance(DevNodeId id, bool cancel) {
  Node* node = find(id);
  if (!node) return STATUS_NO_SUCH_DEVICE;
  NTSTATUS status = STATUS_INVALID_DEVICE_STATE;
  runSequence([&] {
    if (node->info.state != DevNodeState::Started) return;
    status = send(*node, IRP_MN_QUERY_STOP_DEVICE, {}, nullptr);
    if (!NT_SUCCESS(status) || cancel) {
      send(*node, IRP_MN_CANCEL_STOP_DEVICE, {}, nullptr);
      return;
    }
    {
      std::lock_guard lock(mutex_);
      node->info.state = DevNodeState::Stopped;
    }
    send(*node, IRP_MN_STOP_DEVICE, {}, nullptr);
    status = send(*node, IRP_MN_START_DEVICE, {}, nullptr);
    {
      std::lock_guard lock(mutex_);
      node->info.state = NT_SUCCESS(status) ? DevNodeState::Started : DevNodeState::StartFailed;
      node->info.problem = NT_SUCCESS(status) ? 0 : status;
    }
    if (!NT_SUCCESS(status)) sendRemove(*node);
  });
  return status;
}

// ---- removal ---------------------------------------------------------------------------------

void PnpManager::sendRemove(Node& node) {
  send(node, IRP_MN_REMOVE_DEVICE, {}, nullptr);
  disableInterfaces(node);
  PDRIVER_OBJECT driver;
  {
    std::lock_guard lock(mutex_);
    node.info.state = node.info.present ? (node.info.state == DevNodeState::StartFailed ? DevNodeState::StartFailed
                                                                                        : DevNodeState::Removed)
                                        : DevNodeState::Deleted;
    driver = node.info.driver;
    node.info.driver = nullptr;
    if (node.info.state == DevNodeState::Deleted) {
      std::erase_if(interfaces_, [&](const auto& i) { return i->node == node.info.id; });
    }
  }
  if (driver && kernel_.io().devicesOf(driver).empty() && unused_) unused_(driver);
}

void PnpManager::deviceMissing(PDEVICE_OBJECT pdo) {
  DevNodeId id = nodeOf(pdo);
  if (!id) {
    kernel_.verifier().record(Violation::PnpMisuse, "a bus reported " + pointerText(pdo) + " missing, not a PDO");
    return;
  }
  runSequence([this, id] {
    if (Node* node = find(id)) surpriseRemove(*node);
  });
}

void PnpManager::deviceMissingAsync(PDEVICE_OBJECT pdo) {
  DevNodeId id = nodeOf(pdo);
  if (!id) return;
  queue([this, id] {
    if (Node* node = find(id)) surpriseRemove(*node);
  });
}

void PnpManager::surpriseRemove(Node& node) {
  DevNodeState state;
  {
    std::lock_guard lock(mutex_);
    if (!node.info.present) return;
    node.info.present = false;
    state = node.info.state;
  }
  switch (state) {
    case DevNodeState::Started:
    case DevNodeState::QueryStopped:
    case DevNodeState::Stopped:
    case DevNodeState::QueryRemoved:
      send(node, IRP_MN_SURPRISE_REMOVAL, {}, nullptr);
      {
        std::lock_guard lock(mutex_);
        node.info.state = DevNodeState::SurpriseRemoved;
      }
      removeIfClosed(node.info.id);
      return;
    case DevNodeState::SurpriseRemoved:
    case DevNodeState::Deleted:
      return;
    default:
      // No function driver on the stack (any more): the PDO alone goes.
      sendRemove(node);
      return;
  }
}

void PnpManager::removeIfClosed(DevNodeId id) {
  Node* node = find(id);
  if (!node) return;
  {
    std::lock_guard lock(mutex_);
    if (node->info.state != DevNodeState::SurpriseRemoved) return;
  }
  if (openFiles(*node) != 0) return;
  sendRemove(*node);
}

void PnpManager::fileReleased() {
  std::vector<DevNodeId> waiting;
  {
    std::lock_guard lock(mutex_);
    ++fileReleases_;
    for (auto& [id, node] : nodes_) {
      if (node->info.state == DevNodeState::SurpriseRemoved) waiting.push_back(id);
    }
  }
  filesChanged_.notify_all();
  for (DevNodeId id : waiting) queue([this, id] { removeIfClosed(id); });
}

RemovalResult PnpManager::requestRemoval(DevNodeId id) {
  Node* node = find(id);
  if (!node) return RemovalResult::NotStarted;
  RemovalResult result = RemovalResult::NotStarted;
  runSequence([&] { result = orderlyRemove(*node, false); });
  return result;
}

RemovalResult PnpManager::orderlyRemove(Node& node, bool force) {
  if (node.info.state != DevNodeState::Started) return RemovalResult::NotStarted;
  if (!force) notifyNode(node, InterfaceEvent::QueryRemove);
  RemovalResult veto = RemovalResult::Removed;
  if (force && openFiles(node) != 0) {
    veto = RemovalResult::VetoedOpenHandles;
  } else if (!NT_SUCCESS(send(node, IRP_MN_QUERY_REMOVE_DEVICE, {}, nullptr))) {
    send(node, IRP_MN_CANCEL_REMOVE_DEVICE, {}, nullptr);
    veto = RemovalResult::VetoedByDriver;
  } else {
    {
      std::lock_guard lock(mutex_);
      node.info.state = DevNodeState::QueryRemoved;
    }
    if (!force) {
      std::unique_lock lock(mutex_);
      filesChanged_.wait_for(lock, std::chrono::milliseconds(options_.queryRemoveWaitMs), [&] {
        lock.unlock();
        bool closed = openFiles(node) == 0;
        lock.lock();
        return closed;
      });
    }
    if (openFiles(node) != 0) {
      send(node, IRP_MN_CANCEL_REMOVE_DEVICE, {}, nullptr);
      std::lock_guard lock(mutex_);
      node.info.state = DevNodeState::Started;
      veto = RemovalResult::VetoedOpenHandles;
    }
  }
  if (veto == RemovalResult::Removed) {
    sendRemove(node);
    return veto;
  }
  if (!force) {
    notifyNode(node, InterfaceEvent::QueryRemoveFailed);
    return veto;
  }
  // Shutting down: the device goes whatever holds it.
  {
    std::lock_guard lock(mutex_);
    node.info.state = DevNodeState::Started;
  }
  send(node, IRP_MN_SURPRISE_REMOVAL, {}, nullptr);
  sendRemove(node);
  return veto;
}

void PnpManager::removeAll() {
  runSequence([&] {
    std::vector<DevNodeId> ids;
    {
      std::lock_guard lock(mutex_);
      for (auto& [id, node] : nodes_) ids.push_back(id);
    }
    for (DevNodeId id : ids) {
      Node* node = find(id);
      switch (node->info.state) {
        case DevNodeState::Started:
          orderlyRemove(*node, true);
          break;
        case DevNodeState::QueryStopped:
        case DevNodeState::Stopped:
        case DevNodeState::QueryRemoved:
        case DevNodeState::SurpriseRemoved:
          send(*node, IRP_MN_SURPRISE_REMOVAL, {}, nullptr);
          sendRemove(*node);
          break;
        default:
          break;
      }
    }
  });
}

// ---- device interfaces -----------------------------------------------------------------------

NTSTATUS PnpManager::registerInterface(PDEVICE_OBJECT pdo, const GUID& interfaceClass, std::u16string_view reference,
                                       PUNICODE_STRING linkName) {
  DevNodeId id = nodeOf(pdo);
  if (!id || !linkName) return STATUS_INVALID_DEVICE_REQUEST;
  std::u16string link;
  {
    std::lock_guard lock(mutex_);
    for (const auto& i : interfaces_) {
      if (i->node == id && i->guid == interfaceClass && namesEqual(i->reference, reference)) link = i->link;
    }
    if (link.empty()) {
      std::u16string instance = nodes_.at(id)->info.instanceId;
      std::replace(instance.begin(), instance.end(), u'\\', u'#');
      link = u"\\??\\" + instance + u"#" + guidText(interfaceClass);
      if (!reference.empty()) link += u"\\" + std::u16string(reference);
      auto record = std::make_unique<Interface>();
      record->node = id;
      record->guid = interfaceClass;
      record->reference = std::u16string(reference);
      record->link = link;
      interfaces_.push_back(std::move(record));
    }
  }
  return allocateUnicodeString(linkName, link) ? STATUS_SUCCESS : STATUS_INSUFFICIENT_RESOURCES;
}

NTSTATUS PnpManager::setInterfaceState(std::u16string_view link, bool enable) {
  std::u16string name = IoManager::normalizeName(link);
  GUID guid{};
  std::u16string canonical;
  PDEVICE_OBJECT pdo = nullptr;
  {
    std::lock_guard lock(mutex_);
    Interface* found = nullptr;
    for (const auto& i : interfaces_) {
      if (namesEqual(i->link, name)) found = i.get();
    }
    if (!found) return STATUS_OBJECT_NAME_NOT_FOUND;
    if (found->enabled == enable) return STATUS_OBJECT_NAME_EXISTS;
    found->enabled = enable;
    guid = found->guid;
    canonical = found->link;
    pdo = nodes_.at(found->node)->info.pdo;
  }
  if (enable) {
    if (DeviceRecord* record = kernel_.io().findDevice(pdo)) kernel_.io().createLink(canonical, record->name);
    notifyInterfaceListeners(kernel_, guid, InterfaceEvent::Arrival, canonical);
  } else {
    kernel_.io().deleteLink(canonical);
    notifyInterfaceListeners(kernel_, guid, InterfaceEvent::RemoveComplete, canonical);
  }
  return STATUS_SUCCESS;
}

std::vector<std::u16string> PnpManager::enabledInterfaces(const GUID& interfaceClass) const {
  std::lock_guard lock(mutex_);
  std::vector<std::u16string> out;
  for (const auto& i : interfaces_) {
    if (i->enabled && i->guid == interfaceClass) out.push_back(i->link);
  }
  return out;
}

void PnpManager::disableInterfaces(Node& node) {
  std::vector<std::u16string> links;
  {
    std::lock_guard lock(mutex_);
    for (const auto& i : interfaces_) {
      if (i->node == node.info.id && i->enabled) links.push_back(i->link);
    }
  }
  for (const auto& link : links) setInterfaceState(link, false);
}

void PnpManager::notifyNode(Node& node, InterfaceEvent event) {
  std::vector<std::pair<GUID, std::u16string>> targets;
  {
    std::lock_guard lock(mutex_);
    for (const auto& i : interfaces_) {
      if (i->node == node.info.id && i->enabled) targets.emplace_back(i->guid, i->link);
    }
  }
  for (const auto& [guid, link] : targets) notifyInterfaceListeners(kernel_, guid, event, link);
}

}  // namespace nt
