#pragma once

// The calls the shell makes on the windows of the capture display, the signal trace and meters,
// maintenance and the control panel. shell/ never includes those folders: each window implements
// its interface and is made through the ViewFactory; until its folder registers it, a placeholder
// stands in.

#include <functional>

#include "shell/model/Notifications.h"

class QWidget;
class QPrinter;
class ViewSignals;
class SessionLayout;

// What every pane, tab window and dialog offers the shell.
class IShellView {
 public:
  virtual ~IShellView() = default;
  virtual QWidget* Widget() = 0;
  // The document's "update all views".
  virtual void OnUpdate() {}
  // A form's control by its template id; nullptr when it has none.
  virtual QWidget* Control(int /*id*/) { return nullptr; }
  // Printing, for the active view; false when the view does not print.
  virtual bool CanPrint() const { return false; }
  virtual void Print(QPrinter& /*printer*/) {}
  // What the view tells its siblings, for its tab frame to connect; null when it tells nothing.
  virtual ViewSignals* Signals() { return nullptr; }
};

// What one tab of the main frame shows (shell/views/TabPage.h): what starts the tab's activity
// when it is entered and stops it when it is left, and which view takes the commands.
class ITabPage : public IShellView {
 public:
  virtual void EnterTab() {}
  virtual void LeaveTab() {}
  // The view that prints and takes the commands while the tab shows; null for the capture view.
  virtual IShellView* CommandView() { return nullptr; }
};

class ISessionView : public IShellView {
 public:
  virtual void Refresh() = 0;  // lays the capture out again
  virtual void Redraw() = 0;   // invalidate, erase, update now
  // Refresh with the layout done before it returns, so that no paint can come between: for a
  // capture replaced outside the store's lock (a file opened).
  virtual void RefreshNow() = 0;
  virtual bool LiveRefreshRunning() const = 0;
  virtual void StartLiveRefresh() = 0;  // ID_TIMER_LIVE_REFRESH
  virtual void StopLiveRefresh() = 0;
  // Records were appended outside a live capture (a stored session's download): lay them out
  // and repaint as a capture's end does, and let the read-out show the marker as it is now.
  virtual void ShowArrivedData() = 0;
  virtual void ClearHoverMark() = 0;
  // Where each byte lies now, for the read-out's positions; null before the first layout.
  virtual const SessionLayout* CurrentLayout() const { return nullptr; }
};

// What a read-out panel shows beside the store, as its tab frame wires it to the pane beside it.
// An empty function reads as nothing there.
struct ReadoutSource {
  std::function<double()> volts{};  // the scope's readings; NaN when it has none
  std::function<double()> seconds{};
  std::function<const SessionLayout*()> sessionLayout{};
  std::function<void()> pointerEntered{};  // the session view drops its hover mark
};

// CORUTimingView in either mode (capture or signal trace).
class IReadoutPanel : public IShellView {
 public:
  virtual void Refresh() = 0;
  virtual void ReadFrom(ReadoutSource /*source*/) {}
};

class IControlPanel : public IShellView {
 public:
  // Controls from the fresh configuration; an open session-recall dialog shows `sessionSlot`'s row.
  virtual void SyncControlsFromConfig(int sessionSlot) = 0;
  virtual void ShowEndOfCapture() = 0;
  virtual void ShowV21Standard() = 0;
  virtual void HideV21Standard() = 0;
  virtual void OnSignalTraceEnded() = 0;
  // A command the panel handles (Find, ID_EDIT_FIND); false when `id` is not one of its own.
  virtual bool OnCommand(int /*id*/) { return false; }
};

class ISignalTraceView : public IShellView {
 public:
  virtual void ActivateTrace() = 0;
  virtual void DeactivateTrace() = 0;
  virtual void AddTraceBlock(const notify::TraceBlock& block) = 0;
  virtual void RefreshScope() = 0;
  virtual void ForwardToTraceRecall(int row) = 0;
  // The scope's read-outs, for the trace read-out panel.
  virtual double GetVoltageReading() const = 0;
  virtual double GetTimeReading() const = 0;
};

class ITraceControl : public IShellView {
 public:
  virtual void StartEnableTimer() = 0;
  virtual void StopEnableTimer() = 0;
  virtual void OnTraceFinished() = 0;
  virtual void RefreshFromSettings(int row) = 0;
  virtual void AddSixtySecondSpan() = 0;
  virtual void RemoveSixtySecondSpan() = 0;
  virtual void ShowDcScales() = 0;
  virtual void HideDcScales() = 0;
  // The voltage edit's text from "DeltaV" (the signal-trace view calls it while the threshold
  // mark is dragged).
  virtual void UpdateVoltageLabel() {}
};

class IVoltMeterView : public IShellView {
 public:
  virtual void StartStopTest() = 0;
  virtual void AbortTest() = 0;
  virtual void OnLineTestReply(const notify::LineTestReading& reading) = 0;
};

class IDtmfView : public IShellView {
 public:
  virtual void StartStopDecoder() = 0;
  virtual void AbortDecoder() = 0;
  virtual void OnDigitsChanged(const notify::DtmfDigits& digits) = 0;
};

class IDevelopDialog : public IShellView {
 public:
  // Shows and raises the non-modal dialog; returns at once.
  virtual void Show() = 0;
  virtual bool WindowExists() const = 0;
  virtual void OnCalibrationStep(const notify::CalibrationStepResult& result) = 0;
  virtual void OnFactorsRead(const notify::CalibrationFactorsRead& read) = 0;
};

class ISessionRecall : public IShellView {
 public:
  virtual void RunModal() = 0;
  virtual bool WindowExists() const = 0;
  virtual void OnSessionHeader(int slot) = 0;
};
