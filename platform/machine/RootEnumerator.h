#pragma once

// The root bus: the PDOs of devices that no hardware bus reports, the ones setup creates
// ("ROOT\<CLASS>\nnnn"). Its PDOs answer PnP and power IRPs as every nt::PdoBus does: QUERY_ID
// with the ids each was given (device id "ROOT\<CLASS>", instance id "nnnn"); a PDO is deleted at
// REMOVE once its device was taken away (`unplug`), and one that still has its device (a
// disabled node) stays for a later start. The Machine makes the PDOs from its saved records at
// every load and reports them to the PnP manager.

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/nt/DeviceObject.h"
#include "platform/nt/Irp.h"
#include "platform/nt/PdoBus.h"

namespace nt {
class Kernel;
}

namespace platform {

class RootEnumerator : public nt::PdoBus {
 public:
  explicit RootEnumerator(nt::Kernel& kernel);  // loads the bus driver "root"
  ~RootEnumerator();
  RootEnumerator(const RootEnumerator&) = delete;
  RootEnumerator& operator=(const RootEnumerator&) = delete;

  // A new PDO for `instanceId` ("ROOT\<CLASS>\nnnn"); null when the id is not of that form, is
  // in use by a PDO not yet deleted, or no device object can be made.
  PDEVICE_OBJECT create(const std::string& instanceId, std::vector<std::string> hardwareIds,
                        std::vector<std::string> compatibleIds);
  // The ids QUERY_ID answers from now on (the node's saved ids changed).
  void setIds(PDEVICE_OBJECT pdo, std::vector<std::string> hardwareIds, std::vector<std::string> compatibleIds);
  // The device is gone: the PDO is deleted at its next (or a past) REMOVE. The PnP manager is
  // told by the caller (deviceMissing).
  void unplug(PDEVICE_OBJECT pdo);

  // The PDO of an instance id not yet deleted, or null; whether a PDO is one of this bus's.
  PDEVICE_OBJECT find(const std::string& instanceId) const;
  bool owns(PDEVICE_OBJECT pdo) const;
  std::vector<std::string> hardwareIds(PDEVICE_OBJECT pdo) const;
  std::vector<std::string> compatibleIds(PDEVICE_OBJECT pdo) const;
  // Instance ids of the PDOs not yet deleted, in creation order.
  std::vector<std::string> instanceIds() const;

  // Deletes every PDO left (after the PnP manager removed their stacks); idempotent.
  void shutdown();

  // True for "ROOT\<name>\<digits>" (any case).
  static bool IsRootInstanceId(const std::string& instanceId);

 private:
  struct Child;
  std::shared_ptr<Child> child(PDEVICE_OBJECT pdo) const;

  std::shared_ptr<nt::BusChild> childOf(PDEVICE_OBJECT pdo) const override;
  std::vector<std::u16string> queryIds(nt::BusChild& child, BUS_QUERY_ID_TYPE type) override;
  void fillCapabilities(nt::BusChild& child, DEVICE_CAPABILITIES& caps) override;

  nt::Kernel& kernel_;
  PDRIVER_OBJECT driver_ = nullptr;
  // Under mutex_, as the indexes, nextName_ and shutDown_: every child in creation order, the
  // newest of each instance id (upper case) and each PDO's, so that a lookup takes no walk.
  std::vector<std::shared_ptr<Child>> children_;
  std::unordered_map<std::string, std::shared_ptr<Child>> byInstanceId_;
  std::unordered_map<PDEVICE_OBJECT, std::shared_ptr<Child>> byPdo_;
  int nextName_ = 0;
  bool shutDown_ = false;
};

}  // namespace platform
