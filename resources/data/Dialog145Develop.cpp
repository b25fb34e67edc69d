// "Development / Debug": raw USB traffic on the left, calibration of the three lines on the right.
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"

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
      {.id = IDC_TRANSMIT, .kind = ControlKind::Edit, .rect = {7, 7, 150, 12},
       .style = StyleBorder | StyleTabStop | StyleGroup, .limit = 61},
      Button(IDC_SEND, "Send", {162, 6, 40, 14}, StyleDefault | StyleTabStop),
      {.id = IDC_REPEAT_1000, .kind = ControlKind::CheckBox, .text = "1000 times", .rect = {207, 8, 54, 10},
       .style = StyleAutoCheck | StyleTabStop},
      {.id = IDC_STATUS_CHOICE, .kind = ControlKind::ComboBox, .rect = {7, 24, 150, 60},
       .style = StyleVScroll | StyleTabStop},
      Button(IDC_RECEIVE, "Receive", {162, 23, 40, 14}),
      Text(IDC_STATUS_TEXT, "Status:", {7, 42, 250, 8}),
      Text(IDC_BYTES_WRITTEN, "Bytes written:", {7, 54, 95, 8}),
      Text(IDC_BYTES_READ, "Bytes Read:", {107, 54, 95, 8}),
      {.id = IDC_RECEIVE_LIST, .kind = ControlKind::ListBox, .rect = {7, 66, 195, 90},
       .style = StyleBorder | StyleVScroll | StyleTabStop},
      {.id = IDC_RECEIVE_SIDE_LIST, .kind = ControlKind::ListBox, .rect = {207, 66, 50, 90},
       .style = StyleBorder | StyleVScroll | StyleTabStop},
      {.id = IDC_FILE_NAME, .kind = ControlKind::Edit, .rect = {7, 162, 150, 12},
       .style = StyleBorder | StyleTabStop},
      Button(IDC_SAVE, "Save", {162, 161, 40, 14}),
      Button(IDC_RECALL_CAPTURE, "Recall Capture", {7, 182, 62, 14}),
      Button(IDC_HDLC_TEST, "HDLC Test", {73, 182, 50, 14}),
      Button(IDC_DOWNLOAD_APP, "Download App", {127, 182, 62, 14}),
      Button(IDC_EP1, "EP1", {193, 182, 30, 14}),
      Button(IDC_EP2, "EP2", {227, 182, 30, 14}),
      Button(IDC_DIGITAL_METER, "Digital Meter", {7, 202, 62, 14}),
      Radio(IDC_LINE1, "Line 1", {75, 204, 40, 10}, StyleGroup | StyleTabStop),
      Radio(IDC_LINE2, "Line 2", {119, 204, 40, 10}),
      Radio(IDC_LINE3, "Line 3", {163, 204, 40, 10}),
      Radio(IDC_METER_DC, "DC", {265, 8, 30, 10}, StyleGroup | StyleTabStop),
      Radio(IDC_METER_AC, "AC", {299, 8, 30, 10}),
      Radio(IDC_METER_BOTH, "Both DC and AC", {333, 8, 87, 10}),
  };
  AddLine(controls, IDC_CAL_LINE1_GROUP, "Line 1", 22, {IDC_LINE1_DC_OFFSET, IDC_LINE1_DC_GAIN, IDC_LINE1_AC_OFFSET, IDC_LINE1_AC_GAIN}, IDC_CALIBRATE_LINE1, "Calibrate Line 1");
  AddLine(controls, IDC_CAL_LINE2_GROUP, "Line 2", 76, {IDC_LINE2_DC_OFFSET, IDC_LINE2_DC_GAIN, IDC_LINE2_AC_OFFSET, IDC_LINE2_AC_GAIN}, IDC_CALIBRATE_LINE2, "Calibrate Line 2");
  AddLine(controls, IDC_CAL_LINE3_GROUP, "Line 3", 130, {IDC_LINE3_DC_OFFSET, IDC_LINE3_DC_GAIN, IDC_LINE3_AC_OFFSET, IDC_LINE3_AC_GAIN}, IDC_CALIBRATE_LINE3, "Calibrate Line 3");
  controls.push_back(Button(IDC_STORE_CALIBRATION, "Store Calibration Data", {265, 186, 100, 14}));
  controls.push_back({.id = IDC_CAL_PROGRESS, .kind = ControlKind::Frame, .rect = {265, 206, 155, 10},
                      .style = StyleSunken});
  controls.push_back(Button(kOkControlId, "OK", {370, 226, 50, 14}, StyleGroup | StyleTabStop));
  return controls;
}

}  // namespace

const DialogTemplate& Dialog145Develop() {
  static const DialogTemplate dialog{
      .id = IDD_DEVELOP,
      .caption = "Development / Debug",
      .rect = {0, 0, 427, 247},
      .controls = Controls(),
  };
  return dialog;
}
