#pragma once

// What the program was asked to do by its arguments: install the driver, or open a file.

#include <string>
#include <vector>

enum class InstallSwitch { None, Driver32, Driver64 };

struct CommandLine {
  InstallSwitch install = InstallSwitch::None;
  std::string file;                 // the file to open; empty = none
  std::vector<std::string> others;  // the remaining arguments (an installation's INF path)
};

// A switch is a whole argument, "/InstallDriver32" or "/InstallDriver64"; with both, 32 wins.
// Any other argument names the file to open (the first one does): paths start with '/' here and
// may hold those texts.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);
