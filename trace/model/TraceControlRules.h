#pragma once

// The trace control form's decisions without Qt: what Capture Trace and Recall Trace do and post,
// the voltage label, the Scale and Span lists and their selection mapping, the edits' character
// filters and the enable timer's rule.

#include <optional>
#include <string>
#include <vector>

#include "link/store/SysCfg.h"
#include "platform/win32/Win32Types.h"

struct WorkerPost {
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  bool operator==(const WorkerPost&) const = default;
};

// ---- Capture Trace ----------------------------------------------------------------------------

enum class CaptureStep {
  Abort,     // a trace is armed or running: "Aborting signal trace" and 2069
  NoDevice,  // the "No USB connection" box, nothing else
  Start,     // prepare the document, then the start posts
};
CaptureStep DecideCapture(bool traceArmedOrRunning, bool deviceOpen);

// The trace settings a start copies into the configuration.
struct TraceStartSettings {
  int scale = 0;
  int span = 0;
  int trigger = 0;
  std::string triggerNumber;
  int ringbackQuantity = 0;
  int deltaV = 0;
};

// The configuration fields a start sets and its posts, in order. The DTMF digits are cleaned
// (CleanTriggerNumber) and the ring-back count clamped before they go out.
struct CaptureStart {
  std::vector<WorkerPost> posts;
};
CaptureStart PlanCaptureStart(const TraceStartSettings& settings, CSysCfg& cfg);

inline constexpr int kTraceLineBoth = 3;  // the line every triggered trace and meter starts on
inline constexpr int kMaxRingbacks = 99;

// The setting's DTMF symbols only (a-d as A-D), at most 11; "-1" (no digits) stays as it is.
std::string CleanTriggerNumber(const std::string& text);

// ---- Recall Trace -----------------------------------------------------------------------------

struct RecallOpening {
  bool stopDtmf = false;      // "Aborting DTMF decoder" and 2056
  bool noDevice = false;      // the box; nothing more
  bool stopLineTest = false;  // "Aborting line test" and 2053
};
RecallOpening DecideRecallOpening(bool dtmfRunning, bool deviceOpen, bool lineTestRunning);

// ---- the voltage label ------------------------------------------------------------------------

// "DeltaV" percent of the scale's full scale in volts: "%2.1f V" on the DC scales, "%1.2f V" on
// the AC ones; an unknown scale counts as 0 V.
std::string VoltageLabel(int deltaV, int scale);

// ---- the Scale and Span lists -----------------------------------------------------------------

inline constexpr int kAllScales = 4;
inline constexpr int kAcScalesOnly = 2;
inline constexpr int kSpansWithMinute = 5;
inline constexpr int kSpansWithoutMinute = 4;
inline constexpr const char* kMinuteSpanText = "60 Seconds";

// The scale indexes the list holds, in order: all four, or the two AC scales.
std::vector<int> ScaleListEntries(bool dcShown);
// The "Trace Scale" a selection stands for; none for a count other than 4 or 2 (the setting is
// then left) or a selection outside the list.
std::optional<int> ScaleForSelection(int selection, int count);
// The entry a refresh selects: values outside 1..3 select the first entry of the full list; with
// only the AC entries listed, scale - 2, and none for a DC scale.
std::optional<int> SelectionForScale(int scale, int count);
// The entry a refresh selects for "Trace Span": 1..4 as they are, anything else the first; none
// when that entry is not listed.
std::optional<int> SelectionForSpan(int span, int count);
// The trigger entry a refresh selects: 1..3 as they are, anything else 0.
int SelectionForTrigger(int trigger);

// The edit the trigger type enables: 1 DTMF digits, 2 ring-back, 3 voltage; none for 0.
enum class TriggerEdit { None, Dtmf, Ringback, Voltage };
TriggerEdit EditForTrigger(int trigger);

// ---- the edits' character filters -------------------------------------------------------------

enum class EditFilter {
  Voltage,  // digits and '-', at most 3 characters
  Dtmf,     // 0-9, A-D (a-d taken as A-D), '*', '#', at most 11 characters
};
inline constexpr int kVoltageEditLimit = 3;
inline constexpr int kDtmfEditLimit = 11;

// Whether an edit from `before` to `after` passes the filter: the characters it inserts must all
// be accepted and, when it inserts any, the text must stay within the limit. Deleting always
// passes. Returns the text to keep (a-d made upper case), or none to refuse the edit.
std::optional<std::string> FilterEdit(EditFilter filter, const std::string& before, const std::string& after);

// ---- the enable timer -------------------------------------------------------------------------

enum class ControlEnables {
  DisableAll,  // no device: lines, buttons, trigger type and the three edits
  EnableMain,  // idle with a device: lines, buttons and trigger type
  Leave,       // a trace armed or running
};
struct EnableTick {
  ControlEnables controls = ControlEnables::Leave;
  // Scale and Span may change except while a trace is armed: the worker copies them into the
  // recording at the trigger.
  bool scaleAndSpan = true;
};
EnableTick DecideEnableTick(bool deviceOpen, bool traceArmed, bool traceRunning);
