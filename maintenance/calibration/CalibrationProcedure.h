#pragma once

// The calibration of the three measuring lines as the development dialog runs it: the meter
// selection, the start of a line, each step's report from the worker with the next prompt, the
// validity check and store of each group, "Store Calibration Data", the read-back at opening and
// the progress bar's ticks. The worker measures; this class only asks and posts.

#include <array>
#include <string>

#include "link/store/OruData.h"
#include "maintenance/calibration/CalibrationHost.h"
#include "maintenance/calibration/CalibrationValidity.h"

class CalibrationProcedure {
 public:
  CalibrationProcedure(CORUData& store, CalibrationHost& host) : store_(store), host_(host) {}

  // Radio IDC_METER_DC (0), IDC_METER_AC (1), IDC_METER_BOTH (2); any other index clears the selection.
  void SelectMeter(int index);
  int StepMask() const { return stepMask_; }

  // "Calibrate Line n".
  void StartLine(int line);
  // WM_ORU_CALIBRATION_STEP_DONE: wParam line, lParam the step (CALIBRATION_STEP_FAILED set when
  // the worker could not measure it).
  void OnCalibrationStep(int line, LPARAM lParam);
  // The texts of one group (DC for any of bits 1, 2, 4; AC for 8 or 16).
  void ShowCalFactors(int line, int group);
  bool IsCalibrationValid(int line, int group) { return ::IsCalibrationValid(store_, line, group); }
  void OnStoreCalibration();

  // At every opening: with a device, busy until all six (line, group) read-backs were shown.
  void StartReadBack();
  // WM_ORU_GET_CAL_FACTORS: wParam line, lParam the group or the step that read it.
  void OnFactorsRead(int line, LPARAM lParam);
  bool ReadBackRunning() const { return readBackPending_ != 0; }

  // One tick of timer 1: the width of the bar to draw in a static `staticWidth` wide (0 = the
  // static is empty), then a tick is counted while a step is busy.
  int TimerTick(int staticWidth);

  bool Busy() const { return busy_; }
  int Ticks() const { return ticks_; }
  const std::string& Status() const { return status_; }
  const FactorTexts& Texts() const { return texts_; }
  COLORREF LineColor(int line) { return GroupColor(store_, line); }

 private:
  // A prompt of step `step`; on OK busy, its status and the post; on Cancel the procedure ends.
  bool AskForStep(int line, int step);
  // The group's check after its last step: valid posts the store, not valid says so.
  void CheckGroup(int line, int group);
  void SetStatus(const std::string& text);
  void Finish(int line, const std::string& status);

  CORUData& store_;
  CalibrationHost& host_;
  int stepMask_ = -1;
  bool busy_ = false;
  int ticks_ = 0;
  std::string status_;
  FactorTexts texts_;
  unsigned readBackPending_ = 0;  // one bit per (line, group) not shown yet
};

// Texts of a step: its string resource, the prompt caption and the status while it is measured.
struct CalibrationStepTexts {
  int promptId = 0;
  std::string caption;
  std::string status;
};
// For line 1..3 and step 1, 2, 4, 8 or 16; promptId 0 for anything else.
CalibrationStepTexts StepTexts(int line, int step);
