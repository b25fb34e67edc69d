#pragma once

// How the application starts: the program's main() fills it from the command line and the
// environment; tests and tools fill it to run the application in-process on their own machine,
// settings and answerer.

#include <QString>
#include <QStringList>

#include <functional>

#include "link/files/AutosaveName.h"
#include "link/protocol/WorkerClock.h"

class PromptAnswerer;
namespace platform {
class Machine;
}

struct StartupRecord {
  // The command-line arguments after the program's name.
  QStringList arguments;
  // An INI file for the settings; empty = the native store of "Pelgrave, Inc." / "Quorlan View PC".
  QString settingsFile;
  // The folder the program runs from (the first-run "Autosave Folder"); empty = the executable's.
  QString programFolder;
  // Answers every prompt; null = real dialogs.
  PromptAnswerer* answerer = nullptr;
  // The single-instance socket's full path; empty = <runtime location>/CORUpc144App.
  QString instanceServerName;
  bool showSplash = true;
  // When set, its kernel is attached as the device system for the application's life (the
  // program's SimulatedSystem attaches its own and leaves this null).
  platform::Machine* machine = nullptr;
  // The worker's PC clock and the clock the autosave names read; the system's by default.
  WorkerClock workerClock = WorkerClock::System();
  std::function<CivilTime()> localClock = LocalNow;
};
