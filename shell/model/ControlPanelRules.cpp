#include "shell/model/ControlPanelRules.h"

namespace {

// Setting codes of the standards in the order of their sysCfg byte.
constexpr int kStandardCodes[] = {kStandardB300, kStandard1200, kStandard9600, kStandard14400, kStandardV21};

int CheckSetting(bool checked) { return checked ? kCheckSet : kCheckClear; }

// "Show Modem Events" is offered with the standards whose modems report events, whatever set
// the standard (the user, a file, a recall, the instrument's configuration).
void FollowStandard(PanelControls& c) { c.modemEventsVisible = IsHighSpeed(GetStandard(c.standard)); }

}  // namespace

std::optional<int> StandardByteOfCode(int code) {
  for (int i = 0; i < 5; ++i)
    if (kStandardCodes[i] == code) return i;
  return std::nullopt;
}

std::optional<int> StandardCodeOfByte(int value) {
  if (value < 0 || value > 4) return std::nullopt;
  return kStandardCodes[value];
}

std::string ModeTextOf(int code) {
  if (IsHighSpeed(code)) return kInterceptMode;
  if (code == kStandardB300 || code == kStandard1200 || code == kStandardV21) return kBridgedMode;
  return {};
}

bool IsHighSpeed(int code) { return code == kStandard9600 || code == kStandard14400; }

int BitStuffedByteOf(bool checked) { return checked ? 0 : 1; }
bool BitStuffedCheckedOf(int value) { return value != 1; }
int CheckSettingOf(bool checked) { return CheckSetting(checked); }

// ---- the user's changes ----------------------------------------------------------------------

void ApplyViewType(PanelControls& c, AppSettings& s, PanelConfig& cfg, ViewType viewType) {
  s.viewType = viewType;
  c.ascii = viewType == ViewType::Ascii;
  c.hex = viewType == ViewType::Hex;
  c.parityBoxesEnabled = cfg.parity7E1 == 1;
  cfg.layoutDirty = true;
}

void ApplyHighlightParityBit(PanelControls& c, AppSettings& s, PanelConfig& cfg, bool checked) {
  c.parityBitChecked = checked;
  cfg.highlightParityBit = checked ? 1 : 0;
  s.showParity = CheckSetting(checked);
}

void ApplyHighlightParityErrors(PanelControls& c, AppSettings& s, PanelConfig& cfg, bool checked) {
  c.parityErrorsChecked = checked;
  cfg.highlightParityErrors = checked ? 1 : 0;
  s.showParityErrors = CheckSetting(checked);
}

void ApplyShowModemEvents(PanelControls& c, AppSettings& s, PanelConfig& cfg, bool checked) {
  c.modemEventsChecked = checked;
  cfg.showModemEvents = checked ? 1 : 0;
  s.showModemEvents = CheckSetting(checked);
}

void ApplyBitStuffed(PanelControls& c, PanelConfig& cfg, bool checked) {
  c.bitStuffedChecked = checked;
  cfg.bitStuffed = BitStuffedByteOf(checked);
}

void ApplyStandardSelection(PanelControls& c, AppSettings& s, PanelConfig& cfg) {
  const int code = GetStandard(c.standard);
  const std::optional<int> value = StandardByteOfCode(code);
  if (!value) return;
  s.standard = code;
  cfg.standard = *value;
  cfg.modeText = ModeTextOf(code);
  c.modemEventsVisible = IsHighSpeed(code);
  // The high-speed modems capture one call at a time.
  if (IsHighSpeed(code)) c.session.Select(0);
  ApplySessionSelection(c, s, cfg, c.session.selected);
}

void ApplyFormatSelection(PanelControls& c, AppSettings& s, PanelConfig& cfg, int item) {
  if (item != 0 && item != 1) return;
  c.format.Select(item);
  s.format = item == 1 ? kFormat7E1 : kFormat8N1;
  cfg.parity7E1 = item;
  c.parityBoxesEnabled = item == 1;
}

void ApplyModeSelection(PanelControls& c, AppSettings& s, PanelConfig& cfg, int item) {
  if (item != 0 && item != 1) return;
  c.mode.Select(item);
  s.mode = item == 1 ? kModeSync : kModeAsync;
  cfg.sync = item;
  c.bitStuffedEnabled = item == 1;
  // A synchronous capture has no parity.
  if (item == 1) ApplyFormatSelection(c, s, cfg, 0);
}

void ApplySessionSelection(PanelControls& c, AppSettings& s, PanelConfig& cfg, int item) {
  if (item != 0 && item != 1) return;
  c.session.Select(item);
  s.session = item == 1 ? kSessionMultiple : kSessionSingle;
  cfg.sessionMode = item;
}

// ---- the store's and the settings' changes ---------------------------------------------------

void SyncFromConfig(PanelControls& c, AppSettings& s, PanelConfig& cfg) {
  const bool sevenE1 = cfg.parity7E1 == 1;
  c.format.Select(sevenE1 ? 1 : 0);
  s.format = sevenE1 ? kFormat7E1 : kFormat8N1;
  if (const std::optional<int> code = StandardCodeOfByte(cfg.standard)) {
    SetStandard(c.standard, *code);
    s.standard = *code;
  }
  const bool sync = cfg.sync == 1;
  c.mode.Select(sync ? 1 : 0);
  s.mode = sync ? kModeSync : kModeAsync;
  c.bitStuffedEnabled = sync;
  c.bitStuffedChecked = BitStuffedCheckedOf(cfg.bitStuffed);
  c.parityBoxesEnabled = s.format == kFormat7E1;
  c.parityBitChecked = cfg.highlightParityBit == 1;
  s.showParity = CheckSetting(c.parityBitChecked);
  c.parityErrorsChecked = cfg.highlightParityErrors == 1;
  s.showParityErrors = CheckSetting(c.parityErrorsChecked);
  FollowStandard(c);
}

void UpdateFromSettings(PanelControls& c, AppSettings& s, PanelConfig& cfg) {
  c.ascii = s.viewType == ViewType::Ascii;
  c.hex = s.viewType == ViewType::Hex;
  ShowHighSpeedStandards(c, s, cfg);
  SetStandard(c.standard, s.standard);
  if (const std::optional<int> value = StandardByteOfCode(s.standard)) cfg.standard = *value;
  const bool sevenE1 = s.format != kFormat8N1;
  c.format.Select(sevenE1 ? 1 : 0);
  cfg.parity7E1 = sevenE1 ? 1 : 0;
  if (s.mode != kModeAsync) {
    c.mode.Select(1);
    cfg.sync = 1;
    c.bitStuffedEnabled = true;
    RemoveFormat7E1(c);
  } else {
    c.mode.Select(0);
    cfg.sync = 0;
    c.bitStuffedEnabled = false;
    AddFormat7E1(c);
    // The format was chosen while "7E1" was not listed (after a synchronous capture): choose again.
    if (c.format.selected < 0) c.format.Select(sevenE1 ? 1 : 0);
  }
  c.bitStuffedChecked = BitStuffedCheckedOf(cfg.bitStuffed);
  if (s.standard != kStandardB300 && s.standard != kStandard1200) {
    RemoveMultiple(c);
    c.session.Select(0);
    cfg.sessionMode = 0;
  } else {
    AddMultiple(c);
    const bool multiple = s.session != kSessionSingle;
    c.session.Select(multiple ? 1 : 0);
    cfg.sessionMode = multiple ? 1 : 0;
  }
  c.parityErrorsChecked = s.showParityErrors == kCheckSet;
  c.parityBitChecked = s.showParity == kCheckSet;
  c.modemEventsChecked = s.showModemEvents == kCheckSet;
  cfg.showModemEvents = c.modemEventsChecked ? 1 : 0;
  cfg.highlightParityBit = c.parityBitChecked ? 1 : 0;
  cfg.highlightParityErrors = c.parityErrorsChecked ? 1 : 0;
  FollowStandard(c);
}

bool ShowHighSpeedStandards(PanelControls& c, AppSettings& s, PanelConfig& cfg) {
  if (c.standard.FindPrefix("9600") < 0) {
    AddHighSpeed(c.standard);
    SyncFromConfig(c, s, cfg);
    ApplyStandardSelection(c, s, cfg);
    return true;
  }
  if (!c.modemEventsVisible && IsHighSpeed(GetStandard(c.standard))) c.modemEventsVisible = true;
  return false;
}

bool ShowV21(PanelControls& c, AppSettings& s, PanelConfig& cfg) {
  if (c.standard.FindPrefix("V.21") >= 0) return false;
  AddV21(c.standard);
  SyncFromConfig(c, s, cfg);
  ApplyStandardSelection(c, s, cfg);
  return true;
}

bool HideV21(PanelControls& c, AppSettings& s, PanelConfig& cfg) {
  if (c.standard.FindPrefix("V.21") < 0) return false;
  RemoveV21(c.standard);
  ApplyStandardSelection(c, s, cfg);
  return true;
}

void AddFormat7E1(PanelControls& c) {
  if (c.format.Count() != 2) c.format.Insert(-1, "7E1");
}

void RemoveFormat7E1(PanelControls& c) {
  c.format.Select(0);
  c.format.Delete(1);
}

void AddMultiple(PanelControls& c) {
  if (c.session.Count() != 2) c.session.Insert(-1, "Multiple");
}

void RemoveMultiple(PanelControls& c) {
  c.session.Select(0);
  c.session.Delete(1);
}
