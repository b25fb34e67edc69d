#include "sim/TraceEngine.h"

#include <algorithm>
#include <cmath>

#include "sim/Tones.h"

namespace sim {
namespace {

constexpr Micros kVoltageScanStep = kMicrosPerMilli;

std::string triggerDigits(const std::string& text) {
  if (text == "-1") return {};
  std::string out;
  for (char c : text) {
    if (dtmfFrequencies(c)) out.push_back(c);
  }
  return out;
}

}  // namespace

Micros TraceSetup::samplePeriod() const {
  static const int spanSeconds[] = {5, 10, 15, 20, 60};
  int s = spanSeconds[std::clamp(span, 0, 4)];
  return s * kMicrosPerSecond / 1000;
}

double TraceSetup::fullScale() const {
  static const double fs[] = {60.0, 30.0, 1.5, 0.7};
  return fs[std::clamp(scale, 0, 3)];
}

TraceEngine::TraceEngine(const LineModel& line, const Calibration& cal, StoredMemory& memory,
                         const RealTimeClock& clock)
    : line_(line), cal_(cal), memory_(memory), clock_(clock) {}

double TraceEngine::signal(const TraceSetup& setup, Micros at) const {
  if (setup.acRange()) return cal_.measuredAc(setup.line, line_.acVolts(setup.line, at));
  return cal_.measuredDc(setup.line, line_.volts(setup.line, at));
}

int TraceEngine::sample(const TraceSetup& setup, Micros at) const {
  double fs = setup.fullScale();
  double v = std::clamp(signal(setup, at), -fs, fs);
  double unit = setup.acRange() ? kAcVoltsPerTraceUnit : -kDcTraceFactor;
  return static_cast<int>(std::lround(v / unit));
}

std::optional<Micros> TraceEngine::findTrigger(const TraceSetup& setup, Micros armedAt, Micros now,
                                               Micros& scanFrom) const {
  switch (setup.triggerType) {
    case 0: {
      Micros onset = -1;
      if (line_.toneSounds(setup.line, ToneKind::DialTone, armedAt)) {
        onset = armedAt;
      } else {
        auto onsets = line_.toneOnsets(setup.line, ToneKind::DialTone, armedAt, now);
        if (!onsets.empty()) onset = onsets.front();
      }
      if (onset < 0 || onset + kToneDetectDelay > now) return std::nullopt;
      return onset + kToneDetectDelay;
    }
    case 1: {
      std::string want = triggerDigits(setup.digits);
      auto digits = line_.digitsDetected(setup.line, armedAt, now);
      std::string seen;
      for (const DigitEvent& d : digits) {
        seen.push_back(d.digit);
        if (want.empty() ||
            (seen.size() >= want.size() && seen.compare(seen.size() - want.size(), want.size(), want) == 0))
          return d.at;
      }
      return std::nullopt;
    }
    case 2: {
      auto onsets = line_.toneOnsets(setup.line, ToneKind::Ringback, armedAt, now);
      size_t n = static_cast<size_t>(std::max(1, setup.ringbacks));
      if (onsets.size() < n || onsets[n - 1] + kToneDetectDelay > now) return std::nullopt;
      return onsets[n - 1] + kToneDetectDelay;
    }
    default: {
      double level = setup.level * setup.fullScale() / 100.0;
      bool above = signal(setup, armedAt) >= level;
      for (Micros t = std::max(scanFrom, armedAt + kVoltageScanStep); t <= now; t += kVoltageScanStep) {
        if ((signal(setup, t) >= level) != above) return t;
        scanFrom = t + kVoltageScanStep;
      }
      return std::nullopt;
    }
  }
}

std::string TraceEngine::arm(const TraceSetup& setup, Micros now) {
  setup_ = setup;
  state_ = State::Armed;
  armedAt_ = now;
  scanFrom_ = now;
  delivered_ = 0;
  kept_ = false;
  return "tc:0";
}

int TraceEngine::acquired(Micros now) const {
  if (now < triggerAt_) return 0;
  Micros n = (now - triggerAt_) / setup_.samplePeriod() + 1;
  return static_cast<int>(std::min<Micros>(n, setup_.count));
}

void TraceEngine::advance(Micros now) {
  if (state_ == State::Armed) {
    if (auto t = findTrigger(setup_, armedAt_, now, scanFrom_)) {
      state_ = State::Triggered;
      triggerAt_ = *t;
    }
  }
  if (state_ == State::Triggered && !kept_ && acquired(now) == setup_.count) keep();
}

std::string TraceEngine::poll(Micros now) {
  advance(now);
  if (state_ == State::Idle) return lastCompleted_ ? "tc:2" : "tc:3";
  if (state_ == State::Armed) return "tc:0";
  int have = acquired(now);
  if (delivered_ < have) {
    std::string reply = "tc:1:";
    while (delivered_ < have) {
      std::string item = std::to_string(sample(setup_, triggerAt_ + delivered_ * setup_.samplePeriod())) + ":";
      if (reply.size() + item.size() > 64) break;
      reply += item;
      ++delivered_;
    }
    return reply;
  }
  if (delivered_ == setup_.count) {
    state_ = State::Idle;
    lastCompleted_ = true;
    return "tc:2";
  }
  return "tc:1";
}

std::string TraceEngine::stop() {
  if (state_ != State::Idle) lastCompleted_ = false;
  state_ = State::Idle;
  return "tc:3";
}

std::optional<Micros> TraceEngine::triggeredAt() const {
  if (state_ == State::Triggered) return triggerAt_;
  return std::nullopt;
}

StoredTrace TraceEngine::build(const TraceSetup& setup, Micros triggerAt) const {
  StoredTrace t;
  t.used = true;
  t.when = clock_.at(triggerAt);
  t.digits = setup.triggerType == 1 ? triggerDigits(setup.digits) : "";
  t.triggerType = setup.triggerType;
  t.ringbackCount = setup.ringbacks;
  t.voltageLevel = setup.level;
  t.scale = setup.scale;
  t.span = setup.span;
  t.line = setup.line;
  for (int i = 0; i < setup.count; ++i) t.samples.push_back(sample(setup, triggerAt + i * setup.samplePeriod()));
  return t;
}

void TraceEngine::keep() {
  memory_.storeTrace(build(setup_, triggerAt_));
  kept_ = true;
}

std::optional<StoredTrace> TraceEngine::record(const TraceSetup& setup, Micros armedAt, Micros until) const {
  Micros scan = armedAt;
  auto trig = findTrigger(setup, armedAt, until, scan);
  if (!trig) return std::nullopt;
  return build(setup, *trig);
}

}  // namespace sim
