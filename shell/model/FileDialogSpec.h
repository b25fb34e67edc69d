#pragma once

// What an open or save file dialog shows: its title, filters, default extension, the folder it
// starts in and the name it proposes.

#include <string>
#include <utility>
#include <vector>

enum FileDialogFlag : unsigned {
  kHideReadOnly = 1u << 0,
  kOverwritePrompt = 1u << 1,
};

struct FileDialogSpec {
  std::string title;
  std::vector<std::pair<std::string, std::string>> filters;  // (text, pattern), e.g. ("... (*.hsc)", "*.hsc")
  std::string defaultExtension;  // without the dot; appended to a chosen name that has no extension
  std::string initialFolder;
  std::string proposedName;
  unsigned flags = 0;
  bool operator==(const FileDialogSpec&) const = default;
};
