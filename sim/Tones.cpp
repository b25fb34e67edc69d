#include "sim/Tones.h"

#include <cmath>
#include <cstring>

namespace sim {

double vppFromDbm(double dbm) {
  double vrms = std::sqrt(600.0 * 1e-3 * std::pow(10.0, dbm / 10.0));
  return 2.0 * std::sqrt(2.0) * vrms;
}

double dbmFromVrms(double vrms) {
  double watts = vrms * vrms / 600.0;
  return 10.0 * std::log10(watts / 1e-3);
}

ToneSpan presetTone(ToneKind kind, int line) {
  ToneSpan t;
  t.line = line;
  t.kind = kind;
  switch (kind) {
    case ToneKind::DialTone:
      t.hz = {350, 440};
      t.vppEach = vppFromDbm(-13);
      break;
    case ToneKind::Ringback:
      t.hz = {440, 480};
      t.vppEach = vppFromDbm(-19);
      t.on = 2 * kMicrosPerSecond;
      t.off = 4 * kMicrosPerSecond;
      break;
    case ToneKind::Busy:
      t.hz = {480, 620};
      t.vppEach = vppFromDbm(-24);
      t.on = 500 * kMicrosPerMilli;
      t.off = 500 * kMicrosPerMilli;
      break;
    case ToneKind::AnswerTone:
      t.hz = {2100};
      t.vppEach = vppFromDbm(-12);
      break;
    case ToneKind::Ringing:
      t.hz = {20};
      t.vppEach = 2.0 * std::sqrt(2.0) * 75.0;  // 75 V RMS ringing voltage
      t.on = 2 * kMicrosPerSecond;
      t.off = 4 * kMicrosPerSecond;
      break;
    case ToneKind::Custom:
      break;
  }
  return t;
}

std::optional<std::pair<double, double>> dtmfFrequencies(char digit) {
  static const char* const keys = "123A456B789C*0#D";
  static const double rows[4] = {697, 770, 852, 941};
  static const double cols[4] = {1209, 1336, 1477, 1633};
  if (digit == 0) return std::nullopt;
  const char* p = std::strchr(keys, digit);
  if (p == nullptr) return std::nullopt;
  int i = static_cast<int>(p - keys);
  return std::make_pair(rows[i / 4], cols[i % 4]);
}

}  // namespace sim
