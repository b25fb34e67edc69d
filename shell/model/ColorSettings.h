#pragma once

// The colour commands' changes to the settings: a chosen colour with its text colour and shade,
// and the default colours.

#include <optional>

#include "shell/model/AppSettings.h"

enum class ColorSlot { Answer, Originate, Marker };

// The colour dialog's caption for a slot ("Select Answer Color..." ...).
const char* ColorDialogCaption(ColorSlot slot);
// `chosen` (nullopt = cancelled, the colour stays); the text colour and the shade are recomputed.
void ApplyColorChoice(AppSettings& settings, ColorSlot slot, std::optional<COLORREF> chosen);
// One slot's default colour, with its text colour and shade.
void ApplyDefaultColor(AppSettings& settings, ColorSlot slot);
