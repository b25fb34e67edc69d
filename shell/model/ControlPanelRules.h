#pragma once

// The control panel's display and configuration rules without Qt. The panel's controls are
// modelled by PanelControls; the settings are AppSettings; the data store's part the panel writes
// is PanelConfig (copied out of and back into the store under its lock by the form). Each rule
// changes the three together; the form then shows PanelControls.

#include <optional>
#include <string>

#include "shell/model/AppSettings.h"
#include "shell/model/StandardCombo.h"
#include "shell/model/StatusPaneText.h"  // the mode texts

// Setting codes.
constexpr int kFormat8N1 = 5;
constexpr int kFormat7E1 = 6;
constexpr int kModeAsync = 7;
constexpr int kModeSync = 8;
constexpr int kSessionSingle = 11;
constexpr int kSessionMultiple = 12;
constexpr int kCheckClear = 13;
constexpr int kCheckSet = 14;

// The store's words the panel reads and writes.
struct PanelConfig {
  int standard = 0;     // sysCfg.standard
  int parity7E1 = 0;    // sysCfg.parity7E1
  int sync = 0;         // sysCfg.sync
  int sessionMode = 0;  // sysCfg.sessionMode
  int bitStuffed = 0;   // sysCfg.bitStuffed: 0 when the box is checked, 1 when clear
  int highlightParityBit = 0;
  int highlightParityErrors = 0;
  int showModemEvents = 0;
  std::optional<std::string> modeText;  // set when a rule changes it
  bool layoutDirty = false;             // set when the capture must be laid out again
};

// What the form shows. Enabled states of the controls the main frame drives (IDC_STANDARD, IDC_MODE,
// IDC_SESSION, IDC_RECALL_SESSION, IDC_CAPTURE and the activity buttons) are not here: the frame and the capture rule
// own them.
struct PanelControls {
  ComboItems standard{{"B300", "1200/2400", "9600", "14400"}, -1};
  ComboItems format{{"8N1", "7E1"}, -1};
  ComboItems mode{{"ASYNC", "SYNC"}, -1};
  ComboItems session{{"Single", "Multiple"}, -1};
  bool ascii = false;
  bool hex = false;
  bool parityBitChecked = false;
  bool parityErrorsChecked = false;
  bool modemEventsChecked = false;
  bool bitStuffedChecked = false;
  bool parityBoxesEnabled = true;
  bool bitStuffedEnabled = true;
  bool modemEventsVisible = true;
};

// ---- mappings --------------------------------------------------------------------------------
// "Standard" code -> sysCfg.standard (1 -> 0 ... 4 -> 3, 17 -> 4); nullopt for other codes.
std::optional<int> StandardByteOfCode(int code);
// sysCfg.standard -> "Standard" code; nullopt for other values.
std::optional<int> StandardCodeOfByte(int value);
// "Bridged Mode" for B300, 1200/2400 and V.21, "Intercept Mode" for 9600 and 14400, "" otherwise.
std::string ModeTextOf(int code);
bool IsHighSpeed(int code);
// The inverted "Bit-stuffed" byte: 0 when checked, 1 when clear; the box is checked unless 1.
int BitStuffedByteOf(bool checked);
bool BitStuffedCheckedOf(int value);
int CheckSettingOf(bool checked);  // 14 / 13

// ---- the user's changes ----------------------------------------------------------------------
void ApplyViewType(PanelControls& c, AppSettings& s, PanelConfig& cfg, ViewType viewType);  // ASCII / HEX
void ApplyHighlightParityBit(PanelControls& c, AppSettings& s, PanelConfig& cfg, bool checked);
void ApplyHighlightParityErrors(PanelControls& c, AppSettings& s, PanelConfig& cfg, bool checked);
void ApplyShowModemEvents(PanelControls& c, AppSettings& s, PanelConfig& cfg, bool checked);
void ApplyBitStuffed(PanelControls& c, PanelConfig& cfg, bool checked);
// The standard combo's selection as it stands; a selection that maps to no standard changes
// nothing.
void ApplyStandardSelection(PanelControls& c, AppSettings& s, PanelConfig& cfg);
void ApplyFormatSelection(PanelControls& c, AppSettings& s, PanelConfig& cfg, int item);
void ApplyModeSelection(PanelControls& c, AppSettings& s, PanelConfig& cfg, int item);
void ApplySessionSelection(PanelControls& c, AppSettings& s, PanelConfig& cfg, int item);

// ---- the store's and the settings' changes ---------------------------------------------------
// The instrument's configuration answer (and every capture notification): controls and settings
// from the store.
void SyncFromConfig(PanelControls& c, AppSettings& s, PanelConfig& cfg);
// The document's update of all views: controls and the store from the settings. The highlight
// flags follow their settings as the modem-events flag does, so a checked box always means the
// flag is on.
void UpdateFromSettings(PanelControls& c, AppSettings& s, PanelConfig& cfg);
// The high-speed standards: added (then the configuration sync and the standard selection run)
// when the combo lacks "9600"; otherwise "Show Modem Events" comes back for 9600 and 14400.
// True when they were added.
bool ShowHighSpeedStandards(PanelControls& c, AppSettings& s, PanelConfig& cfg);
// "V.21" inserted at the top (then the sync and the selection) unless held; removed (then the
// selection) when held. True when the list changed.
bool ShowV21(PanelControls& c, AppSettings& s, PanelConfig& cfg);
bool HideV21(PanelControls& c, AppSettings& s, PanelConfig& cfg);
void AddFormat7E1(PanelControls& c);
void RemoveFormat7E1(PanelControls& c);
void AddMultiple(PanelControls& c);
void RemoveMultiple(PanelControls& c);
