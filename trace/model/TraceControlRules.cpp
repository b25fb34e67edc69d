#include "trace/model/TraceControlRules.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "link/store/TraceScales.h"
#include "link/protocol/WorkerMessages.h"

namespace {

// Configuration items of the SC command a start sends: 13 trigger, 16 scale, 17 span, with 14
// the ring-back count or 15 the voltage level.
constexpr WPARAM kItemTrigger = 0x800;
constexpr WPARAM kItemRingbacks = 0x4000;
constexpr WPARAM kItemLevel = 0x8000;
constexpr WPARAM kItemScale = 0x10000;
constexpr WPARAM kItemSpan = 0x20000;
constexpr WPARAM kStartItems = kItemTrigger | kItemScale | kItemSpan;

constexpr int kTriggerDtmf = 1;
constexpr int kTriggerRingback = 2;
constexpr int kTriggerVoltage = 3;

constexpr const char* kNoDigits = "-1";

bool IsDtmfSymbol(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'D') || c == '*' || c == '#';
}
char DtmfUpper(char c) { return c >= 'a' && c <= 'd' ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsVoltageChar(char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == '-'; }

}  // namespace

CaptureStep DecideCapture(bool traceArmedOrRunning, bool deviceOpen) {
  if (traceArmedOrRunning) return CaptureStep::Abort;
  return deviceOpen ? CaptureStep::Start : CaptureStep::NoDevice;
}

std::string CleanTriggerNumber(const std::string& text) {
  if (text == kNoDigits) return text;
  std::string clean;
  for (char c : text) {
    const char upper = DtmfUpper(c);
    if (IsDtmfSymbol(upper) && clean.size() < static_cast<std::size_t>(kDtmfEditLimit)) clean += upper;
  }
  return clean;
}

CaptureStart PlanCaptureStart(const TraceStartSettings& settings, CSysCfg& cfg) {
  CaptureStart start;
  cfg.traceScale = static_cast<UCHAR>(settings.scale);
  cfg.traceSpan = static_cast<UCHAR>(settings.span);
  cfg.trigger = static_cast<UCHAR>(settings.trigger);
  cfg.traceLevel = settings.deltaV;
  switch (settings.trigger) {
    case kTriggerRingback:
      cfg.item14 = static_cast<UCHAR>(std::clamp(settings.ringbackQuantity, 0, kMaxRingbacks));
      start.posts.push_back({WM_ORU_SET_CONFIG, kStartItems | kItemRingbacks, 0});
      break;
    case kTriggerDtmf:
      cfg.triggerText = CleanTriggerNumber(settings.triggerNumber);
      start.posts.push_back({WM_ORU_SET_TRIGGER_STRING, 0, 0});
      start.posts.push_back({WM_ORU_SET_CONFIG, kStartItems, 0});
      break;
    case kTriggerVoltage:
      cfg.item15 = static_cast<USHORT>(settings.deltaV & 0xFFFF);
      start.posts.push_back({WM_ORU_SET_CONFIG, kStartItems | kItemLevel, 0});
      break;
    default:
      start.posts.push_back({WM_ORU_SET_CONFIG, kStartItems, 0});
      break;
  }
  start.posts.push_back({WM_ORU_START_TRIGGERED_TRACE, kTraceLineBoth, 0});
  return start;
}

RecallOpening DecideRecallOpening(bool dtmfRunning, bool deviceOpen, bool lineTestRunning) {
  RecallOpening opening;
  opening.stopDtmf = dtmfRunning;
  opening.noDevice = !deviceOpen;
  opening.stopLineTest = deviceOpen && lineTestRunning;
  return opening;
}

std::string VoltageLabel(int deltaV, int scale) {
  static constexpr double kFullScale[] = {60.0, 30.0, 1.5, 0.7};
  const double full = scale >= 0 && scale < trace_scales::kScaleCount ? kFullScale[scale] : 0.0;
  const double volts = deltaV * full / 100.0;
  char text[32];
  std::snprintf(text, sizeof text, trace_scales::IsDcScale(scale) || full == 0.0 ? "%2.1f V" : "%1.2f V", volts);
  return text;
}

std::vector<int> ScaleListEntries(bool dcShown) {
  if (dcShown) return {0, 1, 2, 3};
  return {2, 3};
}

std::optional<int> ScaleForSelection(int selection, int count) {
  if (selection < 0 || selection >= count) return std::nullopt;
  if (count == kAllScales) return selection;
  if (count == kAcScalesOnly) return selection + 2;
  return std::nullopt;
}

std::optional<int> SelectionForScale(int scale, int count) {
  const int shown = scale >= 1 && scale <= 3 ? scale : 0;
  if (count == kAllScales) return shown;
  if (count == kAcScalesOnly && shown >= 2) return shown - 2;
  return std::nullopt;
}

std::optional<int> SelectionForSpan(int span, int count) {
  const int shown = span >= 1 && span <= 4 ? span : 0;
  if (shown >= count) return std::nullopt;
  return shown;
}

int SelectionForTrigger(int trigger) { return trigger >= 1 && trigger <= 3 ? trigger : 0; }

TriggerEdit EditForTrigger(int trigger) {
  switch (trigger) {
    case kTriggerDtmf:
      return TriggerEdit::Dtmf;
    case kTriggerRingback:
      return TriggerEdit::Ringback;
    case kTriggerVoltage:
      return TriggerEdit::Voltage;
    default:
      return TriggerEdit::None;
  }
}

std::optional<std::string> FilterEdit(EditFilter filter, const std::string& before, const std::string& after) {
  // The inserted run lies between the longest common prefix and the longest common suffix.
  std::size_t prefix = 0;
  while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
         before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
    ++suffix;
  std::string inserted = after.substr(prefix, after.size() - prefix - suffix);
  if (inserted.empty()) return after;
  const std::size_t limit = filter == EditFilter::Voltage ? kVoltageEditLimit : kDtmfEditLimit;
  if (after.size() > limit) return std::nullopt;
  for (char& c : inserted) {
    if (filter == EditFilter::Dtmf) c = DtmfUpper(c);
    const bool accepted = filter == EditFilter::Dtmf ? IsDtmfSymbol(c) : IsVoltageChar(c);
    if (!accepted) return std::nullopt;
  }
  return after.substr(0, prefix) + inserted + after.substr(after.size() - suffix);
}

EnableTick DecideEnableTick(bool deviceOpen, bool traceArmed, bool traceRunning) {
  EnableTick tick;
  if (!deviceOpen)
    tick.controls = ControlEnables::DisableAll;
  else if (!traceArmed && !traceRunning)
    tick.controls = ControlEnables::EnableMain;
  tick.scaleAndSpan = !traceArmed;
  return tick;
}
