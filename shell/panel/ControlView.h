#pragma once

// CORUControlView: the form in the upper left pane of CAPTURE DATA (template IDD_CONTROL_PANEL). From it the
// user starts and stops a capture, a streamed signal trace, the line test and the DTMF decoder,
// opens the configuration, session-recall and find dialogs, and chooses how the capture is shown.
// Its choices live in three places at once: the controls, the settings and the store's sysCfg;
// the rules that keep them together are ControlPanelRules (Qt-free), this class shows them. The
// main frame drives the enabled state of the activity controls once per idle cycle and calls the
// reply handlers when the worker reports.
//
// Files: ControlView.cpp (form, showing the model, sizing), ControlViewDisplay.cpp (display and
// configuration handlers, OnUpdate, the configuration sync), ControlViewActivity.cpp (activity
// buttons, Capture, end of capture, dialogs).

#include <QWidget>

#include <vector>

#include "shell/views/ViewInterfaces.h"
#include "shell/model/ControlPanelActivity.h"
#include "shell/model/ControlPanelRules.h"

class CORUConfigureDlg;
class CORUFindDlg;
class CORUStandardComboBox;
struct ViewContext;
class QAbstractButton;
class QComboBox;
class ViewFactory;

class CORUControlView final : public QWidget, public IControlPanel {
  Q_OBJECT
 public:
  CORUControlView(ViewContext& context, QWidget* parent);
  ~CORUControlView() override;

  // ---- IShellView / IControlPanel ------------------------------------------------------------
  QWidget* Widget() override { return this; }
  void OnUpdate() override;
  QWidget* Control(int id) override;
  bool OnCommand(int id) override;
  void SyncControlsFromConfig(int sessionSlot) override;
  void ShowEndOfCapture() override;
  void ShowV21Standard() override;
  void HideV21Standard() override;
  void OnSignalTraceEnded() override;

  // ---- display and configuration controls ----------------------------------------------------
  void OnAscii();
  void OnHex();
  void OnHighlightParityBit();
  void OnHighlightParityErrors();
  void OnShowModemEvents();
  void OnBitStuffed();
  void OnSelchangeStandard();
  void OnSelchangeFormat();
  void OnSelchangeMode();
  void OnSelchangeSession();
  void ShowHighSpeedStandards();

  // ---- activity buttons and dialogs ----------------------------------------------------------
  void OnCapture();
  void OnSignalTrace();
  void OnLineTest();
  void OnDtmfDecoder();
  void OnConfigure();
  void OnRecallSession();
  void OnFind();

  const PanelControls& Controls() const { return controls; }
  CORUStandardComboBox* StandardCombo() const { return standardCombo; }
  // The embedded dialogs, made on first use.
  CORUConfigureDlg& ConfigureDialog();
  CORUFindDlg& FindDialog();
  ISessionRecall& RecallDialog();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  enum class AfterRule { Refresh, Redraw, Nothing };

  void BuildForm();
  void ConnectHandlers();
  // Runs `rule` on the controls, the settings and the store's words (under the store's lock), then
  // shows the controls and, unless told otherwise, refreshes the session view and updates the
  // views.
  template <class Rule>
  void RunRule(Rule&& rule, AfterRule after);
  void Render();
  // The device and the run state as the lock holder read it.
  PanelInput ReadFlags(RunState run) const;
  void RunPosts(const std::vector<PanelPost>& posts);
  // Reads the flags and runs the plan's posts under the store's lock, then the box when it is due.
  PanelPlan RunPlan(PanelPlan (*planner)(const PanelInput&));
  void ShowNoUsbConnection();
  void SetCaptureControlsEnabled(bool enabled);
  void ReloadOpenDialogs(int slot);
  void StartCapture(const CaptureDataRule& rule);

  ViewContext& context_;
  PanelControls controls;
  CORUStandardComboBox* standardCombo = nullptr;
  QComboBox* formatCombo = nullptr;
  QComboBox* modeCombo = nullptr;
  QComboBox* sessionCombo = nullptr;
  QAbstractButton* asciiRadio = nullptr;
  QAbstractButton* hexRadio = nullptr;
  QAbstractButton* parityBitBox = nullptr;
  QAbstractButton* parityErrorsBox = nullptr;
  QAbstractButton* modemEventsBox = nullptr;
  QAbstractButton* bitStuffedBox = nullptr;
  QAbstractButton* captureButton = nullptr;
  QAbstractButton* signalTraceButton = nullptr;
  CORUConfigureDlg* configureDlg = nullptr;
  CORUFindDlg* findDlg = nullptr;
  ISessionRecall* recallDlg = nullptr;
  int updating = 0;  // > 0 while an update runs, so a nested one does not start
};

// Fills the factory's control-panel slot with this view.
void RegisterControlView(ViewFactory& factory);
