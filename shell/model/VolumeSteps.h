#pragma once

// The monitor-volume slider's rules: which drag positions are sent to the instrument and where
// Page Up / Page Down land. Positions run 0..255.

#include <optional>

constexpr int kVolumeMax = 255;
constexpr int kVolumePage = 32;
constexpr int kVolumeHysteresis = 30;
constexpr int kVolumeLowAlways = 15;

// While dragging to `position`: true when it is sent (moved more than 30 from the value last
// sent, or below 15). Position 0 is never sent while moving.
bool VolumeDragSends(int position, int lastSent);
// The new position of Page Up / Page Down; nothing when the slider is already at its end.
std::optional<int> VolumePageUp(int position);
std::optional<int> VolumePageDown(int position);
