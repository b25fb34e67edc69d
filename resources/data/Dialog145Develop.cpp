// "Development / Debug": raw USB traffic on the left, calibration of the three lines on the right.
#include "resources/data/DialogTemplate.h"

namespace {

DialogControl Text(int id, const char* text, DialogRect rect, uint32_t style = StyleNone) {
  return {.id = id, .kind = ControlKind::Static, .text = text, .rect = rect, .style = style};
}
DialogControl Button(int id, const char* text, DialogRect rect, uint32_t style = StyleTabStop) {
  return {.id = id, .kind = ControlKind::PushButton, .text = text, .rect = rect, .style = style};
}
DialogControl Radio(int id, const char* text, DialogRect rect, uint32_t style = StyleNone) {
  return {.id = id, .kind = ControlKind::RadioButton, .text = text, .rect = rect, .style = style};
}

// One line's calibration box: four factor texts and its Calibrate button.
void AddLine(std::vector<DialogControl>& controls, int box, const char* title, int top,
             const int (&factors)[4], int calibrate, const char* calibrateText) {
  controls.push_back({.id = box, .kind = ControlKind::GroupBox, .text = title,
                      .rect = {265, top, 155, 50}});
  controls.push_back(Text(factors[0], "", {272, top + 11, 70, 8}));
  controls.push_back(Text(factors[1], "", {345, top + 11, 70, 8}));
  controls.push_back(Text(factors[2], "", {272, top + 21, 70, 8}));
  controls.push_back(Text(factors[3], "", {345, top + 21, 70, 8}));
  controls.push_back(Button(calibrate, calibrateText, {272, top + 32, 70, 14}));
}

std::vector<DialogControl> Controls() {
  std::vector<DialogControl> controls = {
      {.id = 1013, .kind = ControlKind::Edit, .rect = {7, 7, 150, 12},
       .style = StyleBorder | StyleTabStop | StyleGroup, .limit = 61},
      Button(1012, "Send", {162, 6, 40, 14}, StyleDefault | StyleTabStop),
      {.id = 1173, .kind = ControlKind::CheckBox, .text = "1000 times", .rect = {207, 8, 54, 10},
       .style = StyleAutoCheck | StyleTabStop},
      {.id = 1015, .kind = ControlKind::ComboBox, .rect = {7, 24, 150, 60},
       .style = StyleVScroll | StyleTabStop},
      Button(1016, "Receive", {162, 23, 40, 14}),
      Text(1014, "Status:", {7, 42, 250, 8}),
      Text(1021, "Bytes written:", {7, 54, 95, 8}),
      Text(1022, "Bytes Read:", {107, 54, 95, 8}),
      {.id = 1020, .kind = ControlKind::ListBox, .rect = {7, 66, 195, 90},
       .style = StyleBorder | StyleVScroll | StyleTabStop},
      {.id = 1019, .kind = ControlKind::ListBox, .rect = {207, 66, 50, 90},
       .style = StyleBorder | StyleVScroll | StyleTabStop},
      {.id = 1026, .kind = ControlKind::Edit, .rect = {7, 162, 150, 12},
       .style = StyleBorder | StyleTabStop},
      Button(1025, "Save", {162, 161, 40, 14}),
      Button(1027, "Recall Capture", {7, 182, 62, 14}),
      Button(1028, "HDLC Test", {73, 182, 50, 14}),
      Button(1137, "Download App", {127, 182, 62, 14}),
      Button(1176, "EP1", {193, 182, 30, 14}),
      Button(1177, "EP2", {227, 182, 30, 14}),
      Button(1044, "Digital Meter", {7, 202, 62, 14}),
      Radio(1045, "Line 1", {75, 204, 40, 10}, StyleGroup | StyleTabStop),
      Radio(1046, "Line 2", {119, 204, 40, 10}),
      Radio(1047, "Line 3", {163, 204, 40, 10}),
      Radio(1097, "DC", {265, 8, 30, 10}, StyleGroup | StyleTabStop),
      Radio(1098, "AC", {299, 8, 30, 10}),
      Radio(1099, "Both DC and AC", {333, 8, 87, 10}),
  };
  AddLine(controls, 1081, "Line 1", 22, {1071, 1072, 1073, 1074}, 1048, "Calibrate Line 1");
  AddLine(controls, 1082, "Line 2", 76, {1075, 1076, 1077, 1078}, 1049, "Calibrate Line 2");
  AddLine(controls, 1083, "Line 3", 130, {1079, 1080, 1084, 1085}, 1050, "Calibrate Line 3");
  controls.push_back(Button(1101, "Store Calibration Data", {265, 186, 100, 14}));
  controls.push_back({.id = 1017, .kind = ControlKind::Frame, .rect = {265, 206, 155, 10},
                      .style = StyleSunken});
  controls.push_back(Button(kOkControlId, "OK", {370, 226, 50, 14}, StyleGroup | StyleTabStop));
  return controls;
}

}  // namespace

const DialogTemplate& Dialog145Develop() {
  static const DialogTemplate dialog{
      .id = 145,
      .caption = "Development / Debug",
      .rect = {0, 0, 427, 247},
      .controls = Controls(),
  };
  return dialog;
}
