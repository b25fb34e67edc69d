#pragma once

// The main frame's update rules for its commands and the file commands it shares with the
// application: printing, saving and exporting need data held; loading firmware needs the
// instrument and no capture or trace armed or running.

#include <optional>

#include "link/store/RunState.h"

struct FrameCommandState {
  int captureRecords = 0;
  int traceSamples = 0;
  bool deviceOpen = false;
  RunState run;
};

// Enabled or not for the ids the frame rules (print, print preview, save, save as,
// export, load application);
// nothing for any other id.
std::optional<bool> FrameCommandEnabled(int commandId, const FrameCommandState& state);

// Both rule sets for one id: a command is enabled only when every rule that knows it agrees.
// `appRule` is the application's answer (nothing when it has no rule for the id).
bool CombineCommandRules(std::optional<bool> appRule, std::optional<bool> frameRule);
