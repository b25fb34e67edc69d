#include "shell/model/DocumentDialogs.h"

#include "link/store/DocumentType.h"

namespace {

const std::pair<std::string, std::string> kOpenCaptureFilter{"Quorlan View PC Capture files (*.hsc)", "*.hsc"};
const std::pair<std::string, std::string> kOpenTraceFilter{"Quorlan View PC Signal Trace files (*.ast)", "*.ast"};

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

}  // namespace

FileDialogSpec SaveAsDialogSpec(DocumentType documentType) {
  FileDialogSpec spec;
  spec.flags = kHideReadOnly | kOverwritePrompt;
  if (documentType == DocumentType::Trace) {
    spec.title = "Save ORUpc trace file as";
    spec.defaultExtension = "ast";
    spec.filters = {{"ORU Signal Trace Files (*.ast)", "*.ast"}};
  } else {
    spec.title = "Save ORUpc capture file as";
    spec.defaultExtension = "hsc";
    spec.filters = {{"ORUpc Capture files (*.hsc)", "*.hsc"}};
  }
  return spec;
}

FileDialogSpec SaveDialogSpec(DocumentType documentType, const std::string& autosaveFolder) {
  FileDialogSpec spec;
  spec.flags = kHideReadOnly | kOverwritePrompt;
  spec.initialFolder = autosaveFolder;
  if (documentType == DocumentType::Trace) {
    spec.title = "Save ORUpc trace file";
    spec.defaultExtension = "ast";
    spec.filters = {{"ORU Signal Trace files (*.ast)", "*.ast"}};
  } else {
    spec.title = "Save ORUpc capture file";
    spec.defaultExtension = "hsc";
    spec.filters = {{"ORUpc Capture files (*.hsc)", "*.hsc"}};
  }
  return spec;
}

FileDialogSpec OpenDialogSpec(int tab, const std::string& autosaveFolder) {
  FileDialogSpec spec;
  spec.title = "Open Quorlan View PC file";
  spec.initialFolder = autosaveFolder;
  spec.flags = kHideReadOnly | kOverwritePrompt;
  if (DocumentTypeForTab(tab) == DocumentType::Trace) {
    spec.filters = {kOpenTraceFilter, kOpenCaptureFilter};
    spec.defaultExtension = "ast";
  } else {
    spec.filters = {kOpenCaptureFilter, kOpenTraceFilter};
    spec.defaultExtension = "hsc";
  }
  return spec;
}

FileDialogSpec ExportDialogSpec(std::string_view documentFileName) {
  FileDialogSpec spec;
  spec.title = "Export capture buffer to TXT file";
  spec.defaultExtension = "txt";
  spec.filters = {{"Text files (*.csv)", "*.csv"}};
  spec.proposedName = ReplaceAll(ReplaceAll(std::string(documentFileName), ".hsc", ".csv"), ".HSC", ".CSV");
  return spec;
}

SaveRoute RouteForSave(DocumentType documentType, std::optional<DocumentType> pathType, std::string_view pathName) {
  return !pathName.empty() && pathType == documentType ? SaveRoute::WriteToPathName : SaveRoute::AskForPath;
}

std::string SaveChangesText(std::string_view name) { return "Save changes to " + std::string(name) + "?"; }
