// The main window's menu.
#include "resources/data/MenuResource.h"
#include "resources/data/ResourceIds.h"

namespace {

MenuItem Command(int id, const char* text) { return {MenuItemKind::Command, id, text, {}}; }
MenuItem Choice(int id, const char* text) {
  return {MenuItemKind::Command, id, text, {}, false, false, true};
}
MenuItem Separator() { return {MenuItemKind::Separator, 0, "", {}}; }
MenuItem Popup(const char* text, std::vector<MenuItem> items) {
  return {MenuItemKind::Popup, 0, text, std::move(items)};
}

}  // namespace

const MenuResource& Menu128() {
  static const MenuResource menu{
      IDR_MAINFRAME,
      {
          Popup("&File",
                {
                    Command(ID_FILE_NEW, "&New\tCtrl+N"),
                    Command(ID_FILE_OPEN, "&Open...\tCtrl+O"),
                    Command(ID_FILE_CLOSE_DATA, "&Close"),
                    Command(ID_FILE_SAVE, "&Save\tCtrl+S"),
                    Command(ID_FILE_SAVE_AS, "Save &As..."),
                    Separator(),
                    Command(ID_EXPORT_TEXT, "&Export to text..."),
                    Separator(),
                    Command(ID_FILE_PRINT, "&Print...\tCtrl+P"),
                    Command(ID_FILE_PRINT_PREVIEW, "Print Pre&view"),
                    Command(ID_FILE_PRINT_SETUP, "P&rint Setup..."),
                    Separator(),
                    {MenuItemKind::RecentFiles, ID_FILE_MRU_FILE1, "Recent File", {},
                     false, true},
                    Separator(),
                    Command(ID_APP_EXIT, "E&xit"),
                }),
          Popup("&Options",
                {
                    Popup("New Capture",
                          {
                              Choice(ID_NEW_CAPTURE_CONCATENATE, "Concatenate current capture data"),
                              Choice(ID_NEW_CAPTURE_OVERWRITE, "Overwrites current capture data"),
                              Choice(ID_NEW_CAPTURE_AUTOSAVE, "Autosave current capture data"),
                          }),
                    Popup("Colors...",
                          {
                              Popup("Answer Color",
                                    {
                                        Command(ID_SELECT_ANSWER_COLOR, "Select new color"),
                                        Command(ID_DEFAULT_ANSWER_COLOR, "Set to default color"),
                                    }),
                              Popup("Originate Color",
                                    {
                                        Command(ID_SELECT_ORIGINATE_COLOR, "Select new color"),
                                        Command(ID_DEFAULT_ORIGINATE_COLOR, "Set to default color"),
                                    }),
                              Popup("Marker Color",
                                    {
                                        Command(ID_SELECT_MARKER_COLOR, "Select new color"),
                                        Command(ID_DEFAULT_MARKER_COLOR, "Set to default"),
                                    }),
                              Command(ID_DEFAULT_ALL_COLORS, "Set all to default"),
                          }),
                    Separator(),
                    Command(ID_SET_AUTOSAVE_FOLDER, "Set Autosave folder"),
                    Command(ID_LOAD_APPLICATION, "Load ORU Application"),
                }),
          Popup("&Help",
                {
                    Command(ID_APP_ABOUT, "&About..."),
                }),
      }};
  return menu;
}
