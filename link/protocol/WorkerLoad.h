#pragma once

// What the worker costs while it runs: how often its loop woke for an idle step and how many
// commands and stream-block reads it tried (made or refused for want of an instrument). With no
// instrument both stay at the idle program's rate: the worker rests rather than retrying a dead
// device.

#include <atomic>

struct WorkerLoad {
  std::atomic<unsigned long> idleSteps{0};
  std::atomic<unsigned long> requestsTried{0};
};
