#pragma once

// What the benches of a running program measure: CPU time, and the span to measure it over.

#include <sys/resource.h>

#include <cstdlib>

namespace benchcpu {

// User and system CPU seconds of RUSAGE_SELF (the process) or RUSAGE_THREAD (the calling thread).
inline double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// QV_IDLE_SECONDS when it holds a positive number, `fallback` otherwise.
inline int MeasuredSeconds(int fallback) {
  const char* text = std::getenv("QV_IDLE_SECONDS");
  const int seconds = text != nullptr ? std::atoi(text) : fallback;
  return seconds > 0 ? seconds : fallback;
}

}  // namespace benchcpu
