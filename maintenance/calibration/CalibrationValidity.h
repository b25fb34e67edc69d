#pragma once

// The validity rule of a line's calibration factors, the texts that show them and the colour of
// the line's group box. The rule writes the group's calibrated flag.

#include <array>
#include <string>

#include "link/store/OruData.h"
#include "platform/win32/Win32Types.h"
#include "shell/model/Color.h"

constexpr int kDcGroupMask = 7;   // steps 1, 2, 4
constexpr int kAcGroupMask = 24;  // steps 8, 16

constexpr COLORREF kCalibratedColor = 65280;  // green
constexpr COLORREF kUncalibratedColor = 255;  // red

// Factory default (offset 0, gain 1024) or within the limits: valid. Sets dcCalibrated or
// acCalibrated to 1 only for a valid non-default group. False for any other line or group.
bool IsCalibrationValid(CORUData& store, int line, int group);

// Green when both groups of the line are calibrated, else red.
COLORREF GroupColor(const CORUData& store, int line);

// The factor texts of all three lines, four each: DC offset, DC gain, AC offset, AC gain.
using FactorTexts = std::array<std::string, 12>;
// The control ids of those texts, in the same order.
extern const std::array<int, 12> kFactorTextIds;
// The ids of the three lines' group boxes.
extern const std::array<int, 3> kLineBoxIds;

// Writes the DC (group with any of bits 1, 2, 4) or AC (8 or 16) texts of `line`; false when the
// line or group names nothing.
bool FormatFactorTexts(const CORUData& store, int line, int group, FactorTexts& texts);
