#pragma once

// The file dialogs of the document and File Open, and the rule of where a save writes.

#include <optional>
#include <string>
#include <string_view>

#include "link/store/DocumentType.h"
#include "shell/model/FileDialogSpec.h"
#include "shell/model/TabTable.h"

// Save As ("Save ORUpc ... file as") and Save without a path ("Save ORUpc ... file", starting in
// the autosave folder).
FileDialogSpec SaveAsDialogSpec(DocumentType documentType);
FileDialogSpec SaveDialogSpec(DocumentType documentType, const std::string& autosaveFolder);
// File Open: the shown tab's type first in the filters and as the default extension.
FileDialogSpec OpenDialogSpec(int tab, const std::string& autosaveFolder);
// Export: the proposed name is the document's file name with ".hsc" made ".csv" and ".HSC" ".CSV".
FileDialogSpec ExportDialogSpec(std::string_view documentFileName);

// Where a save of `documentType` goes: to the document's path name when that belongs to the
// type, else through a dialog.
enum class SaveRoute { WriteToPathName, AskForPath };
SaveRoute RouteForSave(DocumentType documentType, std::optional<DocumentType> pathType, std::string_view pathName);

// The save prompt's text: "Save changes to %1?".
std::string SaveChangesText(std::string_view name);
