#pragma once

// The call-progress tones, ringing and DTMF pairs of a telephone line, with their usual levels.

#include <optional>
#include <utility>

#include "sim/Scenario.h"

namespace sim {

// Peak-to-peak volts of a sine of the given level on a 600-ohm line.
double vppFromDbm(double dbm);
// Level in dBm of a sine whose RMS value is `vrms` on 600 ohms.
double dbmFromVrms(double vrms);

// A preset tone of `kind` (not Custom): frequencies, level and cadence; start and end left open.
ToneSpan presetTone(ToneKind kind, int line);

// The row and column frequencies of a DTMF digit (0-9, *, #, A-D); none for other characters.
std::optional<std::pair<double, double>> dtmfFrequencies(char digit);

constexpr double kDtmfVppEach = 0.777;  // -9 dBm per frequency
constexpr Micros kDtmfDetectDelay = 40 * kMicrosPerMilli;
constexpr Micros kToneDetectDelay = 100 * kMicrosPerMilli;

}  // namespace sim
