#include "shell/model/FrameCommandRules.h"

#include "resources/data/ResourceIds.h"

std::optional<bool> FrameCommandEnabled(int commandId, const FrameCommandState& state) {
  switch (commandId) {
    case ID_FILE_PRINT:
    case ID_FILE_PRINT_PREVIEW:
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS:
      return state.captureRecords > 0 || state.traceSamples > 0;
    case ID_EXPORT_TEXT:
      return state.captureRecords > 0;
    case ID_LOAD_APPLICATION:
      return state.deviceOpen && !state.run.anyArmedOrRunning();
    default:
      return std::nullopt;
  }
}

bool CombineCommandRules(std::optional<bool> appRule, std::optional<bool> frameRule) {
  return appRule.value_or(true) && frameRule.value_or(true);
}
