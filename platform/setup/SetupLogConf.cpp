// Logical configurations and their resource descriptors, read from the node's record. A handle
// holds a copy taken when it was given out.

#include <cstring>

#include "platform/machine/InfFile.h"
#include "platform/setup/DeviceInfoSet.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/setup/SetupHandles.h"
#include "platform/setup/SetupQueries.h"

namespace {

struct ConfigurationHandle {
  platform::LogicalConfiguration configuration;
};

struct DescriptorHandle {
  platform::LogicalConfiguration configuration;  // the one it belongs to
  std::size_t index = 0;
};

constexpr DWORD kRangeType = 1;  // MType_Range, IOType_Range, DType_Range, IRQType_Range

std::vector<std::uint8_t> descriptorData(const platform::ResourceDescriptor& r) {
  auto bytesOf = [](const auto& des) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&des);
    return std::vector<std::uint8_t>(p, p + sizeof des);
  };
  switch (r.type) {
    case ResType_Mem: {
      MEM_DES d{};
      d.MD_Type = kRangeType;
      d.MD_Alloc_Base = r.base;
      d.MD_Alloc_End = r.end;
      return bytesOf(d);
    }
    case ResType_IO: {
      IO_DES d{};
      d.IOD_Type = kRangeType;
      d.IOD_Alloc_Base = r.base;
      d.IOD_Alloc_End = r.end;
      return bytesOf(d);
    }
    case ResType_DMA: {
      DMA_DES d{};
      d.DD_Type = kRangeType;
      d.DD_Alloc_Chan = r.number;
      return bytesOf(d);
    }
    case ResType_IRQ: {
      IRQ_DES d{};
      d.IRQD_Type = kRangeType;
      d.IRQD_Alloc_Num = r.number;
      d.IRQD_Affinity = 1;
      return bytesOf(d);
    }
    default:
      return {};  // a type without data here
  }
}

const platform::ResourceDescriptor* descriptorOf(RES_DES handle) {
  auto* d = setup::FindHandle<DescriptorHandle>(setup::HandleKind::ResDes, reinterpret_cast<void*>(handle));
  return d ? &d->configuration.resources[d->index] : nullptr;
}

}  // namespace

CONFIGRET CM_Get_First_Log_Conf_Ex(PLOG_CONF plcLogConf, DEVINST dnDevInst, ULONG ulFlags, HMACHINE) {
  if (setup::TakeFailure("CM_Get_First_Log_Conf_Ex")) return CR_FAILURE;
  if (ulFlags > OVERRIDE_LOG_CONF) return CR_INVALID_FLAG;
  const std::string id = setup::InstanceIdOf(dnDevInst);
  platform::Machine* machine = setup::AttachedMachine();
  if (id.empty() || !machine) return CR_INVALID_DEVNODE;
  platform::SetupDatabase db = machine->setupState();
  const platform::DeviceRecord* record = db.find(id);
  if (!record) return CR_NO_SUCH_DEVINST;
  for (const platform::LogicalConfiguration& c : record->configurations) {
    if (c.type != ulFlags) continue;
    // Only asking whether one exists takes no handle.
    if (plcLogConf) {
      auto handle = std::make_unique<ConfigurationHandle>();
      handle->configuration = c;
      *plcLogConf = reinterpret_cast<LOG_CONF>(setup::AddHandle(setup::HandleKind::LogConf, std::move(handle)));
    }
    return CR_SUCCESS;
  }
  return CR_NO_MORE_LOG_CONF;
}

CONFIGRET CM_Free_Log_Conf_Handle(LOG_CONF lcLogConf) {
  return setup::RemoveHandleObject(setup::HandleKind::LogConf, reinterpret_cast<void*>(lcLogConf))
             ? CR_SUCCESS
             : CR_INVALID_LOG_CONF;
}

CONFIGRET CM_Get_Next_Res_Des_Ex(PRES_DES prdResDes, ULONG_PTR rdResDes, RESOURCEID ForResource,
                                 PRESOURCEID pResourceID, ULONG ulFlags, HMACHINE) {
  if (setup::TakeFailure("CM_Get_Next_Res_Des_Ex")) return CR_FAILURE;
  if (!prdResDes || (ForResource == ResType_All && !pResourceID)) return CR_INVALID_POINTER;
  if (ulFlags != 0) return CR_INVALID_FLAG;
  const platform::LogicalConfiguration* configuration = nullptr;
  std::size_t from = 0;
  auto* handle = reinterpret_cast<void*>(rdResDes);
  if (auto* c = setup::FindHandle<ConfigurationHandle>(setup::HandleKind::LogConf, handle)) {
    configuration = &c->configuration;
  } else if (auto* d = setup::FindHandle<DescriptorHandle>(setup::HandleKind::ResDes, handle)) {
    configuration = &d->configuration;
    from = d->index + 1;
  } else {
    return CR_INVALID_RES_DES;
  }
  for (std::size_t i = from; i < configuration->resources.size(); ++i) {
    const RESOURCEID type = configuration->resources[i].type;
    if (ForResource != ResType_All && type != ForResource) continue;
    auto next = std::make_unique<DescriptorHandle>();
    next->configuration = *configuration;
    next->index = i;
    if (pResourceID) *pResourceID = type;
    *prdResDes = reinterpret_cast<RES_DES>(setup::AddHandle(setup::HandleKind::ResDes, std::move(next)));
    return CR_SUCCESS;
  }
  return CR_NO_MORE_RES_DES;
}

CONFIGRET CM_Get_Res_Des_Data_Size_Ex(PULONG pulSize, RES_DES rdResDes, ULONG ulFlags, HMACHINE) {
  if (setup::TakeFailure("CM_Get_Res_Des_Data_Size_Ex")) return CR_FAILURE;
  if (!pulSize) return CR_INVALID_POINTER;
  if (ulFlags != 0) return CR_INVALID_FLAG;
  const platform::ResourceDescriptor* r = descriptorOf(rdResDes);
  if (!r) return CR_INVALID_RES_DES;
  *pulSize = static_cast<ULONG>(descriptorData(*r).size());
  return CR_SUCCESS;
}

CONFIGRET CM_Get_Res_Des_Data_Ex(RES_DES rdResDes, PVOID Buffer, ULONG BufferLen, ULONG ulFlags, HMACHINE) {
  if (setup::TakeFailure("CM_Get_Res_Des_Data_Ex")) return CR_FAILURE;
  if (!Buffer && BufferLen) return CR_INVALID_POINTER;
  if (ulFlags != 0) return CR_INVALID_FLAG;
  const platform::ResourceDescriptor* r = descriptorOf(rdResDes);
  if (!r) return CR_INVALID_RES_DES;
  std::vector<std::uint8_t> data = descriptorData(*r);
  if (BufferLen < data.size()) return CR_BUFFER_SMALL;
  if (!data.empty()) std::memcpy(Buffer, data.data(), data.size());
  return CR_SUCCESS;
}

CONFIGRET CM_Free_Res_Des_Handle(RES_DES rdResDes) {
  return setup::RemoveHandleObject(setup::HandleKind::ResDes, reinterpret_cast<void*>(rdResDes)) ? CR_SUCCESS
                                                                                                 : CR_INVALID_RES_DES;
}
