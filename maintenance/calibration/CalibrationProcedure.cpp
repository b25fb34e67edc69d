#include "maintenance/calibration/CalibrationProcedure.h"

#include "link/protocol/CalibrationCommands.h"
#include "link/worker/CalibrationStep.h"
#include "link/protocol/WorkerMessages.h"
#include "resources/data/ResourceIds.h"
#include "resources/data/StringTable.h"
#include "shell/model/ShellConstants.h"

namespace {

constexpr int kMasks[] = {7, 24, 31};
constexpr unsigned kAllReadBacks = 0x3F;

std::string LineText(int line) { return std::to_string(line); }

// Bit of one (line, group) pair in the read-back set; 0 when the pair names nothing.
unsigned ReadBackBit(int line, int group) {
  if (line < 1 || line > 3) return 0;
  const int shift = (line - 1) * 2;
  if (IsDcStepMask(group)) return 1u << shift;
  if (IsAcStepMask(group)) return 2u << shift;
  return 0;
}

}  // namespace

CalibrationStepTexts StepTexts(int line, int step) {
  struct Row {
    int step;
    int prompts[3];  // string resources of lines 1, 2, 3
    const char* caption;
    const char* status;
  };
  static constexpr Row kRows[] = {
      {1,
       {IDS_CAL_LINE1_DC_GAIN1, IDS_CAL_LINE2_DC_GAIN1, IDS_CAL_LINE3_DC_GAIN1},
       " DC Gain Measurement #1",
       " DC gain"},
      {2,
       {IDS_CAL_LINE1_DC_GAIN2, IDS_CAL_LINE2_DC_GAIN2, IDS_CAL_LINE3_DC_GAIN2},
       " DC Gain Measurement #2",
       " DC gain"},
      {4, {IDS_CAL_LINE1_DC_OFFSET, IDS_CAL_LINE2_DC_OFFSET, IDS_CAL_LINE3_DC_OFFSET}, " DC Offset", " DC offset"},
      {8, {IDS_CAL_LINE1_AC_GAIN, IDS_CAL_LINE2_AC_GAIN, IDS_CAL_LINE3_AC_GAIN}, " AC Gain", " AC gain"},
      {16, {IDS_CAL_LINE1_AC_OFFSET, IDS_CAL_LINE2_AC_OFFSET, IDS_CAL_LINE3_AC_OFFSET}, " AC Offset", " AC offset"},
  };
  if (line < 1 || line > 3) return {};
  for (const Row& row : kRows) {
    if (row.step != step) continue;
    const std::string n = LineText(line);
    return {row.prompts[line - 1], "Line " + n + row.caption, "Calibrating LINE " + n + row.status};
  }
  return {};
}

void CalibrationProcedure::SelectMeter(int index) { stepMask_ = index >= 0 && index < 3 ? kMasks[index] : -1; }

void CalibrationProcedure::SetStatus(const std::string& text) {
  status_ = text;
  host_.SetStatus(text);
}

void CalibrationProcedure::StartLine(int line) {
  if (!host_.DeviceOpen() || stepMask_ == -1) {
    if (stepMask_ == -1) {
      host_.MessageBox("Select a meter to calibrate,\nthen press the Calibrate Line button", "Calibration Error",
                       MB_OK | MB_SYSTEMMODAL | MB_ICONEXCLAMATION);
    } else {
      host_.MessageBox("No USB connection to ORUpc", "COMM Error", MB_OK | MB_SYSTEMMODAL);
    }
    return;
  }
  if (stepMask_ & 1) {
    AskForStep(line, 1);
  } else if (stepMask_ & 8) {
    AskForStep(line, 8);
  }
}

bool CalibrationProcedure::AskForStep(int line, int step) {
  const CalibrationStepTexts texts = StepTexts(line, step);
  if (texts.promptId == 0) return false;
  const int answer =
      host_.MessageBox(LoadResourceStringOrEmpty(texts.promptId), texts.caption, MB_OKCANCEL | MB_ICONEXCLAMATION);
  if (answer != IDOK) {
    busy_ = false;
    SetStatus("Calibration cancelled");
    return false;
  }
  busy_ = true;
  SetStatus(texts.status);
  host_.PostToWorker(WM_ORU_CALIBRATE_LINE, static_cast<WPARAM>(line), step);
  return true;
}

void CalibrationProcedure::CheckGroup(int line, int group) {
  if (IsCalibrationValid(line, group)) {
    host_.PostToWorker(WM_ORU_STORE_CAL_FACTORS, 0, 0);
    return;
  }
  const std::string caption = "Line " + LineText(line) + (group == kDcGroupMask ? " DC Meter" : " AC Meter");
  host_.MessageBox(LoadResourceStringOrEmpty(IDS_CAL_INVALID), caption, MB_OK | MB_ICONEXCLAMATION);
}

void CalibrationProcedure::Finish(int line, const std::string& status) {
  busy_ = false;
  SetStatus(status);
  host_.FactorsChanged(line);
}

void CalibrationProcedure::OnCalibrationStep(int line, LPARAM lParam) {
  const int step = static_cast<int>(lParam & 0xFF);
  busy_ = false;
  ticks_ = 0;
  ShowCalFactors(line, step);
  // The worker could not measure: its factors are those read before the step, so nothing of
  // this group may be stored.
  if ((lParam & CALIBRATION_STEP_FAILED) != 0) {
    Finish(line, "Calibration of LINE " + LineText(line) + " failed");
    return;
  }
  if (step == 1 && (stepMask_ & 2)) {
    AskForStep(line, 2);
  } else if (step == 2 && (stepMask_ & 4)) {
    AskForStep(line, 4);
  } else if (step == 4) {
    CheckGroup(line, kDcGroupMask);
    if (stepMask_ & 8) AskForStep(line, 8);
  } else if (step == 8 && (stepMask_ & 16)) {
    AskForStep(line, 16);
  } else {
    CheckGroup(line, kAcGroupMask);
    busy_ = false;
    SetStatus("Calibration of LINE " + LineText(line) + " complete");
  }
  host_.FactorsChanged(line);
}

void CalibrationProcedure::ShowCalFactors(int line, int group) {
  if (FormatFactorTexts(store_, line, group, texts_)) host_.FactorsChanged(line);
}

void CalibrationProcedure::OnStoreCalibration() {
  bool valid = true;
  for (int line = 1; line <= 3 && valid; ++line) {
    valid = IsCalibrationValid(line, kDcGroupMask) && IsCalibrationValid(line, kAcGroupMask);
  }
  const int answer = valid ? host_.MessageBox("Calibration data is VALID\n\nPress 'Ok' if you wish to store",
                                              "Calibration valid", MB_OKCANCEL | MB_SYSTEMMODAL)
                           : host_.MessageBox("Calibration data is INVALID\n\nPress 'Ok' if you wish to store",
                                              "Calibration INVALID", MB_OKCANCEL | MB_SYSTEMMODAL);
  if (answer == IDOK) host_.PostToWorker(WM_ORU_STORE_CAL_FACTORS, 0, 0);
}

void CalibrationProcedure::StartReadBack() {
  if (!host_.DeviceOpen()) return;
  busy_ = true;
  readBackPending_ = kAllReadBacks;
  SetStatus("Reading cal factors");
  for (int line = 1; line <= 3; ++line) {
    host_.PostToWorker(WM_ORU_GET_CAL_FACTORS, static_cast<WPARAM>(line), kDcGroupMask);
    host_.PostToWorker(WM_ORU_GET_CAL_FACTORS, static_cast<WPARAM>(line), kAcGroupMask);
  }
}

void CalibrationProcedure::OnFactorsRead(int line, LPARAM lParam) {
  const int group = static_cast<int>(lParam);
  ShowCalFactors(line, group);
  if (readBackPending_ == 0) return;
  // Each pair arrives once or twice (twice when its RC read succeeded): the first one counts.
  readBackPending_ &= ~ReadBackBit(line, group);
  if (readBackPending_ == 0) busy_ = false;
}

int CalibrationProcedure::TimerTick(int staticWidth) {
  constexpr int factor = 1;
  int width = 0;
  if (!busy_) {
    ticks_ = 0;
  } else if (ticks_ * factor < 100) {
    width = (staticWidth * ticks_ / 100) * factor;
  } else {
    ticks_ = 0;
  }
  if (busy_) ++ticks_;
  return width;
}
