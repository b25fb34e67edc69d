#include "sim/VoltMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "sim/Tones.h"

namespace sim {
namespace {

constexpr Micros kWindow = 100 * kMicrosPerMilli;
constexpr Micros kStep = 125;  // 8 kHz

std::string fixed(double v, int decimals) {
  double scale = std::pow(10.0, decimals);
  v = std::round(v * scale) / scale;
  if (v == 0) v = 0;  // no "-0.0"
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

}  // namespace

std::string VoltMeter::lineStatus(int line, Micros now) const {
  std::string forced = line_.forcedStatus(line, now);
  if (!forced.empty()) return forced;
  if (line_.ringing(line, now)) return "RINGING";
  double dc = std::fabs(line_.dcVolts(line, now));
  if (dc >= 20) return "ON HOOK";
  if (dc >= 3) return "OFF HOOK";
  return "NO LINE";
}

std::string VoltMeter::reading(int line, int mode, Micros now) const {
  double minV = 1e9, maxV = -1e9, sumSq = 0;
  int minC = 65536, maxC = -1, n = 0;
  for (Micros t = now - kWindow + kStep; t <= now; t += kStep, ++n) {
    double ac = line_.acVolts(line, t);
    double v = cal_.measuredAc(line, ac);
    int c = cal_.acCounts(line, ac);
    minV = std::min(minV, v);
    maxV = std::max(maxV, v);
    minC = std::min(minC, c);
    maxC = std::max(maxC, c);
    sumSq += v * v;
  }
  std::string reply =
      "vm:DC " + fixed(cal_.measuredDc(line, line_.dcVolts(line, now)), 1) + " V:" + lineStatus(line, now) + ":";
  if (mode == 2) return reply + std::to_string(maxC - minC);
  if (mode == 1) {
    double vrms = std::sqrt(sumSq / n);
    double dbm = vrms < 1e-4 ? -70.0 : std::max(-70.0, dbmFromVrms(vrms));
    return reply + "AC " + fixed(dbm, 1) + " dBm";
  }
  return reply + "AC " + fixed(maxV - minV, 2) + " Vpp";
}

}  // namespace sim
