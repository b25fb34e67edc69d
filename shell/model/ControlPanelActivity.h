#pragma once

// What the control panel's activity buttons do, as plans without Qt: the stops and starts each
// button posts from the run-state flags it reads (one snapshot of the store's run state), whether the
// "No USB connection" box is due, and what a new capture does with the data held. The form
// takes the snapshot, runs the plan's posts, and only then shows a box.

#include <string>
#include <vector>

#include "link/store/RunState.h"
#include "platform/win32/Win32Types.h"
#include "shell/model/ShellConstants.h"

constexpr const char* kPanelNoUsbText = "No USB connection to ORUpc";
constexpr const char* kPanelCommErrorTitle = "COMM Error";
constexpr const char* kEndOfCaptureTitle = "End of capture";
constexpr const char* kEndTraceText = "End Trace";
constexpr const char* kSignalTraceText = "Signal Trace";

struct PanelInput {
  bool deviceOpen = false;
  RunState run{};
};

// One thread message to the worker, with the status text set before it ("" leaves the text).
struct PanelPost {
  std::string statusText;
  UINT message = 0;
  WPARAM wParam = 0;
  bool operator==(const PanelPost&) const = default;
};

enum class PanelStart {
  None,         // only the stops (if any) are posted
  NoDevice,     // the "No USB connection to ORUpc" box, after the lock is let go
  SignalTrace,  // "End Trace", the streamed trace emptied, then the start post
  LineTest,
  DtmfDecoder,  // dtmfDigits emptied, then the start post
  Dialog,       // the button's dialog runs (Configure, Recall Session), after the lock
};

struct PanelPlan {
  std::vector<PanelPost> posts;  // in order
  PanelStart start = PanelStart::None;
};

PanelPlan PlanSignalTrace(const PanelInput& f);
PanelPlan PlanLineTest(const PanelInput& f);
PanelPlan PlanDtmfDecoder(const PanelInput& f);
PanelPlan PlanConfigure(const PanelInput& f);
PanelPlan PlanRecallSession(const PanelInput& f);

// The Capture button's first step under the lock.
enum class CaptureStep {
  Abort,     // a capture is armed or running: controls and tabs back, "Aborting capture", 2038
  NoDevice,  // the box, after the lock
  Start,     // a new capture starts (the data rule below, then 2025 0x1C0 and 2033)
};
struct CapturePlan {
  std::vector<PanelPost> stops;  // DTMF decoder and line test, before anything else
  CaptureStep step = CaptureStep::NoDevice;
};
CapturePlan PlanCapture(const PanelInput& f);

// The settings mask the panel sends before a capture: standard, format and mode.
constexpr WPARAM kCaptureConfigMask = 0x1C0;

// What a new capture does with the data held, by "Options".
struct CaptureDataRule {
  bool autosaveFirst = false;  // the document's autosave runs first; Cancel starts nothing
  bool clear = false;          // the capture is emptied and its modified flag cleared
  bool untitled = false;       // the window title gets an empty file name
};
CaptureDataRule CaptureDataRuleFor(int options);

// The end-of-capture box: the text's string id (IDS_CAPTURE_END_NONE + code) and its style; codes 0, 1 and 9 are
// plain, every other one has the exclamation icon.
int EndOfCaptureStringId(int code);
UINT EndOfCaptureStyle(int code);
