#include "shell/model/DeviceChange.h"

#include <cstring>

#include "driver/OruInterface.h"

DeviceChangeDecision ClassifyDeviceChange(WPARAM event, LPARAM data) {
  DeviceChangeDecision decision;
  if (data == 0) return decision;
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) {
    decision.result = FALSE;
    return decision;
  }
  const auto* record = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE*>(data);
  if (std::memcmp(&record->dbcc_classguid, &oru::GUID_DEVINTERFACE_ORU, sizeof(GUID)) != 0) return decision;
  switch (event) {
    case DBT_DEVICEARRIVAL:
      decision.action = DeviceChangeAction::Open;
      break;
    case DBT_DEVICEQUERYREMOVE:
    case DBT_DEVICEREMOVECOMPLETE:
      decision.action = DeviceChangeAction::Close;
      break;
    default:
      break;
  }
  return decision;
}
