#pragma once

// Where the autosave step puts the data that comes next: a name from the date and time of a
// stored entry (or of the clock) in the autosave folder.

#include <string>
#include <string_view>

#include "link/files/AutosaveName.h"

// A stored-session slot (0..8) for a capture or a stored-trace slot (0..2) for a trace; other
// slots (-1 = the present time) name the file after the clock.
bool AutosaveSlotInDirectory(int slot, DocumentType documentType);
// The folder "c:\" (exactly so) stands for "not chosen yet": the folder choice comes first.
bool AutosaveNeedsFolderChoice(std::string_view folder);
// The date and time of the name: the entry's texts for a slot inside the directory, else the clock.
CivilTime AutosaveTimeFor(int slot, DocumentType documentType, std::string_view dateText, std::string_view timeText,
                          const CivilTime& clock);
// folder + separator + "%A, %B %d, %Y %H_%M_%S" + ".hsc" / ".ast".
std::string AutosaveFilePath(std::string_view folder, const CivilTime& when, DocumentType documentType);
