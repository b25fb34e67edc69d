#include "shell/model/AppCommandRules.h"

#include "resources/data/ResourceIds.h"

std::optional<CommandState> AppCommandState(int id, const AppCommandInputs& in) {
  if (!in.mainWindow) return std::nullopt;
  if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_FILE4)
    return CommandState{!in.activity && id - ID_FILE_MRU_FILE1 < in.recentFiles, false};
  switch (id) {
    case ID_NEW_CAPTURE_CONCATENATE:
      return CommandState{true, in.options == 1};
    case ID_NEW_CAPTURE_OVERWRITE:
      return CommandState{true, in.options == 2};
    case ID_NEW_CAPTURE_AUTOSAVE:
      return CommandState{true, in.options == 4};
    case ID_FILE_OPEN:
    case ID_FILE_NEW:
    case ID_FILE_CLOSE_DATA:
      return CommandState{!in.activity, false};
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS:
      return CommandState{!in.activity && in.dataHeld, false};
    default:
      return std::nullopt;
  }
}
