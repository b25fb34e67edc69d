#include "shell/model/FrameCommandRules.h"

namespace {
constexpr int kPrint = 57607;
constexpr int kPrintPreview = 57609;
constexpr int kSave = 57603;
constexpr int kSaveAs = 57604;
constexpr int kExportText = 32799;
constexpr int kLoadApplication = 32808;
}  // namespace

std::optional<bool> FrameCommandEnabled(int commandId, const FrameCommandState& state) {
  switch (commandId) {
    case kPrint:
    case kPrintPreview:
    case kSave:
    case kSaveAs:
      return state.captureRecords > 0 || state.traceSamples > 0;
    case kExportText:
      return state.captureRecords > 0;
    case kLoadApplication:
      return state.deviceOpen && !state.run.anyArmedOrRunning();
    default:
      return std::nullopt;
  }
}

bool CombineCommandRules(std::optional<bool> appRule, std::optional<bool> frameRule) {
  return appRule.value_or(true) && frameRule.value_or(true);
}
