#include "shell/model/VolumeSteps.h"

#include <algorithm>

bool VolumeDragSends(int position, int lastSent) {
  if (position == 0) return false;
  return position > lastSent + kVolumeHysteresis || position < lastSent - kVolumeHysteresis ||
         position < kVolumeLowAlways;
}

std::optional<int> VolumePageUp(int position) {
  if (position >= kVolumeMax) return std::nullopt;
  return std::min(position + kVolumePage, kVolumeMax);
}

std::optional<int> VolumePageDown(int position) {
  if (position <= 0) return std::nullopt;
  return std::max(position - kVolumePage, 0);
}
