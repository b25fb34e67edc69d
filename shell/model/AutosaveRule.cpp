#include "shell/model/AutosaveRule.h"

#include "link/store/DocumentType.h"
#include "link/store/OruData.h"

bool AutosaveSlotInDirectory(int slot, DocumentType documentType) {
  const int slots = documentType == DocumentType::Trace ? CORUData::kTraceSlots : CORUData::kSessionSlots;
  return slot >= 0 && slot < slots;
}

bool AutosaveNeedsFolderChoice(std::string_view folder) { return folder == "c:\\"; }

CivilTime AutosaveTimeFor(int slot, DocumentType documentType, std::string_view dateText, std::string_view timeText,
                          const CivilTime& clock) {
  if (!AutosaveSlotInDirectory(slot, documentType)) return clock;
  return AutosaveTime(dateText, timeText, clock);
}

std::string AutosaveFilePath(std::string_view folder, const CivilTime& when, DocumentType documentType) {
  return AutosavePath(folder, AutosaveName(when), documentType);
}
