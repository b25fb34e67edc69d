#pragma once

// The user settings the application keeps while it runs, loaded once at start and saved once at
// exit (SettingsRules.h). Every member starts at 0 / empty, the state a first run leaves the
// settings that it does not set.

#include <array>
#include <string>

#include "shell/model/Color.h"
#include "shell/model/ViewType.h"

struct AppSettings {
  COLORREF answerColor = 0;
  COLORREF answerTextColor = 0;
  COLORREF originateColor = 0;
  COLORREF originateTextColor = 0;
  COLORREF markerColor = 0;
  COLORREF markerTextColor = 0;
  int options = 0;             // "Options": 1 Concatenate, 2 Overwrite, 4 Autosave
  std::string autosaveFolder;  // "Autosave Folder"
  ViewType viewType{};
  int standard = 0;
  int format = 0;  // 5 = 8N1, 6 = 7E1
  int mode = 0;    // 7 asynchronous, 8 synchronous
  int line = 0;
  int session = 0;     // 11 single, 12 multiple
  int showParity = 0;  // 13 off, 14 on
  int showParityErrors = 0;
  int showModemEvents = 0;
  std::array<COLORREF, 16> customColors{};
  int traceScale = 0;
  int traceSpan = 0;
  int traceTrigger = 0;
  std::string triggerNumber;  // DTMF trigger digits, at most 12 characters
  int ringbackQuantity = 0;
  int deltaV = 0;
  int traceLine = 0;  // 1 or 2; the key's unnamed value
  int traceSnap = 0;
  int hdlcMode = 0;
  int modem3Volume = 0;

  // Derived from the Answer and Originate colours (ShadeColor).
  COLORREF answerShade = 0;
  COLORREF originateShade = 0;
};
