#include "shell/model/CommandLine.h"

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  bool has32 = false;
  bool has64 = false;
  for (const std::string& argument : arguments) {
    if (argument == "/InstallDriver32") {
      has32 = true;
    } else if (argument == "/InstallDriver64") {
      has64 = true;
    } else if (argument.empty()) {
      continue;
    } else if (line.file.empty()) {
      line.file = argument;
    } else {
      line.others.push_back(argument);
    }
  }
  if (has32)
    line.install = InstallSwitch::Driver32;
  else if (has64)
    line.install = InstallSwitch::Driver64;
  if (line.install != InstallSwitch::None && !line.file.empty()) {
    // With a switch the argument is the INF file, not a document.
    line.others.insert(line.others.begin(), line.file);
    line.file.clear();
  }
  return line;
}
