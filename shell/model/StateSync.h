#pragma once

// The main frame's once-per-idle state synchronisation as a pure rule: from the device and run
// state it says what the connection pane shows, which controls of the control panel and of the
// trace control are enabled, what the Capture button reads, which tabs are enabled, whether tab 0
// must be selected and whether the activities of a lost device must be stopped. The frame applies
// the plan; the stops themselves (test and clear each flag under the store's lock) are the frame's.

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "link/store/RunState.h"
#include "shell/model/TabTable.h"

constexpr const char* kUsbConnected = "USB connected";
constexpr const char* kUsbDisconnected = "USB disconnected";
constexpr const char* kCaptureButtonIdleText = "Capture";
constexpr const char* kCaptureButtonBusyText = "End Capture";
constexpr int kCaptureButtonTextMax = 15;  // characters of the button text the rule reads

// Trigger-type selections of the trace control.
enum class TriggerType { None = -1, Dialtone = 0, Dtmf = 1, Ringback = 2, Voltage = 3 };

struct SyncInput {
  bool deviceOpen = false;
  RunState run;
  int currentTab = 0;
  bool controlViewExists = false;
  bool traceControlExists = false;
  bool captureButtonIdle = true;
  std::string captureButtonText;  // as the button shows it now
  int triggerSelection = -1;      // the trace control's trigger-type combo; -1 = none
};

enum class DcScales { Leave, Show, Hide };

// Which tabs an update enables, for any number of tabs: each takes `rest`, except `kept` (left
// as it is) and those `opened` (enabled). Nothing set leaves every tab as it is.
struct TabEnables {
  std::optional<bool> rest;
  int kept = -1;
  std::vector<int> opened;

  std::optional<bool> For(int tab) const {
    if (tab == kept) return std::nullopt;
    if (std::find(opened.begin(), opened.end(), tab) != opened.end()) return true;
    return rest;
  }
};

struct SyncPlan {
  // False while a download runs: the pane keeps its text and nothing is touched.
  bool active = false;
  std::string connectionText;
  bool clearStatusText = false;
  std::vector<std::pair<int, bool>> controlViewEnables;  // in order of application
  std::optional<std::string> captureButtonText;          // new text, when it changes
  bool captureButtonIdle = true;
  std::vector<std::pair<int, bool>> traceControlEnables;
  DcScales dcScales = DcScales::Leave;
  TabEnables tabs;
  bool selectTab0 = false;
  // The device is gone: stop DTMF, volt meter and capture where their flags are set.
  bool stopActivities = false;
};

SyncPlan PlanStateSync(const SyncInput& in);

// The parameter edit that stays enabled for a trigger type, 0 for none.
int TriggerParameterEdit(int triggerSelection);
