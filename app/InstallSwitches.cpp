#include "app/InstallSwitches.h"

#include <string>
#include <vector>

#include "maintenance/install/DriverInstall.h"
#include "platform/machine/SetupStore.h"
#include "shell/model/CommandLine.h"

int RunInstallSwitchesHook(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  const CommandLine line = ParseCommandLine(arguments);
  if (line.install == InstallSwitch::None) return -1;
  // Runs on the machine's root folder and ends the program; the settings are never touched.
  return RunInstallOperation(arguments, platform::SetupStore::DefaultRoot());
}
