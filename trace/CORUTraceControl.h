#pragma once

// CORUTraceControl: the form (template IDD_TRACE_CONTROL) above the read-out panel of the SIGNAL TRACE tab. It
// edits the triggered trace's settings (scale, span, trigger type and parameter, line), arms or
// aborts the trace on the instrument ("Capture Trace") and opens the stored-trace recall dialog
// ("Recall Trace"). The values live in the application's settings and go into the shared
// configuration just before the worker is asked to arm the trace.

#include <QTimer>
#include <QWidget>

#include "shell/views/ViewInterfaces.h"

struct ViewContext;
class CORUTraceRecall;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class CORUTraceControl final : public QWidget, public ITraceControl {
  Q_OBJECT
 public:
  static constexpr int kEnableTimerMs = 300;  // ID_TIMER_TRACE_CONTROLS

  CORUTraceControl(ViewContext& context, QWidget* parent);
  ~CORUTraceControl() override;

  // ITraceControl
  QWidget* Widget() override { return this; }
  QWidget* Control(int id) override;
  void OnUpdate() override;
  void StartEnableTimer() override;
  void StopEnableTimer() override;
  void OnTraceFinished() override;
  void RefreshFromSettings(int row) override;
  void AddSixtySecondSpan() override;
  void RemoveSixtySecondSpan() override;
  void ShowDcScales() override;
  void HideDcScales() override;
  void UpdateVoltageLabel() override;

  void OnCaptureTrace();
  void OnRecallTrace();
  void OnSelChangeSpan();
  void OnSelChangeScale();
  void OnSelChangeTrigger();
  void OnLine1() { OnLine(1); }
  void OnLine2() { OnLine(2); }
  // One tick of the enable timer.
  void OnTimer();

  bool EnableTimerRunning() const { return timer_.isActive(); }
  CORUTraceRecall& Recall() { return *recall_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnLine(int line);
  void OnChangeDtmfTrigger();
  void OnChangeRingbackQty();
  void EnableTriggerEdit(int selection);
  void SetLineRadios(int line);
  void SelectCombos(int scale, int span, int trigger);
  // After the Scale list was refilled: the listed selection becomes the setting.
  void StoreListedScale();
  // A new span or scale moves the marker on the plot: its pixel place is forgotten.
  void ForgetMarkerPlace();
  void Layout();

  ViewContext& context_;
  QPushButton* recallButton_ = nullptr;
  QLineEdit* dtmfEdit_ = nullptr;
  QLineEdit* ringbackEdit_ = nullptr;
  QLineEdit* voltageEdit_ = nullptr;
  QRadioButton* line1_ = nullptr;
  QRadioButton* line2_ = nullptr;
  QComboBox* triggerCombo_ = nullptr;
  QComboBox* spanCombo_ = nullptr;
  QComboBox* scaleCombo_ = nullptr;
  QPushButton* captureButton_ = nullptr;
  CORUTraceRecall* recall_ = nullptr;
  QTimer timer_;
};
