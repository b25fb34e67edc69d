// The resource data as the windows and the Qt-free code read it: template texts and ids, the
// string tables, the menu, tool bar and accelerators, and the consistency between them.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "resources/data/AcceleratorResource.h"
#include "resources/data/DialogTemplate.h"
#include "resources/data/MenuResource.h"
#include "resources/data/ResourceIds.h"
#include "resources/data/StringTable.h"
#include "resources/data/ToolbarResource.h"

namespace {

struct ExpectedControl {
  int templateId;
  int controlId;
  ControlKind kind;
  const char* text;
};

// Every control id and text that the windows rely on, per template.
const ExpectedControl kExpectedControls[] = {
    {152, 1085, ControlKind::Picture, ""},
    {178, 1140, ControlKind::Frame, ""},
    {178, 2, ControlKind::PushButton, "Cancel Download"},
    {196, 1179, ControlKind::ListBox, ""},
    {196, 1, ControlKind::PushButton, "Close"},
    {100, 1138, ControlKind::Static, ""},
    {100, 1141, ControlKind::Static, ""},
    {100, 1163, ControlKind::Static, "Pelgrave, Inc. on the web"},
    {100, 1, ControlKind::PushButton, "OK"},
    {101, kStaticControlId, ControlKind::Static, "TODO: layout formview"},
    {144, 1, ControlKind::PushButton, "OK"},
    {144, 2, ControlKind::PushButton, "Cancel"},
    {144, 1009, ControlKind::HotKey, "HotKey1"},
    {171, 1120, ControlKind::Edit, ""},
    {171, 1122, ControlKind::ComboBox, ""},
    {171, 1123, ControlKind::PushButton, "Find"},
    {171, 2, ControlKind::PushButton, "Close"},
    {164, 1089, ControlKind::DatePicker, ""},
    {164, 1090, ControlKind::TimePicker, ""},
    {164, 1, ControlKind::PushButton, "OK"},
    {164, 2, ControlKind::PushButton, "Cancel"},
    {162, 1, ControlKind::PushButton, "Stop capture"},
    {162, 1066, ControlKind::Static, "Status text goes here"},
    {130, 1150, ControlKind::ComboBox, ""},
    {130, 1151, ControlKind::ComboBox, ""},
    {130, 1152, ControlKind::ComboBox, ""},
    {130, 1154, ControlKind::ComboBox, ""},
    {130, 1003, ControlKind::RadioButton, "ASCII"},
    {130, 1004, ControlKind::RadioButton, "HEX"},
    {130, 1029, ControlKind::CheckBox, "Highlight bytes with parity bit set"},
    {130, 1030, ControlKind::CheckBox, "Highlight parity errors"},
    {130, 1031, ControlKind::CheckBox, "Show Modem Events"},
    {130, 1177, ControlKind::CheckBox, "Bit-stuffed"},
    {130, 1084, ControlKind::PushButton, "Capture"},
    {130, 1060, ControlKind::PushButton, "Signal Trace"},
    {130, 1061, ControlKind::PushButton, "Line Test"},
    {130, 1062, ControlKind::PushButton, "DTMF Decoder"},
    {130, 1059, ControlKind::PushButton, "Configure"},
    {130, 1058, ControlKind::PushButton, "Recall Session"},
    {142, 1013, ControlKind::RadioButton, "Bell"},
    {142, 1014, ControlKind::RadioButton, "ITU"},
    {142, 1015, ControlKind::RadioButton, "8N1"},
    {142, 1016, ControlKind::RadioButton, "7E1"},
    {142, 1008, ControlKind::RadioButton, "Async"},
    {142, 1007, ControlKind::RadioButton, "Sync"},
    {142, 1009, ControlKind::RadioButton, "2 Wire"},
    {142, 1010, ControlKind::RadioButton, "4 Wire"},
    {142, 1017, ControlKind::RadioButton, "Answer Tone"},
    {142, 1018, ControlKind::RadioButton, "Call Progress"},
    {142, 1031, ControlKind::RadioButton, "Dial tone"},
    {142, 1032, ControlKind::RadioButton, "DTMF"},
    {142, 1033, ControlKind::RadioButton, "Ringback"},
    {142, 1034, ControlKind::Edit, ""},
    {142, 1035, ControlKind::Edit, ""},
    {142, 1103, ControlKind::GroupBox, "Modem Standard"},
    {142, 1104, ControlKind::GroupBox, "Data Format"},
    {142, 1105, ControlKind::GroupBox, "Capture Mode"},
    {142, 1106, ControlKind::GroupBox, "Line Type"},
    {142, 1107, ControlKind::GroupBox, "Trigger"},
    {142, 1036, ControlKind::GroupBox, "Call Progress Setting"},
    {142, 3, ControlKind::PushButton, "Apply"},
    {145, 1012, ControlKind::PushButton, "Send"},
    {145, 1014, ControlKind::Static, "Status:"},
    {145, 1016, ControlKind::PushButton, "Receive"},
    {145, 1020, ControlKind::ListBox, ""},
    {145, 1021, ControlKind::Static, "Bytes written:"},
    {145, 1022, ControlKind::Static, "Bytes Read:"},
    {145, 1025, ControlKind::PushButton, "Save"},
    {145, 1027, ControlKind::PushButton, "Recall Capture"},
    {145, 1028, ControlKind::PushButton, "HDLC Test"},
    {145, 1044, ControlKind::PushButton, "Digital Meter"},
    {145, 1045, ControlKind::RadioButton, "Line 1"},
    {145, 1047, ControlKind::RadioButton, "Line 3"},
    {145, 1048, ControlKind::PushButton, "Calibrate Line 1"},
    {145, 1050, ControlKind::PushButton, "Calibrate Line 3"},
    {145, 1081, ControlKind::GroupBox, "Line 1"},
    {145, 1083, ControlKind::GroupBox, "Line 3"},
    {145, 1097, ControlKind::RadioButton, "DC"},
    {145, 1098, ControlKind::RadioButton, "AC"},
    {145, 1099, ControlKind::RadioButton, "Both DC and AC"},
    {145, 1101, ControlKind::PushButton, "Store Calibration Data"},
    {145, 1137, ControlKind::PushButton, "Download App"},
    {145, 1173, ControlKind::CheckBox, "1000 times"},
    {145, 1176, ControlKind::PushButton, "EP1"},
    {145, 1177, ControlKind::PushButton, "EP2"},
    {167, 1172, ControlKind::CheckBox, "Snap to trace"},
    {167, 1094, ControlKind::PushButton, "ISO Trace"},
    {167, 1095, ControlKind::PushButton, "Recall Trace"},
    {167, 1090, ControlKind::Custom, ""},
    {170, 1108, ControlKind::PushButton, "Session #1"},
    {170, 1116, ControlKind::PushButton, "Session #9"},
    {170, 1117, ControlKind::Static, "DD/MM/YY  HH:MM:SS"},
    {170, 1141, ControlKind::Static, "DD/MM/YY  HH:MM:SS"},
    {170, 1142, ControlKind::Static, "COUNT9"},
    {170, 1143, ControlKind::PushButton, "Recall #9"},
    {170, 1152, ControlKind::Static, "MODE 9"},
    {170, 1161, ControlKind::Static, "LEN9"},
    {170, 1170, ControlKind::Static, "WIRE 9"},
    {170, 2, ControlKind::PushButton, "Cancel"},
    {173, 1133, ControlKind::GroupBox, "Line Test"},
    {173, 1131, ControlKind::RadioButton, "Vp-p"},
    {173, 1132, ControlKind::RadioButton, "dBm"},
    {173, 1128, ControlKind::Static, "LINE STATUS"},
    {173, 1125, ControlKind::Static, "DC VALUE"},
    {173, 1127, ControlKind::Static, "AC VALUE"},
    {173, 1124, ControlKind::Custom, ""},
    {173, 1126, ControlKind::Custom, ""},
    {174, 1110, ControlKind::PushButton, "Trace #3"},
    {174, 1123, ControlKind::Static, "DD/MM/YY  HH:MM:SS"},
    {174, 1125, ControlKind::PushButton, "Recall #3"},
    {174, 1124, ControlKind::Static, "COUNT3"},
    {174, 1146, ControlKind::Static, "MODE 3"},
    {174, 1155, ControlKind::Static, "LEN3"},
    {174, 1164, ControlKind::Static, "WIRE 3"},
    {189, 1158, ControlKind::PushButton, "Clear DTMF data"},
    {189, 1134, ControlKind::GroupBox, "DTMF Decoder"},
    {189, 1034, ControlKind::Edit, ""},
    {193, 1058, ControlKind::PushButton, "Recall Trace"},
    {193, 1170, ControlKind::PushButton, "Capture Trace"},
    {193, 1182, ControlKind::Static, "DTMF trigger #:"},
    {193, 1183, ControlKind::Static, "Ringback Qty:"},
    {193, 1184, ControlKind::Static, "Voltage:"},
    {193, 1185, ControlKind::Static, "Scale:"},
    {193, 1186, ControlKind::Static, "Span:"},
    {193, 1187, ControlKind::Static, "Trigger type:"},
};

class TemplateControlTest : public testing::TestWithParam<ExpectedControl> {};

TEST_P(TemplateControlTest, HoldsTheControlWithItsKindAndText) {
  const ExpectedControl& expected = GetParam();
  const DialogTemplate* dialog = FindDialogTemplate(expected.templateId);
  ASSERT_NE(dialog, nullptr) << "template " << expected.templateId;
  const DialogControl* control = dialog->FindControl(expected.controlId);
  ASSERT_NE(control, nullptr) << "control " << expected.controlId;
  EXPECT_EQ(control->kind, expected.kind);
  EXPECT_STREQ(control->text, expected.text);
}

INSTANTIATE_TEST_SUITE_P(ShellTemplates, TemplateControlTest, testing::ValuesIn(kExpectedControls));

TEST(DialogTemplates, CaptionsAndKinds) {
  const std::pair<int, const char*> captions[] = {
      {100, "About Quorlan View"},
      {144, "Dialog"},
      {162, "Capture Status"},
      {164, "Set ORUpc date and time"},
      {171, "Dialog"},
      {178, "Application download status"},
      {196, "USB Rcv"},
  };
  for (const auto& [id, caption] : captions) {
    const DialogTemplate* dialog = FindDialogTemplate(id);
    ASSERT_NE(dialog, nullptr) << id;
    EXPECT_STREQ(dialog->caption, caption) << id;
    EXPECT_EQ(dialog->kind, DialogKind::Popup) << id;
  }
  EXPECT_STREQ(FindDialogTemplate(142)->caption, "ORUpc Configuration");
  EXPECT_STREQ(FindDialogTemplate(145)->caption, "Development / Debug");
  EXPECT_STREQ(FindDialogTemplate(170)->caption, "Recall Session");
  EXPECT_STREQ(FindDialogTemplate(174)->caption, "Recall Session");
  for (int form : {130, 101, 167, 173, 189, 193}) {
    EXPECT_EQ(FindDialogTemplate(form)->kind, DialogKind::ChildForm) << form;
  }
  // The signal-trace form's client area is 391 x 274 units.
  EXPECT_EQ(FindDialogTemplate(167)->rect.width, 391);
  EXPECT_EQ(FindDialogTemplate(167)->rect.height, 274);
  EXPECT_EQ(FindDialogTemplate(101)->kind, DialogKind::ChildForm);
  EXPECT_FALSE(FindDialogTemplate(152)->titleBar);
  EXPECT_EQ(FindDialogTemplate(152)->FindControl(1085)->imageId, 151);
  EXPECT_EQ(FindDialogTemplate(99999), nullptr);
}

TEST(DialogTemplates, ComboItemsAndStylesOfTheFindDialogAndControlPanel) {
  const DialogTemplate& find = *FindDialogTemplate(171);
  const DialogControl& kind = *find.FindControl(1122);
  EXPECT_TRUE(kind.style & StyleSorted);
  EXPECT_FALSE(kind.style & StyleComboEditable);  // a drop-down list
  EXPECT_EQ(std::vector<std::string>(kind.items.begin(), kind.items.end()),
            (std::vector<std::string>{"ASCII text", "asdf", "asdf"}));
  EXPECT_EQ(find.FindControl(1120)->limit, 20);
  EXPECT_TRUE(find.FindControl(1123)->style & StyleDisabled);

  const DialogTemplate& panel = *FindDialogTemplate(130);
  auto items = [&](int id) {
    std::vector<std::string> texts;
    for (const char* item : panel.FindControl(id)->items) texts.emplace_back(item);
    return texts;
  };
  EXPECT_EQ(items(1150), (std::vector<std::string>{"B300", "1200/2400", "9600", "14400"}));
  EXPECT_EQ(items(1151), (std::vector<std::string>{"8N1", "7E1"}));
  EXPECT_EQ(items(1152), (std::vector<std::string>{"ASYNC", "SYNC"}));
  EXPECT_EQ(items(1154), (std::vector<std::string>{"Single", "Multiple"}));
  // ASCII and HEX form one group of their own.
  EXPECT_TRUE(panel.FindControl(1003)->style & StyleGroup);
  EXPECT_FALSE(panel.FindControl(1004)->style & StyleGroup);
}

TEST(DialogTemplates, StartStatesTheWindowsRelyOn) {
  // Configuration: everything starts disabled except OK and Cancel.
  for (const DialogControl& control : FindDialogTemplate(142)->controls) {
    if (control.id == kStaticControlId) continue;
    const bool enabled = control.id == kOkControlId || control.id == kCancelControlId;
    EXPECT_EQ((control.style & StyleDisabled) == 0, enabled) << control.id;
  }
  EXPECT_EQ(FindDialogTemplate(142)->FindControl(1034)->limit, 15);
  EXPECT_EQ(FindDialogTemplate(142)->FindControl(1035)->limit, 2);
  // Signal-trace form: the line and trace buttons exist hidden and disabled.
  for (int id : {1045, 1046, 1094, 1095}) {
    const uint32_t style = FindDialogTemplate(167)->FindControl(id)->style;
    EXPECT_TRUE((style & StyleHidden) && (style & StyleDisabled)) << id;
  }
  EXPECT_FALSE(FindDialogTemplate(167)->FindControl(1172)->style & StyleHidden);
  // Trace control: combo items in the order of their stored settings, edit limits.
  const DialogTemplate& trace = *FindDialogTemplate(193);
  auto items = [&](int id) {
    const auto& list = trace.FindControl(id)->items;
    return std::vector<std::string>(list.begin(), list.end());
  };
  EXPECT_EQ(items(1164), (std::vector<std::string>{"60 V DC", "30 V DC", "1.5 V AC p-p", "0.7 V AC p-p"}));
  EXPECT_EQ(items(1165),
            (std::vector<std::string>{"5 seconds", "10 seconds", "15 seconds", "20 seconds", "60 seconds"}));
  EXPECT_EQ(items(1166), (std::vector<std::string>{"Dialtone", "DTMF", "Ringback", "Voltage"}));
  EXPECT_EQ(trace.FindControl(1167)->limit, 11);
  EXPECT_EQ(trace.FindControl(1168)->limit, 2);
  EXPECT_EQ(trace.FindControl(1169)->limit, 3);
  EXPECT_EQ(FindDialogTemplate(145)->FindControl(1013)->limit, 61);
}

// The dialog-unit height a control really takes (a combo box's rectangle includes its list).
int FieldHeight(const DialogControl& control) {
  return control.kind == ControlKind::ComboBox ? 13 : control.rect.height;
}

bool Overlap(const DialogControl& a, const DialogControl& b) {
  return a.rect.x < b.rect.x + b.rect.width && b.rect.x < a.rect.x + a.rect.width &&
         a.rect.y < b.rect.y + FieldHeight(b) && b.rect.y < a.rect.y + FieldHeight(a);
}

bool Surrounds(const DialogControl& control) {
  return control.kind == ControlKind::GroupBox || control.kind == ControlKind::Frame;
}

class EveryTemplateTest : public testing::TestWithParam<int> {};

TEST_P(EveryTemplateTest, ControlsHaveOwnIdsStayInsideAndDoNotOverlap) {
  const DialogTemplate& dialog = *FindDialogTemplate(GetParam());
  std::set<int> ids;
  for (const DialogControl& control : dialog.controls) {
    if (control.id != kStaticControlId) {
      EXPECT_TRUE(ids.insert(control.id).second) << "id " << control.id << " twice";
    }
    EXPECT_GE(control.rect.x, 0) << control.id;
    EXPECT_GE(control.rect.y, 0) << control.id;
    EXPECT_LE(control.rect.x + control.rect.width, dialog.rect.width) << control.id;
    EXPECT_LE(control.rect.y + FieldHeight(control), dialog.rect.height) << control.id;
  }
  for (size_t i = 0; i < dialog.controls.size(); ++i) {
    for (size_t j = i + 1; j < dialog.controls.size(); ++j) {
      const DialogControl& a = dialog.controls[i];
      const DialogControl& b = dialog.controls[j];
      if (Surrounds(a) || Surrounds(b)) continue;
      EXPECT_FALSE(Overlap(a, b)) << "controls " << a.id << " (" << a.text << ") and " << b.id << " (" << b.text
                                  << ") overlap";
    }
  }
}

std::vector<int> AllTemplateIds() {
  std::vector<int> ids;
  for (const DialogTemplate* dialog : AllDialogTemplates()) ids.push_back(dialog->id);
  return ids;
}

INSTANTIATE_TEST_SUITE_P(All, EveryTemplateTest, testing::ValuesIn(AllTemplateIds()));

TEST(DialogTemplates, EachFileIsLinkedAndIdsAreUnique) {
  std::vector<int> ids = AllTemplateIds();
  for (int id : {100, 101, 130, 142, 144, 145, 152, 162, 164, 167, 170, 171, 173, 174, 178, 189, 193, 196}) {
    EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << id;
  }
  EXPECT_TRUE(std::adjacent_find(ids.begin(), ids.end()) == ids.end());
}

struct ExpectedString {
  int id;
  const char* text;
};

const ExpectedString kExpectedStrings[] = {
    // Capture end: 800 + code.
    {800, " "},
    {801, "Capture aborted."},
    {802, "Modem initialization error."},
    {803, "ATA modem error."},
    {804, "ATD modem error."},
    {805, "DTMF trigger string error."},
    {806, "H1 command error."},
    {807, "Modem timeout."},
    {808, "DCD error."},
    {809, "Capture session complete."},
    {810, "Vacant POTS line."},
    {811, "Busy POTS line."},
    {812, "ATA DCD timeout."},
    {813, "ATD DCD timeout."},
    {814, "Connect speed mismatch."},
    {815, "No answer from host."},
    // Message descriptions: message id - 1024.
    {2025 - 1024, "Set the ORUpc capture configuration"},
    {2034 - 1024, "Retreive capture data from the ORUpc"},
    {2039 - 1024, "Set the parent hWnd for messaging"},
    {2059 - 1024, "Abort the ORU MOTdownload"},
    {2061 - 1024, "Show the about box"},
    {2068 - 1024, "Start ORU signal trace"},
    {2072 - 1024, "ORU disconnected via pnp event"},
    {2000, "GENERAL Thread message -- TERMINATE"},
    // Start-up.
    {104, "Windows sockets initialization failed."},
    // Status panes.
    {59000, "USB disconnected"},
    {59001, "01234567890123456789012345"},
    {59002, "Capture Buffer: 999999 bytes"},
    {59003, "xxxxxxxx"},
    {59004, "xxxxxxxx"},
    {59005, "xxxxxxxx"},
    {59006, "012345678901234"},
    {59009, "Intercept Mode"},
    // Command prompts.
    {57600, "Create a new capture session\nNew"},
    {57601, "Open an existing capture session\nOpen"},
    {32798, "Concatenate buffer with new capture data "},
    {32797, "Overwrite current capture data"},
    {32790, "Save current buffer before new capture"},
    {32806, "Enter ORUpc clock time"},
    // Calibration prompts.
    {202,
     "1.  Select line 1 on the test station\n\n2.  Short the line input.\n\n3.  Press OK to "
     "continue or Cancel to abort\n"},
    {206,
     "1.  Select line 2 on the test station\n\n2.  Set the DC voltage source to 20.00 "
     "volts.\n\n3.  Press OK to continue or Cancel to abort\n"},
    {215,
     "1.  Select line 3 on the test station\n\n2.  Set the AC voltage source to 2.19 volts "
     "peak-to-peak\n\n3.  Press OK to continue or Cancel to abort\n"},
    {216, "Calibration data is not valid."},
};

class StringTableTest : public testing::TestWithParam<ExpectedString> {};

TEST_P(StringTableTest, LoadsTheText) {
  const char* text = LoadResourceString(GetParam().id);
  ASSERT_NE(text, nullptr) << GetParam().id;
  EXPECT_STREQ(text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Strings, StringTableTest, testing::ValuesIn(kExpectedStrings));

TEST(StringTable, AbsentIdsGiveNullAndAnEndCodeAbove15IsEmpty) {
  EXPECT_EQ(LoadResourceString(IDS_CAPTURE_END_NONE + 16), nullptr);
  EXPECT_STREQ(LoadResourceStringOrEmpty(IDS_CAPTURE_END_NONE + 16), "");
  EXPECT_EQ(LoadResourceString(201), nullptr);  // no prompt has this id
  EXPECT_EQ(LoadResourceString(-1), nullptr);
  // The message texts are the descriptions of sent or handled ids only.
  EXPECT_EQ(LoadResourceString(2028 - 1024), nullptr);
}

TEST(StringTable, EveryDeviceConsoleStatusWordExists) {
  for (int id = 3000; id <= 3007; ++id) {
    ASSERT_NE(LoadResourceString(id), nullptr) << id;
    EXPECT_GT(std::string(LoadResourceString(id)).size(), 0u) << id;
  }
}

TEST(StringTable, NoIdIsDefinedTwice) {
  const std::vector<StringEntry> all = AllResourceStrings();
  for (size_t i = 1; i < all.size(); ++i) {
    EXPECT_NE(all[i - 1].id, all[i].id) << "string " << all[i].id << " is defined twice";
  }
}

TEST(StringTable, CalibrationPromptsNameTheirLine) {
  // DC offset, DC gain #1, DC gain #2, AC offset, AC gain, per line 1/2/3.
  const int perLine[3][5] = {{200, 202, 203, 210, 211}, {204, 205, 206, 212, 213}, {207, 208, 209, 214, 215}};
  for (int line = 0; line < 3; ++line) {
    const std::string select = "Select line " + std::to_string(line + 1) + " on the test station";
    for (int id : perLine[line]) {
      ASSERT_NE(LoadResourceString(id), nullptr) << id;
      EXPECT_NE(std::string(LoadResourceString(id)).find(select), std::string::npos) << id;
    }
  }
}

struct ExpectedMenuItem {
  int id;
  const char* text;
  std::vector<std::string> path;  // the popups that hold it
};

const ExpectedMenuItem kMenuItems[] = {
    {57600, "&New\tCtrl+N", {"&File"}},
    {57601, "&Open...\tCtrl+O", {"&File"}},
    {32811, "&Close", {"&File"}},
    {57603, "&Save\tCtrl+S", {"&File"}},
    {57604, "Save &As...", {"&File"}},
    {32799, "&Export to text...", {"&File"}},
    {57607, "&Print...\tCtrl+P", {"&File"}},
    {57609, "Print Pre&view", {"&File"}},
    {ID_FILE_MRU_FILE1, "Recent File", {"&File"}},
    {32798, "Concatenate current capture data", {"&Options", "New Capture"}},
    {32797, "Overwrites current capture data", {"&Options", "New Capture"}},
    {32790, "Autosave current capture data", {"&Options", "New Capture"}},
    {32778, "Select new color", {"&Options", "Colors...", "Answer Color"}},
    {32781, "Set to default color", {"&Options", "Colors...", "Answer Color"}},
    {32779, "Select new color", {"&Options", "Colors...", "Originate Color"}},
    {32782, "Set to default color", {"&Options", "Colors...", "Originate Color"}},
    {32794, "Select new color", {"&Options", "Colors...", "Marker Color"}},
    {32795, "Set to default", {"&Options", "Colors...", "Marker Color"}},
    {32783, "Set all to default", {"&Options", "Colors..."}},
    {32801, "Set Autosave folder", {"&Options"}},
    {32808, "Load ORU Application", {"&Options"}},
    {57664, "&About...", {"&Help"}},
};

bool FindPath(const std::vector<MenuItem>& items, int id, std::vector<std::string>& path, const MenuItem** found) {
  for (const MenuItem& item : items) {
    if (item.kind == MenuItemKind::Popup) {
      path.emplace_back(item.text);
      if (FindPath(item.items, id, path, found)) return true;
      path.pop_back();
    } else if (item.kind != MenuItemKind::Separator && item.id == id) {
      *found = &item;
      return true;
    }
  }
  return false;
}

class MainMenuTest : public testing::TestWithParam<ExpectedMenuItem> {};

TEST_P(MainMenuTest, ItemHasItsTextAndPlace) {
  const MenuResource* menu = FindMenuResource(IDR_MAINFRAME);
  ASSERT_NE(menu, nullptr);
  std::vector<std::string> path;
  const MenuItem* item = nullptr;
  ASSERT_TRUE(FindPath(menu->popups, GetParam().id, path, &item)) << GetParam().id;
  EXPECT_STREQ(item->text, GetParam().text);
  EXPECT_EQ(path, GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(Menu128, MainMenuTest, testing::ValuesIn(kMenuItems));

TEST(MainMenu, OnlyTheNewCaptureChoicesAreCheckableAndIdsAreUnique) {
  const MenuResource& menu = *FindMenuResource(IDR_MAINFRAME);
  std::vector<int> ids = MenuCommandIds(menu);
  std::sort(ids.begin(), ids.end());
  EXPECT_TRUE(std::adjacent_find(ids.begin(), ids.end()) == ids.end());
  for (int id : ids) {
    const MenuItem* item = FindMenuItem(menu, id);
    ASSERT_NE(item, nullptr) << id;
    const bool choice = id == 32798 || id == 32797 || id == 32790;
    EXPECT_EQ(item->checkable, choice) << id;
  }
  // The recent-file place stands for four commands.
  for (int i = 0; i < kRecentFileCount; ++i) {
    EXPECT_TRUE(std::binary_search(ids.begin(), ids.end(), ID_FILE_MRU_FILE1 + i));
  }
}

TEST(MainMenu, ClockCommandsHaveNoMenuItemButtonOrKey) {
  const MenuResource& menu = *FindMenuResource(IDR_MAINFRAME);
  const ToolbarResource& toolbar = *FindToolbarResource(128);
  const AcceleratorTable& keys = *FindAcceleratorTable(128);
  for (int id : {32788, 32806, 32774, 32812}) {
    if (id == 32788 || id == 32806) {
      for (const Accelerator& key : keys.entries) EXPECT_NE(key.commandId, id);
    }
    EXPECT_EQ(FindMenuItem(menu, id), nullptr) << id;
    EXPECT_EQ(std::count(toolbar.buttons.begin(), toolbar.buttons.end(), id), 0) << id;
  }
}

TEST(Toolbar, NewOpenSavePrintAboutWithSeparators) {
  const ToolbarResource* toolbar = FindToolbarResource(128);
  ASSERT_NE(toolbar, nullptr);
  EXPECT_EQ(toolbar->buttons,
            (std::vector<int>{57600, 57601, 57603, kToolbarSeparator, 57607, kToolbarSeparator, 57664}));
  // Every button's command is in the menu, so it shares the menu's action.
  const MenuResource& menu = *FindMenuResource(IDR_MAINFRAME);
  for (int id : toolbar->buttons) {
    if (id != kToolbarSeparator) {
      EXPECT_NE(FindMenuItem(menu, id), nullptr) << id;
    }
  }
}

TEST(Accelerators, TableAndKeyTexts) {
  const AcceleratorTable* table = FindAcceleratorTable(128);
  ASSERT_NE(table, nullptr);
  const std::pair<const char*, int> expected[] = {
      {"Ctrl+N", 57600}, {"Ctrl+O", 57601},       {"Ctrl+S", 57603},       {"Ctrl+P", 57607},
      {"Ctrl+F", 32802}, {"Ctrl+Shift+D", 32774}, {"Ctrl+Shift+U", 32812},
  };
  ASSERT_EQ(table->entries.size(), std::size(expected));
  for (size_t i = 0; i < table->entries.size(); ++i) {
    EXPECT_EQ(AcceleratorText(table->entries[i]), expected[i].first);
    EXPECT_EQ(table->entries[i].commandId, expected[i].second);
  }
  EXPECT_EQ(AcceleratorText({0x70, AccelNone, 0}), "F1");
  EXPECT_EQ(AcceleratorText({'9', AccelAlt, 0}), "Alt+9");
}

TEST(Accelerators, MenuTextsShowTheKeysTheTableHolds) {
  const MenuResource& menu = *FindMenuResource(IDR_MAINFRAME);
  const AcceleratorTable& table = *FindAcceleratorTable(128);
  for (int id : MenuCommandIds(menu)) {
    const MenuItem* item = FindMenuItem(menu, id);
    ASSERT_NE(item, nullptr) << id;
    const std::string text = item->text;
    const size_t tab = text.find('\t');
    std::string tableKey;
    for (const Accelerator& key : table.entries) {
      if (key.commandId == id) tableKey = AcceleratorText(key);
    }
    if (tab == std::string::npos) {
      EXPECT_EQ(tableKey, "") << id << " has a key but its menu text does not show it";
    } else {
      EXPECT_EQ(text.substr(tab + 1), tableKey) << id;
    }
  }
}

}  // namespace
