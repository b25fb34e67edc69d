#include "shell/model/StateSync.h"

#include "resources/data/ResourceIds.h"
#include "shell/model/ControlPanelRules.h"

namespace {

// The button text as the rule reads it: at most 15 characters.
std::string ReadButtonText(const std::string& text) {
  return text.size() > kCaptureButtonTextMax ? text.substr(0, kCaptureButtonTextMax) : text;
}

void ResetCaptureButton(const SyncInput& in, SyncPlan& plan) {
  if (!in.captureButtonIdle || ReadButtonText(in.captureButtonText) == kCaptureButtonBusyText) {
    plan.captureButtonText = kCaptureButtonIdleText;
    plan.captureButtonIdle = true;
  }
}

}  // namespace

int TriggerParameterEdit(int triggerSelection) {
  switch (static_cast<TriggerType>(triggerSelection)) {
    case TriggerType::Dtmf:
      return IDC_TRIGGER_DTMF;
    case TriggerType::Ringback:
      return IDC_TRIGGER_RINGBACK;
    case TriggerType::Voltage:
      return IDC_TRIGGER_VOLTAGE;
    default:
      return 0;
  }
}

SyncPlan PlanStateSync(const SyncInput& in) {
  SyncPlan plan;
  plan.captureButtonIdle = in.captureButtonIdle;
  if (in.run.downloadRunning()) return plan;
  plan.active = true;

  if (!in.deviceOpen) {
    plan.connectionText = kUsbDisconnected;
    plan.clearStatusText = true;
    if (in.controlViewExists) {
      // As at a start without the instrument: a capture the loss ended gives back what its start
      // locked, and only Capture waits for the instrument.
      plan.controlViewEnables = {{IDC_STANDARD, true},       {IDC_MODE, true},      {IDC_SESSION, true},
                                 {IDC_RECALL_SESSION, true}, {IDC_CAPTURE, false},  {IDC_CONFIGURE, true},
                                 {IDC_SIGNAL_TRACE, true},   {IDC_LINE_TEST, true}, {IDC_DTMF_DECODER, true}};
      ResetCaptureButton(in, plan);
    }
    if (in.traceControlExists) {
      for (int id : {IDC_LINE1, IDC_LINE2, IDC_CAPTURE_TRACE, IDC_RECALL_TRACE, IDC_TRIGGER_TYPE, IDC_TRIGGER_DTMF,
                     IDC_TRIGGER_RINGBACK, IDC_TRIGGER_VOLTAGE})
        plan.traceControlEnables.emplace_back(id, false);
    }
    // The tabs of the capture and the trace open, as at a start without the instrument (a trace
    // the loss ended had closed CAPTURE DATA); the meters need the instrument.
    plan.tabs = {.rest = false, .opened = DocumentTabs()};
    plan.selectTab0 = !DocumentOfTab(in.currentTab).has_value();
    plan.stopActivities = true;
    return plan;
  }

  plan.connectionText = kUsbConnected;
  const bool captureBusy = in.run.captureBusy();
  const bool traceBusy = in.run.traceRunning();
  if (!captureBusy && !traceBusy) {
    if (in.controlViewExists) {
      // A capture that ended by itself (its session complete, an error, the device's end) gives
      // back every control its start locked, not only those an End Capture would.
      plan.controlViewEnables = {{IDC_STANDARD, true},       {IDC_MODE, true},      {IDC_SESSION, true},
                                 {IDC_RECALL_SESSION, true}, {IDC_CAPTURE, true},   {IDC_CONFIGURE, true},
                                 {IDC_SIGNAL_TRACE, true},   {IDC_LINE_TEST, true}, {IDC_DTMF_DECODER, true}};
      ResetCaptureButton(in, plan);
    }
    if (in.traceControlExists) {
      for (int id : {IDC_LINE1, IDC_LINE2, IDC_RECALL_TRACE, IDC_TRIGGER_TYPE})
        plan.traceControlEnables.emplace_back(id, true);
      const int keep = TriggerParameterEdit(in.triggerSelection);
      for (int id : {IDC_TRIGGER_DTMF, IDC_TRIGGER_RINGBACK, IDC_TRIGGER_VOLTAGE})
        plan.traceControlEnables.emplace_back(id, id == keep);
      if (in.triggerSelection >= 0 && in.triggerSelection <= 3)
        plan.dcScales = in.triggerSelection == static_cast<int>(TriggerType::Voltage) ? DcScales::Show : DcScales::Hide;
    }
    plan.tabs = {.rest = true};
  } else if (captureBusy) {
    if (in.controlViewExists) {
      // All the controls a capture's start locks, so that an idle update that ran between the
      // press and the arm (and gave them back) cannot leave them enabled.
      plan.controlViewEnables = {{IDC_STANDARD, false},       {IDC_MODE, false},        {IDC_SESSION, false},
                                 {IDC_RECALL_SESSION, false}, {IDC_CONFIGURE, false},   {IDC_SIGNAL_TRACE, false},
                                 {IDC_LINE_TEST, false},      {IDC_DTMF_DECODER, false}};
      if (!in.captureButtonIdle || ReadButtonText(in.captureButtonText) == kCaptureButtonIdleText) {
        plan.captureButtonText = kCaptureButtonBusyText;
        plan.captureButtonIdle = false;
      }
    }
    plan.tabs = {.rest = false, .kept = TabOfDocument(DocumentType::Capture)};
  } else {
    if (in.traceControlExists) {
      for (int id : {IDC_LINE1, IDC_LINE2, IDC_RECALL_TRACE, IDC_TRIGGER_TYPE, IDC_TRIGGER_DTMF, IDC_TRIGGER_RINGBACK,
                     IDC_TRIGGER_VOLTAGE})
        plan.traceControlEnables.emplace_back(id, false);
    }
    plan.tabs = {.rest = false, .kept = TabOfDocument(DocumentType::Trace)};
  }
  return plan;
}
