// Command prompts (string id = command id): the status bar shows the text before the line
// break while the command is highlighted; the text after it is the tool tip.
#include <span>

#include "resources/data/StringTable.h"

std::span<const StringEntry> StringsCommandPrompts() {
  static const StringEntry entries[] = {
      {32774, "Open the development and debug dialog\nDevelopment"},
      {32778, "Choose the Answer color\nAnswer Color"},
      {32779, "Choose the Originate color\nOriginate Color"},
      {32781, "Set the Answer color to its default\nDefault Answer Color"},
      {32782, "Set the Originate color to its default\nDefault Originate Color"},
      {32783, "Set all colors to their defaults\nDefault Colors"},
      {32790, "Save current buffer before new capture"},
      {32794, "Choose the Marker color\nMarker Color"},
      {32795, "Set the Marker color to its default\nDefault Marker Color"},
      {32797, "Overwrite current capture data"},
      {32798, "Concatenate buffer with new capture data "},
      {32799, "Export the capture buffer as comma-separated text\nExport"},
      {32801, "Choose the folder for autosaved files\nAutosave Folder"},
      {32802, "Search within the capture file\nFind"},
      {32806, "Enter ORUpc clock time"},
      {32808, "Load a new application into the ORUpc\nLoad ORU Application"},
      {32811, "Close the current capture and trace\nClose"},
      {32812, "List the texts received over USB\nUSB Rcv"},
      {57600, "Create a new capture session\nNew"},
      {57601, "Open an existing capture session\nOpen"},
      {57603, "Save the capture or trace of the current tab\nSave"},
      {57604, "Save the capture or trace of the current tab under a new name\nSave As"},
      {57606, "Change the printer and printing options\nPrint Setup"},
      {57607, "Print the current view\nPrint"},
      {57609, "Show the printed pages of the current view\nPrint Preview"},
      {57616, "Open this file"},
      {57617, "Open this file"},
      {57618, "Open this file"},
      {57619, "Open this file"},
      {57664, "Show program information and version numbers\nAbout"},
      {57665, "Quit the program; offers to save changed data\nExit"},
  };
  return entries;
}
