#pragma once

// The enabled and checked state of the application's commands, from the few flags they read.

#include <optional>

struct AppCommandInputs {
  int options = 0;         // "Options"
  bool activity = false;   // a capture or a triggered trace armed or running
  bool dataHeld = false;   // the capture or the trace holds at least one record
  bool mainWindow = true;  // the rules apply only while the main window exists
  int recentFiles = 0;     // entries in the recent-file list
};

struct CommandState {
  bool enabled = true;
  bool checked = false;
  bool operator==(const CommandState&) const = default;
};

// nullopt for ids without an application rule. New, Open, Close, Save, Save As and the recent
// files are greyed while anything is armed or running; Save and Save As also need data held, a
// recent-file place an entry.
std::optional<CommandState> AppCommandState(int id, const AppCommandInputs& inputs);
