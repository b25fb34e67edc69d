// Command prompts (string id = command id): the status bar shows the text before the line
// break while the command is highlighted; the text after it is the tool tip.
#include <span>

#include "resources/data/StringTable.h"
#include "resources/data/ResourceIds.h"

std::span<const StringEntry> StringsCommandPrompts() {
  static const StringEntry entries[] = {
      {ID_DEVELOPMENT, "Open the development and debug dialog\nDevelopment"},
      {ID_SELECT_ANSWER_COLOR, "Choose the Answer color\nAnswer Color"},
      {ID_SELECT_ORIGINATE_COLOR, "Choose the Originate color\nOriginate Color"},
      {ID_DEFAULT_ANSWER_COLOR, "Set the Answer color to its default\nDefault Answer Color"},
      {ID_DEFAULT_ORIGINATE_COLOR, "Set the Originate color to its default\nDefault Originate Color"},
      {ID_DEFAULT_ALL_COLORS, "Set all colors to their defaults\nDefault Colors"},
      {ID_NEW_CAPTURE_AUTOSAVE, "Save current buffer before new capture"},
      {ID_SELECT_MARKER_COLOR, "Choose the Marker color\nMarker Color"},
      {ID_DEFAULT_MARKER_COLOR, "Set the Marker color to its default\nDefault Marker Color"},
      {ID_NEW_CAPTURE_OVERWRITE, "Overwrite current capture data"},
      {ID_NEW_CAPTURE_CONCATENATE, "Concatenate buffer with new capture data "},
      {ID_EXPORT_TEXT, "Export the capture buffer as comma-separated text\nExport"},
      {ID_SET_AUTOSAVE_FOLDER, "Choose the folder for autosaved files\nAutosave Folder"},
      {ID_EDIT_FIND, "Search within the capture file\nFind"},
      {ID_ENTER_DEVICE_CLOCK, "Enter ORUpc clock time"},
      {ID_LOAD_APPLICATION, "Load a new application into the ORUpc\nLoad ORU Application"},
      {ID_FILE_CLOSE_DATA, "Close the current capture and trace\nClose"},
      {ID_USB_LIST, "List the texts received over USB\nUSB Rcv"},
      {ID_FILE_NEW, "Create a new capture session\nNew"},
      {ID_FILE_OPEN, "Open an existing capture session\nOpen"},
      {ID_FILE_SAVE, "Save the capture or trace of the current tab\nSave"},
      {ID_FILE_SAVE_AS, "Save the capture or trace of the current tab under a new name\nSave As"},
      {ID_FILE_PRINT_SETUP, "Change the printer and printing options\nPrint Setup"},
      {ID_FILE_PRINT, "Print the current view\nPrint"},
      {ID_FILE_PRINT_PREVIEW, "Show the printed pages of the current view\nPrint Preview"},
      {ID_FILE_MRU_FILE1, "Open this file"},
      {ID_FILE_MRU_FILE2, "Open this file"},
      {ID_FILE_MRU_FILE3, "Open this file"},
      {ID_FILE_MRU_FILE4, "Open this file"},
      {ID_APP_ABOUT, "Show program information and version numbers\nAbout"},
      {ID_APP_EXIT, "Quit the program; offers to save changed data\nExit"},
  };
  return entries;
}
