// The main window's menu.
#include "resources/data/MenuResource.h"

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
      kMainFrameResourceId,
      {
          Popup("&File",
                {
                    Command(57600, "&New\tCtrl+N"),
                    Command(57601, "&Open...\tCtrl+O"),
                    Command(32811, "&Close"),
                    Command(57603, "&Save\tCtrl+S"),
                    Command(57604, "Save &As..."),
                    Separator(),
                    Command(32799, "&Export to text..."),
                    Separator(),
                    Command(57607, "&Print...\tCtrl+P"),
                    Command(57609, "Print Pre&view"),
                    Command(57606, "P&rint Setup..."),
                    Separator(),
                    {MenuItemKind::RecentFiles, kFirstRecentFileCommand, "Recent File", {},
                     false, true},
                    Separator(),
                    Command(57665, "E&xit"),
                }),
          Popup("&Options",
                {
                    Popup("New Capture",
                          {
                              Choice(32798, "Concatenate current capture data"),
                              Choice(32797, "Overwrites current capture data"),
                              Choice(32790, "Autosave current capture data"),
                          }),
                    Popup("Colors...",
                          {
                              Popup("Answer Color",
                                    {
                                        Command(32778, "Select new color"),
                                        Command(32781, "Set to default color"),
                                    }),
                              Popup("Originate Color",
                                    {
                                        Command(32779, "Select new color"),
                                        Command(32782, "Set to default color"),
                                    }),
                              Popup("Marker Color",
                                    {
                                        Command(32794, "Select new color"),
                                        Command(32795, "Set to default"),
                                    }),
                              Command(32783, "Set all to default"),
                          }),
                    Separator(),
                    Command(32801, "Set Autosave folder"),
                    Command(32808, "Load ORU Application"),
                }),
          Popup("&Help",
                {
                    Command(57664, "&About..."),
                }),
      }};
  return menu;
}
