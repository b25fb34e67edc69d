#include "shell/model/ControlPanelActivity.h"

#include "link/protocol/WorkerMessages.h"
#include "resources/data/ResourceIds.h"
#include "resources/data/StringTable.h"

namespace {

const PanelPost kStopDtmf{"Aborting DTMF decoder", WM_ORU_STOP_DTMF_DECODER, 0};
const PanelPost kStopLineTest{"Aborting line test", WM_ORU_STOP_LINE_TEST, 0};
const PanelPost kStopSignalTrace{"Aborting signal trace", WM_ORU_STOP_SIGNAL_TRACE, 0};

// One activity of the line: the other one (if any) stops first; then this one stops when it
// runs, else it starts on line 1, or without a device the box is due.
PanelPlan PlanActivity(const PanelPost* otherStop, const PanelPost& ownStop, bool running, bool deviceOpen,
                       UINT startMessage, PanelStart start) {
  PanelPlan plan;
  if (otherStop != nullptr) plan.posts.push_back(*otherStop);
  if (running) {
    // A stop goes out even with the device gone, so that the worker ends its loop.
    plan.posts.push_back(ownStop);
  } else if (!deviceOpen) {
    plan.start = PanelStart::NoDevice;
  } else {
    plan.posts.push_back({"", startMessage, 1});
    plan.start = start;
  }
  return plan;
}

}  // namespace

PanelPlan PlanSignalTrace(const PanelInput& f) {
  return PlanActivity(nullptr, kStopSignalTrace, f.run.traceRunning(), f.deviceOpen, WM_ORU_START_SIGNAL_TRACE,
                      PanelStart::SignalTrace);
}

PanelPlan PlanLineTest(const PanelInput& f) {
  return PlanActivity(f.run.dtmfRunning() ? &kStopDtmf : nullptr, kStopLineTest, f.run.lineTestRunning(), f.deviceOpen,
                      WM_ORU_START_LINE_TEST, PanelStart::LineTest);
}

PanelPlan PlanDtmfDecoder(const PanelInput& f) {
  return PlanActivity(f.run.lineTestRunning() ? &kStopLineTest : nullptr, kStopDtmf, f.run.dtmfRunning(), f.deviceOpen,
                      WM_ORU_START_DTMF_DECODER, PanelStart::DtmfDecoder);
}

PanelPlan PlanConfigure(const PanelInput& f) {
  PanelPlan plan;
  if (f.run.lineTestRunning()) plan.posts.push_back(kStopLineTest);
  if (f.run.dtmfRunning()) plan.posts.push_back(kStopDtmf);
  plan.start = PanelStart::Dialog;
  return plan;
}

PanelPlan PlanRecallSession(const PanelInput& f) {
  PanelPlan plan;
  if (!f.deviceOpen) {
    plan.start = PanelStart::NoDevice;
    return plan;
  }
  if (f.run.dtmfRunning()) plan.posts.push_back(kStopDtmf);
  if (f.run.lineTestRunning()) plan.posts.push_back(kStopLineTest);
  plan.start = PanelStart::Dialog;
  return plan;
}

CapturePlan PlanCapture(const PanelInput& f) {
  CapturePlan plan;
  if (f.run.dtmfRunning()) plan.stops.push_back(kStopDtmf);
  if (f.run.lineTestRunning()) plan.stops.push_back(kStopLineTest);
  if (f.run.captureBusy())
    plan.step = CaptureStep::Abort;
  else
    plan.step = f.deviceOpen ? CaptureStep::Start : CaptureStep::NoDevice;
  return plan;
}

CaptureDataRule CaptureDataRuleFor(int options) {
  CaptureDataRule rule;
  rule.autosaveFirst = options == 4;
  rule.clear = options == 4 || options == 2;
  rule.untitled = options == 2;
  return rule;
}

int EndOfCaptureStringId(int code) { return IDS_CAPTURE_END_NONE + code; }

UINT EndOfCaptureStyle(int code) {
  const bool plain = code == 0 || code == 1 || code == 9;
  return plain ? MB_OK : (MB_OK | MB_ICONEXCLAMATION);
}
