#pragma once

// The configuration dialog's rules without Qt: its values, what the instrument's answer loads,
// which edits are taken, which controls are enabled, and what OK stores and posts.

#include <optional>
#include <string>
#include <vector>

#include "link/store/SysCfg.h"
#include "platform/win32/Win32Types.h"

constexpr int kNoChoice = -1;  // a radio group with none checked

struct ConfigureValues {
  int format = kNoChoice;        // 0 8N1, 1 7E1
  int standard = kNoChoice;      // 0 Bell, 1 ITU
  int mode = kNoChoice;          // 0 Async, 1 Sync
  int lineType = kNoChoice;      // 0 2 Wire, 1 4 Wire
  int trigger = kNoChoice;       // 0 Answer Tone, 1 Call Progress
  int callProgress = kNoChoice;  // 0 Dial tone, 1 DTMF, 2 Ringback
  std::string triggerText;
  std::string numberText;
  int number = 0;
  // The number and the trigger text count only once the answer loaded them or the user took
  // an edit; before that they are not the instrument's values and OK must not send them.
  bool numberKnown = false;
  bool triggerTextKnown = false;
};

// Opening: the data format from the configuration, every other group unchosen.
ConfigureValues InitialConfigureValues(const CSysCfg& config);

// The answer's reload: the format always, everything else only with a device. A byte outside a
// group's radios (a standard of 2 to 4, which Bell/ITU cannot show) leaves that group unchosen.
void LoadConfigureValues(ConfigureValues& values, const CSysCfg& config, bool device);

// The number edit: digits only, 0 to 99; nullopt leaves the number as it was.
std::optional<int> ParseConfigureNumber(const std::string& text);
// The trigger text edit: at most 15 printable ASCII characters without ':' (the instrument's
// field separator); false leaves the text as it was.
bool IsAcceptedTriggerText(const std::string& text);

struct ConfigureEnables {
  bool formatRadios = false;  // 8N1, 7E1 and their group box
  bool otherRadios = false;   // the other groups' radios and boxes
  bool callProgress = false;  // the call-progress group, its radios and the two edits
};
ConfigureEnables ConfigureEnablesFor(const ConfigureValues& values, bool device);

// "Sync" chosen: with 7E1 the user is asked first (`formatPromptOk` is the answer); the format
// then falls back to 8N1, or the mode stays Async on Cancel.
bool SyncNeedsFormatPrompt(const ConfigureValues& values);
void ChooseSync(ConfigureValues& values, bool formatPromptOk);

struct ConfigPost {
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  bool operator==(const ConfigPost&) const = default;
};

// OK with a device, run under the store's lock: each chosen item that differs is stored in `config` and
// gives one WM_ORU_SET_CONFIG, in the instrument's order; a changed trigger text then gives
// WM_ORU_SET_TRIGGER_STRING. The line type is stored and never sent.
std::vector<ConfigPost> ApplyConfigureOk(const ConfigureValues& values, CSysCfg& config);
// OK without a device: only the PC-side data format; true when it changed.
bool ApplyConfigureOkWithoutDevice(const ConfigureValues& values, CSysCfg& config);
