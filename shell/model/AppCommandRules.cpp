#include "shell/model/AppCommandRules.h"

#include "shell/model/AppCommandIds.h"

std::optional<CommandState> AppCommandState(int id, const AppCommandInputs& in) {
  if (!in.mainWindow) return std::nullopt;
  switch (id) {
    case cmd::kNewCaptureConcatenate:
      return CommandState{true, in.options == 1};
    case cmd::kNewCaptureOverwrite:
      return CommandState{true, in.options == 2};
    case cmd::kNewCaptureAutosave:
      return CommandState{true, in.options == 4};
    case cmd::kFileOpen:
    case cmd::kFileNew:
    case cmd::kFileClose:
      return CommandState{!in.activity, false};
    case cmd::kFileSave:
    case cmd::kFileSaveAs:
      return CommandState{!in.activity && in.dataHeld, false};
    default:
      return std::nullopt;
  }
}
