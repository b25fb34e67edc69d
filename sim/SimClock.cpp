#include "sim/SimClock.h"

namespace sim {

SimClock::SimClock(ClockSettings settings) : settings_(settings), origin_(std::chrono::steady_clock::now()) {
  if (settings_.speed <= 0) settings_.speed = 1.0;
}

Micros SimClock::now() const {
  if (settings_.mode != TimeMode::RealTime) return offset_;
  auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - origin_);
  return offset_ + static_cast<Micros>(static_cast<double>(elapsed.count()) * settings_.speed);
}

void SimClock::advance(Micros step) {
  if (step > 0) offset_ += step;
}

void SimClock::onCommand() {
  if (settings_.mode == TimeMode::PerCommand) advance(settings_.perCommand);
}

std::chrono::steady_clock::time_point SimClock::deadlineOf(Micros t) const {
  double realMicros = static_cast<double>(t - offset_) / settings_.speed;
  if (realMicros < 0) realMicros = 0;
  if (realMicros > 1e12) realMicros = 1e12;
  return origin_ + std::chrono::microseconds(static_cast<int64_t>(realMicros));
}

}  // namespace sim
