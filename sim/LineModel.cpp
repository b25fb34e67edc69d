#include "sim/LineModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sim/Tones.h"

namespace sim {
namespace {

bool validLine(int line) { return line >= 1 && line <= kLineCount; }

double sine(double vpp, double hz, Micros t) {
  return vpp / 2.0 * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(t) / 1e6);
}

}  // namespace

LineModel::LineModel() { scenario_.length = kMicrosPerSecond; }

void LineModel::load(Scenario scenario, Micros startAt) {
  scenario_ = std::move(scenario);
  if (scenario_.length <= 0) scenario_.length = kMicrosPerSecond;
  start_ = startAt;
}

Micros LineModel::scenarioTime(Micros t) const {
  Micros rel = t - start_;
  if (rel < 0 || !scenario_.repeat) return rel;
  return rel % scenario_.length;
}

template <class Fn>
void LineModel::occurrences(Micros rel, Micros from, Micros to, Fn fn) const {
  if (!scenario_.repeat) {
    Micros abs = start_ + rel;
    if (abs > from && abs <= to) fn(abs);
    return;
  }
  if (rel >= scenario_.length) return;
  int64_t k = std::max<int64_t>(0, floorDiv(from - start_ - rel, scenario_.length) + 1);
  for (;; ++k) {
    Micros abs = start_ + rel + k * scenario_.length;
    if (abs > to) break;
    if (abs > from) fn(abs);
  }
}

double LineModel::dcVolts(int line, Micros t) const {
  if (!validLine(line)) return 0;
  if (overrides_[line - 1]) return overrides_[line - 1]->dcVolts;
  Micros rel = scenarioTime(t);
  double level = kIdleLineVolts;
  for (const DcChange& d : scenario_.dc) {
    if (d.line != line) continue;
    if (d.at > rel) break;
    if (d.ramp > 0 && rel < d.at + d.ramp) {
      double f = static_cast<double>(rel - d.at) / static_cast<double>(d.ramp);
      return level + (d.volts - level) * f;
    }
    level = d.volts;
  }
  return level;
}

double LineModel::acVolts(int line, Micros t) const {
  if (!validLine(line)) return 0;
  if (overrides_[line - 1]) {
    const LineOverride& o = *overrides_[line - 1];
    return o.acVpp > 0 ? sine(o.acVpp, o.acHz, t) : 0.0;
  }
  Micros rel = scenarioTime(t);
  if (rel < 0) return 0;
  double v = 0;
  for (const ToneSpan& span : scenario_.tones) {
    if (span.line != line || !span.soundsAt(rel)) continue;
    for (double hz : span.hz) v += sine(span.vppEach, hz, rel);
  }
  for (const DtmfTone& d : scenario_.dtmf) {
    if (d.line != line || rel < d.start || rel >= d.start + d.length) continue;
    auto f = dtmfFrequencies(d.digit);
    v += sine(kDtmfVppEach, f->first, rel) + sine(kDtmfVppEach, f->second, rel);
  }
  return v;
}

bool LineModel::ringing(int line, Micros t) const { return toneSounds(line, ToneKind::Ringing, t); }

bool LineModel::toneSounds(int line, ToneKind kind, Micros t) const {
  if (!validLine(line) || overrides_[line - 1]) return false;
  Micros rel = scenarioTime(t);
  for (const ToneSpan& span : scenario_.tones) {
    if (span.line == line && span.kind == kind && span.soundsAt(rel)) return true;
  }
  return false;
}

std::string LineModel::forcedStatus(int line, Micros t) const {
  if (!validLine(line) || overrides_[line - 1]) return {};
  Micros rel = scenarioTime(t);
  std::string text;
  for (const StatusChange& s : scenario_.status) {
    if (s.line != line) continue;
    if (s.at > rel) break;
    text = s.text;
  }
  return text;
}

std::vector<DigitEvent> LineModel::digitsDetected(int line, Micros from, Micros to) const {
  std::vector<DigitEvent> out;
  if (!validLine(line) || overrides_[line - 1]) return out;
  for (const DtmfTone& d : scenario_.dtmf) {
    if (d.line != line) continue;
    occurrences(d.start + kDtmfDetectDelay, from, to, [&](Micros abs) { out.push_back({abs, d.digit}); });
  }
  std::stable_sort(out.begin(), out.end(), [](auto& a, auto& b) { return a.at < b.at; });
  return out;
}

std::vector<Micros> LineModel::toneOnsets(int line, ToneKind kind, Micros from, Micros to) const {
  std::vector<Micros> out;
  if (!validLine(line) || overrides_[line - 1]) return out;
  for (const ToneSpan& span : scenario_.tones) {
    if (span.line != line || span.kind != kind) continue;
    Micros period = span.off == 0 ? 0 : span.on + span.off;
    Micros limit = scenario_.repeat ? std::min(span.end, scenario_.length) : span.end;
    for (Micros onset = span.start; onset < limit; onset += period) {
      if (!scenario_.repeat && start_ + onset > to) break;
      occurrences(onset, from, to, [&](Micros abs) { out.push_back(abs); });
      if (period == 0) break;
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<CallOccurrence> LineModel::callsBetween(Micros from, Micros to) const {
  std::vector<CallOccurrence> out;
  for (size_t i = 0; i < scenario_.calls.size(); ++i) {
    occurrences(scenario_.calls[i].at, from, to, [&](Micros abs) { out.push_back({abs, i}); });
  }
  std::stable_sort(out.begin(), out.end(), [](auto& a, auto& b) { return a.start < b.start; });
  return out;
}

void LineModel::setOverride(int line, LineOverride value) {
  if (validLine(line)) overrides_[line - 1] = value;
}

void LineModel::clearOverride(int line) {
  if (validLine(line)) overrides_[line - 1].reset();
}

}  // namespace sim
